// Generated storm sewer systems of any size (a random tree), for the scaling tests and the benchmarks.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/value.h"

namespace kolv::test {

/// What to generate: `reaches` nodes, each with its outgoing reach, draining through a random
/// tree to one outfall. The same options always give the same system.
struct RandomSystemOptions {
    std::string system = "RANDOM";
    std::string prefix = "R";  ///< node names are prefix + number (at most 8 characters in all)
    std::size_t reaches = 1000;
    std::uint32_t seed = 20261206;
};

/// Pipe group of the round pipes the generated systems use (English definitions).
constexpr int kRandomPipeGroup = 90;

namespace detail {

/// A small portable generator (xorshift), so every platform builds the same system.
class Xorshift {
public:
    explicit Xorshift(std::uint32_t seed) : m_state(seed ? seed : 0x9E3779B9u) {}
    std::uint32_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    /// 0 <= k < n
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % static_cast<std::uint32_t>(n)); }
    /// lo <= x < hi, in steps of 1/1000 of the range
    double uniform(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(next() % 1000u) / 1000.0; }

private:
    std::uint32_t m_state;
};

/// Round concrete pipes of the generated systems (in).
inline const std::vector<int>& randomDiameters() {
    static const std::vector<int> d = {15, 18, 24, 30, 36, 42, 48, 54, 60, 72, 84, 96, 108, 120, 144};
    return d;
}

/// Full-flow capacity (cfs) of a round pipe of d in at 0.5 %, n 0.013: Q = 1.486/n R^(2/3) S^(1/2) A
inline double roundPipeCapacity(int d) {
    const double dFt = d / 12.0, area = 3.14159265358979 * dFt * dFt / 4.0;
    return 1.486 / 0.013 * std::pow(dFt / 4.0, 2.0 / 3.0) * std::sqrt(0.005) * area;
}

/// Fisher-Yates with the portable generator.
inline std::vector<std::size_t> shuffled(std::size_t n, Xorshift& rnd) {
    std::vector<std::size_t> p(n);
    for (std::size_t i = 0; i < n; ++i) p[i] = i;
    for (std::size_t i = n; i > 1; --i) std::swap(p[i - 1], p[rnd.below(i)]);
    return p;
}

}  // namespace detail

/// Adds one generated system (header, nodes, reaches) and the pipe definitions it uses to an
/// open project, in one transaction. Node k drains to a random earlier node with fewer than
/// three incoming reaches, node 0 to the outfall; areas, lengths and inlet tops vary at random;
/// each pipe is the smallest round pipe that carries its subtree at about 7 in/hr (several
/// barrels of the largest when none does); inverts fall 0.5 % down each pipe and 0.1 ft at each
/// structure. Rows are stored in shuffled order, so the flow order is not the storage order.
inline void addRandomSystem(db::Database& db, const RandomSystemOptions& shape) {
    using db::Value;
    const std::size_t n = std::max<std::size_t>(shape.reaches, 1);
    detail::Xorshift rnd(shape.seed);

    std::vector<std::size_t> to(n, 0), inCount(n, 0), open;  // open: nodes that take one more reach
    std::vector<double> area(n), coeff(n), tc(n), length(n), extraTop(n);
    open.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0) {
            const std::size_t slot = rnd.below(open.size());
            to[k] = open[slot];
            if (++inCount[to[k]] == 3) {
                open[slot] = open.back();
                open.pop_back();
            }
        }
        open.push_back(k);
        area[k] = rnd.uniform(0.05, 0.6);   // ac
        coeff[k] = rnd.uniform(0.3, 0.95);  // runoff C
        tc[k] = rnd.uniform(10.0, 15.0);    // min
        length[k] = rnd.uniform(80.0, 400.0);  // ft
        extraTop[k] = rnd.uniform(2.0, 6.0);   // ft of cover and structure above the crown
    }
    // Subtree flows (cfs) at 7 in/hr, children after their parents in index order.
    std::vector<double> flow(n);
    for (std::size_t k = 0; k < n; ++k) flow[k] = coeff[k] * area[k] * 7.0;
    for (std::size_t k = n; k-- > 1;) flow[to[k]] += flow[k];
    std::vector<int> diameter(n), barrels(n, 1);
    const auto& sizes = detail::randomDiameters();
    for (std::size_t k = 0; k < n; ++k) {
        diameter[k] = sizes.back();
        for (int d : sizes)
            if (detail::roundPipeCapacity(d) >= flow[k]) {
                diameter[k] = d;
                break;
            }
        if (detail::roundPipeCapacity(sizes.back()) < flow[k])
            barrels[k] = static_cast<int>(std::ceil(flow[k] / detail::roundPipeCapacity(sizes.back())));
    }
    // Inverts from the outfall up: the downstream end 0.1 ft above the upstream end of the pipe below.
    std::vector<double> invertDn(n), invertUp(n);
    for (std::size_t k = 0; k < n; ++k) {
        invertDn[k] = k == 0 ? 100.0 : invertUp[to[k]] + 0.1;
        invertUp[k] = invertDn[k] + 0.005 * length[k];  // 0.5 % down the pipe
    }
    auto nodeName = [&](std::size_t k) { return shape.prefix + std::to_string(k + 1); };
    const std::string outfall = shape.prefix + "OUT";

    db::Transaction tx(db);
    for (int d : sizes) {
        const double dFt = d / 12.0;
        db.execute("INSERT OR IGNORE INTO T7 (NAME, ENG_MET, GROUPP, DS_DESC, HEIGHT, WIDTH, AREA, THICKNESS, N, COST) "
                   "VALUES (?, 0, ?, ?, ?, ?, ?, ?, 0.013, ?)",
                   {Value("GRCP" + std::to_string(d)), Value(static_cast<long long>(kRandomPipeGroup)),
                    Value(std::to_string(d) + " in round concrete"), Value(dFt), Value(dFt),
                    Value(3.14159265358979 * dFt * dFt / 4.0), Value(dFt / 12.0 + 1.0 / 12.0), Value(40.0 + 4.0 * d)});
    }
    db.execute("INSERT INTO T16 (SYSTEM, DRAIN_TYPE, OUT_NODE, OUT_TW, EXIT_LOSS_COEFF, AREA1, AREA2, AREA3, "
               "INTENSITY_METHOD, ZONE, FREQ) VALUES (?, 0, ?, 99.5, 1.0, 0.9, 0.3, 0.5, 0, '6', '3')",
               {Value(shape.system), Value(outfall)});
    db::Statement node = db.prepare(
        "INSERT INTO NODE (NAME, SYSTEM, STATION, OFFSET, STRUCT_NAME, NODE_TYPE, INLET_ELEV, MIN_HGL, "
        "JUNC_LOSS_COEFF, TC, BASE_FLOW, P_C1DA, P_C2DA, P_C3DA, RUNOFF_C1, RUNOFF_C2, RUNOFF_C3, CALC_RUNOFF_C1, "
        "CALC_RUNOFF_C2, CALC_RUNOFF_C3) VALUES (?, ?, ?, 20, ?, 0, ?, 0, 0.5, ?, 0, ?, 0, 0, ?, 0, 0, 0, 0, 0)");
    for (std::size_t k : detail::shuffled(n, rnd)) {
        node.reset();
        node.bindAll({Value(nodeName(k)), Value(shape.system), Value(std::to_string(k + 10) + "+00"),
                      Value(inCount[k] == 0 ? "CI5" : "MH5"),
                      Value(invertUp[k] + diameter[k] / 12.0 + extraTop[k]), Value(tc[k]), Value(area[k]),
                      Value(coeff[k])});
        node.step();
    }
    db::Statement reach = db.prepare(
        "INSERT INTO REACH (NAME, SYSTEM, NODE1, NODE2, PIPE_NAME, BARRELS, LENGTH, HYD_LENGTH, ELEV1, ELEV2, "
        "CALC_PIPESIZE, CALC_PIPEL, CALC_FROM_ELEV, CALC_TO_ELEV, FROM_FL_CL, TO_FL_CL, REACH_TYPE) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, -1, 0, -1, -1, -1, -1, 0)");
    for (std::size_t k : detail::shuffled(n, rnd)) {
        reach.reset();
        reach.bindAll({Value(nodeName(k)), Value(shape.system), Value(nodeName(k)),
                       Value(k == 0 ? outfall : nodeName(to[k])), Value("GRCP" + std::to_string(diameter[k])),
                       Value(static_cast<long long>(barrels[k])), Value(length[k]), Value(length[k] + 4.0),
                       Value(invertUp[k]), Value(invertDn[k])});
        reach.step();
    }
    tx.commit();
}

}  // namespace kolv::test
