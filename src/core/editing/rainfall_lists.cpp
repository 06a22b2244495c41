// Choice lists of a system's design storm.
#include "editing/rainfall_lists.h"

#include <algorithm>

#include "common/text.h"
#include "db/record_set.h"

namespace kolv::editing {

namespace {

void addDistinct(std::vector<std::string>& list, const std::string& value) {
    if (value.empty()) return;
    if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
}

}  // namespace

std::vector<std::string> idfFrequencies() { return {"2", "3", "5", "10", "25", "50"}; }

std::vector<std::string> idfZones(db::Database& db) {
    std::vector<std::string> zones;
    db::RecordSet t2(db, "T2");
    for (t2.moveFirst(); !t2.eof(); t2.moveNext()) addDistinct(zones, trim(t2.text("Zone")));
    return zones;
}

std::vector<std::string> idfFrequenciesOfZone(db::Database& db, const std::string& zone) {
    std::vector<std::string> freqs;
    db::RecordSet t2(db, "T2", "Zone = ?", {trim(zone)});
    for (t2.moveFirst(); !t2.eof(); t2.moveNext()) addDistinct(freqs, trim(t2.text("Freq")));
    return freqs;
}

std::vector<std::string> timeIntensityLocations(db::Database& db) {
    std::vector<std::string> locations;
    db::RecordSet t85(db, "T85", "", {}, "LOCATION ASC, FREQUENCY ASC, TIME ASC");
    for (t85.moveFirst(); !t85.eof(); t85.moveNext()) addDistinct(locations, trim(t85.text("LOCATION")));
    return locations;
}

std::vector<std::string> allTimeIntensityFrequencies(db::Database& db) {
    std::vector<std::string> freqs;
    db::RecordSet t85(db, "T85", "", {}, "FREQUENCY ASC");
    for (t85.moveFirst(); !t85.eof(); t85.moveNext()) addDistinct(freqs, trim(t85.text("FREQUENCY")));
    return freqs;
}

std::vector<std::string> timeIntensityFrequencies(db::Database& db, const std::string& location) {
    std::vector<std::string> freqs;
    db::RecordSet t85(db, "T85", "LOCATION = ?", {trim(location)}, "LOCATION ASC, FREQUENCY ASC, TIME ASC");
    for (t85.moveFirst(); !t85.eof(); t85.moveNext()) addDistinct(freqs, trim(t85.text("FREQUENCY")));
    return freqs;
}

}  // namespace kolv::editing
