// Design criteria: defaults, strict reading of typed values, and their undoable storage.
#include "review/design_criteria.h"

#include <algorithm>
#include <cctype>

#include "common/number_input.h"
#include "common/text.h"
#include "common/units.h"
#include "common/vb_format.h"
#include "db/record_set.h"
#include "db/schema.h"
#include "db/undo_history.h"

namespace kolv::review {

namespace {

using units::kFeetPerMeter;

enum class Kind { Velocity, Percent, Length, OptionalLength, YesNo };

struct CriterionField {
    const char* key;
    const char* stored;  ///< `NAME` of its row
    const char* caption;
    Kind kind;
};

constexpr CriterionField kCriterionFields[] = {
    {"min-velocity", "MIN_VELOCITY", "Minimum velocity", Kind::Velocity},
    {"max-velocity", "MAX_VELOCITY", "Maximum velocity", Kind::Velocity},
    {"min-slope", "MIN_SLOPE", "Minimum slope", Kind::Percent},
    {"min-cover", "MIN_COVER", "Minimum cover", Kind::OptionalLength},
    {"hgl-clearance", "HGL_CLEARANCE", "HGL clearance", Kind::OptionalLength},
    {"egl-above-rim", "EGL_ABOVE_RIM", "EGL may rise above the rim", Kind::YesNo},
    {"smaller-than-upstream", "SMALLER_THAN_UPSTREAM", "Pipe may be smaller than one upstream", Kind::YesNo},
    {"min-drop", "MIN_DROP", "Minimum drop across a structure", Kind::Length},
};

const char* const kStructure = "structure";

/// Project units per internal unit of a kind (m per ft, m/s per ft/s; 1 for the rest).
double toProject(Kind k, bool metric) {
    if (!metric) return 1.0;
    return (k == Kind::Velocity || k == Kind::Length || k == Kind::OptionalLength) ? 1.0 / kFeetPerMeter : 1.0;
}

/// The criterion's value in internal units, as a number (yes/no as 1/0; empty when left to the structure).
std::optional<double> get(const DesignCriteria& c, const CriterionField& s) {
    const std::string k = s.key;
    if (k == "min-velocity") return c.minVelocityFtS;
    if (k == "max-velocity") return c.maxVelocityFtS;
    if (k == "min-slope") return c.minSlopePercent;
    if (k == "min-cover") return c.minCoverFt;
    if (k == "hgl-clearance") return c.hglClearanceFt;
    if (k == "egl-above-rim") return c.eglAboveRimAllowed ? 1.0 : 0.0;
    if (k == "smaller-than-upstream") return c.smallerThanUpstreamAllowed ? 1.0 : 0.0;
    return c.minDropFt;
}

void put(DesignCriteria& c, const CriterionField& s, std::optional<double> v) {
    const std::string k = s.key;
    if (k == "min-velocity") c.minVelocityFtS = v.value_or(c.minVelocityFtS);
    else if (k == "max-velocity") c.maxVelocityFtS = v.value_or(c.maxVelocityFtS);
    else if (k == "min-slope") c.minSlopePercent = v.value_or(c.minSlopePercent);
    else if (k == "min-cover") c.minCoverFt = v;
    else if (k == "hgl-clearance") c.hglClearanceFt = v;
    else if (k == "egl-above-rim") c.eglAboveRimAllowed = v.value_or(0.0) != 0.0;
    else if (k == "smaller-than-upstream") c.smallerThanUpstreamAllowed = v.value_or(0.0) != 0.0;
    else c.minDropFt = v.value_or(c.minDropFt);
}

const CriterionField* findCriterionField(const std::string& key) {
    for (const CriterionField& s : kCriterionFields)
        if (key == s.key || key == s.stored) return &s;
    return nullptr;
}

std::string lower(std::string t) {
    for (char& ch : t) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return t;
}

std::string unitOf(Kind k, bool metric) {
    switch (k) {
    case Kind::Velocity: return metric ? "m/s" : "ft/s";
    case Kind::Percent: return "%";
    case Kind::Length:
    case Kind::OptionalLength: return metric ? "m" : "ft";
    case Kind::YesNo: return "yes/no";
    }
    return "";
}

}  // namespace

DesignCriteria DesignCriteria::defaults(bool metric) {
    DesignCriteria c;
    if (metric) {
        // The metric defaults are round numbers of their own, not conversions of the English ones.
        c.minVelocityFtS = 0.75 * kFeetPerMeter;
        c.maxVelocityFtS = 4.5 * kFeetPerMeter;
    }
    return c;
}

DesignCriteria loadCriteria(db::Database& db, bool metric) {
    DesignCriteria c = DesignCriteria::defaults(metric);
    if (!db.hasTable(kCriteriaTable)) return c;
    db::Statement& q = db.cached("SELECT NAME, VALUE FROM DESIGN_CRITERIA");
    q.reset();
    while (q.step()) {
        const CriterionField* s = findCriterionField(trim(q.column(0).toText()));
        if (!s) continue;
        const db::Value v = q.column(1);
        if (v.isNull()) {
            if (s->kind == Kind::OptionalLength) put(c, *s, std::nullopt);
            continue;
        }
        put(c, *s, v.toDouble() / toProject(s->kind, metric));
    }
    q.reset();
    return c;
}

std::vector<CriterionInfo> describeCriteria(const DesignCriteria& c, bool metric) {
    std::vector<CriterionInfo> out;
    for (const CriterionField& s : kCriterionFields) {
        CriterionInfo i{s.key, s.caption, unitOf(s.kind, metric), ""};
        const std::optional<double> v = get(c, s);
        if (s.kind == Kind::YesNo) i.value = v.value_or(0) != 0 ? "yes" : "no";
        else if (!v) i.value = kStructure;
        else i.value = vbFormat(*v * toProject(s.kind, metric), s.kind == Kind::Percent ? "0.0###" : "0.0##");
        out.push_back(std::move(i));
    }
    return out;
}

std::optional<std::string> applyCriterion(DesignCriteria& c, const std::string& key, const std::string& text,
                                          bool metric) {
    const CriterionField* s = findCriterionField(trim(key));
    if (!s) {
        std::string names;
        for (const CriterionField& k : kCriterionFields) names += std::string(names.empty() ? "" : ", ") + k.key;
        return "Unknown design criterion '" + trim(key) + "'. Criteria: " + names;
    }
    const std::string t = lower(trim(text));
    if (s->kind == Kind::YesNo) {
        if (t == "yes" || t == "true" || t == "1") put(c, *s, 1.0);
        else if (t == "no" || t == "false" || t == "0") put(c, *s, 0.0);
        else return std::string(s->caption) + " must be yes or no.";
        return std::nullopt;
    }
    if (s->kind == Kind::OptionalLength && (t == kStructure || t.empty())) {
        put(c, *s, std::nullopt);
        return std::nullopt;
    }
    input::NumberRule rule;
    rule.min = 0.0;
    // Velocities and the slope must exist; cover, clearance and drop may be 0.
    rule.minExclusive = s->kind == Kind::Velocity || s->kind == Kind::Percent;
    const input::NumberCheck r = input::checkNumber(text, s->caption, rule);
    if (!r.ok()) return r.error;
    put(c, *s, *r.value / toProject(s->kind, metric));
    return std::nullopt;
}

std::optional<std::string> validateCriteria(const DesignCriteria& c) {
    if (!(c.maxVelocityFtS > c.minVelocityFtS)) return std::string("Maximum velocity must be greater than the minimum velocity.");
    return std::nullopt;
}

void saveCriteria(db::Database& db, bool metric, const DesignCriteria& c) {
    db::UndoAction step(db, "Design Criteria");
    if (!db.hasTable(kCriteriaTable)) {
        db.createTable(*db::schemaTable(kCriteriaTable));
        if (db::UndoHistory* h = db.history()) h->trackTables();  // the rows below can be undone
    }
    db::Transaction tx(db);
    for (const CriterionField& s : kCriterionFields) {
        const std::optional<double> v = get(c, s);
        const db::Value stored = v ? db::Value(*v * toProject(s.kind, metric)) : db::Value();
        const db::Value old = db.scalar("SELECT VALUE FROM DESIGN_CRITERIA WHERE NAME = ?", {s.stored});
        const bool exists = db.scalar("SELECT COUNT(*) FROM DESIGN_CRITERIA WHERE NAME = ?", {s.stored}).toInt() > 0;
        if (!exists) {
            db.execute("INSERT INTO DESIGN_CRITERIA (NAME, VALUE) VALUES (?, ?)", {s.stored, stored});
        } else if (old.isNull() != stored.isNull() || (!old.isNull() && old.toDouble() != stored.toDouble())) {
            db.execute("UPDATE DESIGN_CRITERIA SET VALUE = ? WHERE NAME = ?", {stored, s.stored});
        }
    }
    tx.commit();
}

}  // namespace kolv::review
