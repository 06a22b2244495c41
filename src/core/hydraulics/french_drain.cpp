// Exfiltration of a French-drain reach: the trench is walked segment by segment, upstream first.
#include "hydraulics/french_drain.h"

#include <cmath>

namespace kolv::hydraulics {

int trenchSegments(double trenchLengthFt) {
    // N = int(0.15 Ltr) + 21, kept within 25..80
    const double raw = std::floor(0.15 * trenchLengthFt) + 21;
    if (!(raw >= kMinTrenchSegments)) return kMinTrenchSegments;
    if (raw > kMaxTrenchSegments) return kMaxTrenchSegments;
    return static_cast<int>(raw);
}

FrenchDrainResult frenchDrainExfiltration(double flowCfs, double manningN, double heightFt, double reachLengthFt,
                                          double trenchLengthFt, double hglUpFt, const FrenchDrainTrench& trench) {
    FrenchDrainResult r;
    const double gw = trench.designGroundwaterElev;
    // Groundwater above the grade line: the trench takes water in, not out. The comparison is made
    // at the precision the grade line is kept in.
    const bool groundwaterAbove = static_cast<float>(gw) > static_cast<float>(hglUpFt);
    if (!(manningN > 0) || !(flowCfs > 0) || !(heightFt > 0) || !(trenchLengthFt > 0) || groundwaterAbove) {
        r.status = -1;
        return r;
    }

    const double d1 = trench.toDepth[0], d2 = trench.toDepth[1], d3 = trench.toDepth[2];
    const double k1 = trench.k[0], k2 = trench.k[1], k3 = trench.k[2];
    const double pipeTerm = 4.61 * manningN * manningN / std::pow(heightFt, 5.33);  // 4.61 n^2 / D^5.33

    double q = flowCfs;
    const double sf = pipeTerm * q * q;                          // S = 4.61 n^2 Q^2 / D^5.33
    double h = hglUpFt - ((reachLengthFt - trenchLengthFt) / 2) * sf;  // HGL at the trench's upstream end
    const double du = gw - (trench.groundElev - d1);             // Du = GW - (ground - D1)

    r.segments = trenchSegments(trenchLengthFt);
    const double dl = trenchLengthFt / r.segments;  // segment length (ft)
    for (int i = 0; i < r.segments; ++i) {
        const double head = h - gw;  // head above the design groundwater (ft)
        // dq = (2 K1 h (h/2 + Du) + 2 K2 (D2 - D1) h + 2 K3 (D3 - D2) h) dL
        const double dq = (2 * k1 * head * (head / 2 + du) + 2 * k2 * (d2 - d1) * head + 2 * k3 * (d3 - d2) * head) * dl;
        r.removedCfs += dq;
        q -= dq;
        h -= pipeTerm * q * q * dl;  // friction over the segment with the reduced flow
    }
    return r;
}

}  // namespace kolv::hydraulics
