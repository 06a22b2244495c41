// Section hydraulics of one working record for the pass loop: normal and critical depth, trench exfiltration.
#include "hydraulics/pass_sections.h"

#include "hydraulics/depth_solvers.h"
#include "hydraulics/ditch_shapes.h"
#include "hydraulics/french_drain.h"
#include "hydraulics/section_geometry.h"

namespace kolv::hydraulics {

namespace {

Section sectionOf(const HydraulicRecord& r) {
    if (r.isDitch()) return Section::ditch(r.ditchType, r.ditchDim.values());
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
    trench.toDepth = r.fdToDepth.values();
    trench.k = r.fdK.values();
    const FrenchDrainResult fd =
        frenchDrainExfiltration(flowCfs, r.n, r.height, frictionLengthFt, r.frenchLength, hglUpPrevFt, trench);
    return fd.status == 0 ? fd.removedCfs : 0.0;
}

}  // namespace kolv::hydraulics
