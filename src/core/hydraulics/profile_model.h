// Geometry of a hydraulic profile: the path from a node to the outfall and every line and label drawn along it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "db/database.h"

namespace kolv::hydraulics {

/// One storm tabulation row of the last run (T60), as the profile reads it. Lengths and
/// elevations in feet, flows in cfs, velocities in ft/s (T60 holds English units in every project).
struct ProfileRow {
    std::string from;      ///< `FROM`: the node
    std::string to;        ///< `TO`: the node its reach flows into (or the outfall)
    std::string station;   ///< `STATION` of the node ("12+50")
    std::string pipe;      ///< `TYPE`: pipe name, "DITCH" for a ditch reach
    std::string flowCond;  ///< `FLOW_COND`
    double lengthFt = 0;   ///< `LENGTH`
    double inletElFt = 0;  ///< `INLET_EL`
    double flUpFt = 0, flDnFt = 0;    ///< `FL_UP`, `FL_DN`: inverts
    double clUpFt = 0, clDnFt = 0;    ///< `CL_UP`, `CL_DN`: crowns
    double hglUpFt = 0, hglDnFt = 0;  ///< `HGL_UP`, `HGL_DN`
    double hglAtNodeFt = 0;           ///< `HGL_AT_NODE`
    double clearanceFt = 0;           ///< `CLEARENCE`
    double heightFt = 0;              ///< `HEIGHT`
    double velocityFtS = 0;           ///< `VELOCITY`
    double qCfs = 0;                  ///< `Q`
    double critDepthFt = 0;           ///< `P_CRIT_DEPTH`
    int nodeStatus = 0;               ///< `TOP_STATUS` of the node: 0 existing, 1 proposed, 2..5 future 1..4
    int reachStatus = 0;              ///< `REACH_STATUS` of the outgoing reach, coded the same way
};

/// The system's outfall as the profile ends at it.
struct ProfileOutfall {
    std::string name;       ///< `OUT_NODE`
    double tailwaterFt = 0; ///< `OUT_TW`
};

/// Reads the T60 rows of a system in storage order with the statuses of their node and reach,
/// and the outfall of its header.
std::vector<ProfileRow> readProfileRows(db::Database& db, const std::string& system);
ProfileOutfall readProfileOutfall(db::Database& db, const std::string& system);

/// A point of the drawing: station and elevation in the display unit (ft or m).
struct ProfilePoint {
    double x = 0;  ///< station
    double y = 0;  ///< elevation
};

/// A pipe (or ditch) between two stations of the path.
struct ProfilePipe {
    double x0 = 0, x1 = 0;          ///< upstream and downstream stations
    double invert0 = 0, invert1 = 0;
    double crown0 = 0, crown1 = 0;
    bool ditch = false;
};

/// A structure at a node of the path, drawn from its lowest invert up to its inlet.
struct ProfileStructure {
    std::string name;
    double x = 0;
    double bottom = 0;  ///< lowest invert of the pipes meeting there on the path
    double top = 0;     ///< inlet elevation (the outfall: its tailwater)
    bool outfall = false;
};

/// A text placed on the drawing. The view keeps labels from overlapping each other.
struct ProfileLabel {
    enum class Place {
        AboveStructure,  ///< block of lines above the top of a structure
        BelowPipe,       ///< block under the middle of a pipe
        BelowStructure,  ///< "FL = " of the pipes meeting at a structure, under its bottom
    };
    Place place = Place::AboveStructure;
    double x = 0, y = 0;  ///< anchor point (display units)
    std::vector<std::string> lines;
};

/// Which statuses of nodes and reaches are drawn (Existing, Proposed, Future1..Future4).
using StatusFilter = std::array<bool, 6>;
inline StatusFilter allStatuses() { return {true, true, true, true, true, true}; }

/// Everything the profile view paints, in display units.
struct ProfileGeometry {
    bool metric = false;
    std::string lengthUnit;    ///< "ft" or "m"
    std::string title;         ///< "S-1 to OUT-1"
    std::vector<std::string> path;  ///< node names, upstream first, the outfall last
    std::vector<ProfilePoint> ground;          ///< inlet elevations at the nodes
    std::vector<ProfilePoint> hgl;             ///< grade line, with the jumps at structures
    std::vector<std::vector<ProfilePoint>> egl;       ///< energy line, one segment per pipe
    std::vector<std::vector<ProfilePoint>> critical;  ///< critical depth, one segment per pipe
    std::vector<ProfilePipe> pipes;
    std::vector<ProfileStructure> structures;
    std::vector<ProfileLabel> labels;
    /// Grade lines of check storms drawn beside the design's, each with its scenario name.
    struct NamedLine {
        std::string name;
        std::vector<ProfilePoint> points;
    };
    std::vector<NamedLine> scenarioHgl;
    double tailwater = 0;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;  ///< extent of every line
    bool empty() const { return path.empty(); }
};

/// Station text of a distance: 1250 ft -> "12+50" (hundreds + two-digit remainder); in meters
/// 1250 -> "1+250" (thousands + three-digit remainder).
std::string stationText(double station, bool metric = false);
/// Distance of a station text: "12+50" -> 1250; a plain number stands for itself; 0 when unreadable.
double parseStation(const std::string& text);

/// Round vertical exaggeration not above `fit`: 1, 2, 2.5, 5 times a power of ten; `fit` itself below 1.
double roundExaggeration(double fit);
/// Round grid step not below `rough`: 1, 2, 5 times a power of ten.
double niceStep(double rough);

/// The path and drawing of a profile from the last run's rows.
class ProfileModel {
public:
    ProfileModel() = default;
    ProfileModel(std::vector<ProfileRow> rows, ProfileOutfall outfall);

    const std::vector<ProfileRow>& rows() const { return m_rows; }
    const ProfileOutfall& outfall() const { return m_outfall; }

    /// Row indexes from the node down to the outfall, following `TO`; stops at a `TO` that has no
    /// row (the outfall, or a node the run did not write) and at a loop. Empty for an unknown node.
    std::vector<int> pathFrom(const std::string& node) const;
    /// Total reach length of that path (ft).
    double pathLengthFt(const std::string& node) const;
    /// The node whose path to the outfall is the longest (the first such in row order).
    std::string longestPathStart() const;

    /// One message per node of the path with a zero among its reach length, HGL at the node,
    /// inlet elevation, HGL at the upstream end of the pipe and flow: "Node " + name + " contains
    /// zero in the following fields:" and a line per such field with its value ("0.0000").
    std::vector<std::string> zeroFieldMessages(const std::string& node) const;

    /// The drawing of the path from the node in feet or meters. Nodes and reaches whose status is
    /// filtered out lose their structure, pipe and labels; the grade lines stay continuous.
    ProfileGeometry build(const std::string& node, bool metric, const StatusFilter& filter = allStatuses()) const;

private:
    int indexOf(const std::string& node) const;

    std::vector<ProfileRow> m_rows;
    ProfileOutfall m_outfall;
};

}  // namespace kolv::hydraulics
