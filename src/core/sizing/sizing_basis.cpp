// The governing constraint of each sized pipe, kept beside the results of Step 2.
#include "sizing/sizing_basis.h"

#include "common/text.h"
#include "db/schema.h"
#include "db/undo_history.h"

namespace kolv::sizing {

namespace {
constexpr const char* kTable = "SIZING_BASIS";
constexpr GoverningRule kRules[] = {GoverningRule::VelocityLimit, GoverningRule::FrictionSlopeLimit,
                                    GoverningRule::NotSmallerThanUpstream, GoverningRule::FixedByEngineer,
                                    GoverningRule::NoCandidateEnough};
}  // namespace

const char* governingName(GoverningRule rule) {
    switch (rule) {
    case GoverningRule::VelocityLimit: return "velocity limit";
    case GoverningRule::FrictionSlopeLimit: return "friction slope limit";
    case GoverningRule::NotSmallerThanUpstream: return "not smaller than upstream";
    case GoverningRule::FixedByEngineer: return "fixed by engineer";
    case GoverningRule::NoCandidateEnough: return "no candidate enough";
    }
    return "";
}

std::string governingText(GoverningRule rule) {
    switch (rule) {
    case GoverningRule::VelocityLimit: return "Sized as the smallest pipe that keeps the velocity under the limit.";
    case GoverningRule::FrictionSlopeLimit:
        return "Sized as the smallest pipe that keeps the friction slope under the limit.";
    case GoverningRule::NotSmallerThanUpstream:
        return "Kept as large as the pipe upstream; a smaller one would meet the limit.";
    case GoverningRule::FixedByEngineer: return "The pipe was fixed by the engineer; it was not sized.";
    case GoverningRule::NoCandidateEnough:
        return "No pipe of the group meets the limit; the largest was tried and the reach kept its own pipe.";
    }
    return "";
}

void writeSizingBasis(db::Database& db, const std::string& system, const std::vector<SizingBasis>& basis) {
    if (!db.hasTable(kTable)) {
        db.createTable(*db::schemaTable(kTable));
        if (db::UndoHistory* h = db.history()) h->trackTables();
    }
    db.execute("DELETE FROM SIZING_BASIS WHERE SYSTEM = ?", {system});
    db::Statement& ins = db.cached("INSERT INTO SIZING_BASIS (SYSTEM, REACH, RULE, QUANTITY, VALUE, \"LIMIT\") VALUES (?, ?, ?, ?, ?, ?)");
    for (const SizingBasis& b : basis) {
        ins.reset();
        ins.bindAll({system, b.reach, std::string(governingName(b.rule)),
                     std::string(b.isVelocity ? "velocity" : "slope"), b.value, b.limit});
        ins.step();
    }
    ins.reset();
}

std::vector<SizingBasis> readSizingBasis(db::Database& db, const std::string& system) {
    std::vector<SizingBasis> out;
    if (!db.hasTable(kTable)) return out;
    db::Statement& q = db.cached("SELECT REACH, RULE, QUANTITY, VALUE, \"LIMIT\" FROM SIZING_BASIS WHERE SYSTEM = ? ORDER BY rowid");
    q.reset();
    q.bind(1, system);
    while (q.step()) {
        SizingBasis b;
        b.reach = trim(q.column(0).toText());
        const std::string rule = trim(q.column(1).toText());
        for (GoverningRule r : kRules)
            if (rule == governingName(r)) b.rule = r;
        b.isVelocity = trim(q.column(2).toText()) != "slope";
        b.value = q.column(3).toDouble();
        b.limit = q.column(4).toDouble();
        out.push_back(std::move(b));
    }
    q.reset();
    return out;
}

}  // namespace kolv::sizing
