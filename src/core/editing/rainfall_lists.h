// Choice lists of a system's design storm: IDF zones and return periods, time-intensity locations.
#pragma once

#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::editing {

/// Return periods (years) offered with the IDF method: "2", "3", "5", "10", "25", "50".
std::vector<std::string> idfFrequencies();

/// The distinct zones of T2, in table order.
std::vector<std::string> idfZones(db::Database& db);

/// The return periods that T2 holds for one zone, in table order.
std::vector<std::string> idfFrequenciesOfZone(db::Database& db, const std::string& zone);

/// The distinct LOCATION values of T85 ordered by location, frequency and time.
std::vector<std::string> timeIntensityLocations(db::Database& db);

/// The distinct FREQUENCY values of every T85 table, ascending.
std::vector<std::string> allTimeIntensityFrequencies(db::Database& db);

/// The distinct FREQUENCY values of one T85 location, in the same order.
std::vector<std::string> timeIntensityFrequencies(db::Database& db, const std::string& location);

}  // namespace kolv::editing
