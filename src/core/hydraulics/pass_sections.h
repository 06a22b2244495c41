// Section hydraulics of one working record for the pass loop: normal and critical depth, trench exfiltration.
#pragma once

#include "hydraulics/hydraulic_record.h"

namespace kolv::hydraulics {

/// Uniform (normal-depth) flow of one barrel or of a ditch.
struct UniformFlow {
    double depth = 0;     ///< normal depth (ft)
    double area = 0;      ///< flow area at that depth (sq ft)
    double velocity = 0;  ///< Q / area (ft/s); 0 when the area is 0
};

/// Normal depth of the record's section (pipe barrel or ditch) for a flow (cfs per barrel),
/// Manning n and slope (ft/ft, its magnitude is used).
UniformFlow recordNormalDepth(const HydraulicRecord& r, double flowCfs, double n, double slope);

/// Critical depth of the record's section for a flow (cfs per barrel); 0 for no flow.
double recordCriticalDepth(const HydraulicRecord& r, double flowCfs);

/// Flow removed by the exfiltration trench of a reach of type 1 (cfs), given the flow
/// entering it (cfs), the reach length used for friction (ft) and the grade line at the
/// upstream end of the previous pass (ft). 0 when the trench data are incomplete.
double recordTrenchExfiltration(const HydraulicRecord& r, double flowCfs, double frictionLengthFt,
                                double hglUpPrevFt);

}  // namespace kolv::hydraulics
