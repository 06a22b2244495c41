// Section hydraulics of one working record for the pass loop: normal and critical depth, trench exfiltration.
#include "hydraulics/pass_sections.h"

#include "hydraulics/depth_solvers.h"
#include "hydraulics/ditch_shapes.h"
#include "hydraulics/french_drain.h"
#include "hydraulics/section_geometry.h"

namespace kolv::hydraulics {

namespace {

Section sectionOf(const HydraulicRecord& r) {
    if (r.isDitch()) return Section::ditch(r.ditchType, r.ditchDim);
    return Section::pipe(r.width, r.height);
}

}  // namespace

UniformFlow recordNormalDepth(const HydraulicRecord& r, double flowCfs, double n, double slope) {
    const NormalDepthResult nd = normalDepth(sectionOf(r), flowCfs, n, slope);
    return {nd.depthFt, nd.areaSqFt, nd.velocityFps};
}

double recordCriticalDepth(const HydraulicRecord& r, double flowCfs) {
    if (flowCfs <= 0) return 0.0;
    return criticalDepth(sectionOf(r), flowCfs);
}

double recordTrenchExfiltration(const HydraulicRecord& r, double flowCfs, double frictionLengthFt,
                                double hglUpPrevFt) {
    FrenchDrainTrench trench;
    trench.designGroundwaterElev = r.fdDesignGwEl;
    trench.groundElev = r.fdGndEl;
    trench.toDepth = r.fdToDepth;
    trench.k = r.fdK;
    const FrenchDrainResult fd =
        frenchDrainExfiltration(flowCfs, r.n, r.height, frictionLengthFt, r.frenchLength, hglUpPrevFt, trench);
    return fd.status == 0 ? fd.removedCfs : 0.0;
}

void recordDitchDescription(HydraulicRecord& r) {
    const DitchDescription d = ditchDescription(r.ditchType, r.ditchDim);
    r.ditchTypeRpt = d.shapeName;
    r.ditchDesc1 = d.line1;
    r.ditchDesc2 = d.line2;
}

}  // namespace kolv::hydraulics
