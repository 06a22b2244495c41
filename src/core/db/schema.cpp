// The project database schema.
#include "db/schema.h"

#include <cstdlib>
#include <fmt/format.h>

#include "common/text.h"

namespace kolv::db {

namespace {

using FT = FieldType;

FieldDef I(std::string n) { return {std::move(n), FT::Integer}; }
FieldDef L(std::string n) { return {std::move(n), FT::Long}; }
FieldDef S(std::string n) { return {std::move(n), FT::Single}; }
FieldDef D(std::string n) { return {std::move(n), FT::Double}; }
FieldDef T(std::string n, int size) { return {std::move(n), FT::Text, size}; }
FieldDef B(std::string n) { return {std::move(n), FT::YesNo}; }
FieldDef K(std::string n, int size) { return {std::move(n), FT::Text, size, true}; }

/// Appends fields PREFIX{from..to}SUFFIX of one type.
void range(std::vector<FieldDef>& f, const std::string& prefix, int from, int to, FieldDef proto,
           const std::string& suffix = "") {
    for (int i = from; i <= to; ++i) {
        FieldDef d = proto;
        d.name = prefix + std::to_string(i) + suffix;
        f.push_back(d);
    }
}

TableDef nodeTable() {
    std::vector<FieldDef> f = {
        K("NAME", 8), T("SYSTEM", 8), T("BASELINE", 8), T("STATION", 12), D("OFFSET"), D("XD"), D("YD"),
        T("PROFILE_NAME", 20), T("TYP_SECT_NAME", 20), B("INCLUDE_IN_PROFILE"), T("STRUCT_NAME", 8), D("ANGLE"),
        B("AUTO_ROTATE"), I("NODE_TYPE"), I("TOP_STATUS"), I("BOTTOM_STATUS"), D("INLET_ELEV"), D("MIN_HGL"),
        D("JUNC_LOSS_COEFF"), D("TC"), D("BASE_FLOW"), D("P_C1DA"), D("P_C2DA"), D("P_C3DA"), S("RUNOFF_C1"),
        S("RUNOFF_C2"), S("RUNOFF_C3"), I("CALC_RUNOFF_C1"), I("CALC_RUNOFF_C2"), I("CALC_RUNOFF_C3"), B("CALC_DA1"),
        B("CALC_DA2"), B("CALC_DA3"), S("EXIT_LOSS_COEFF")};
    range(f, "DW_STAGE", 1, 8, S(""));
    range(f, "DW_DISCHARGE", 1, 8, S(""));
    f.push_back(I("SEQUENCER"));
    for (const char* n : {"P_C1DS", "P_C2DS", "P_C3DS", "P_C1CA", "P_C2CA", "P_C3CA", "P_TOTALCA", "P_INTENSITY",
                          "P_Q", "P_N", "P_VELOCITY", "P_HGL_SLOPE", "P_HGL_DN", "P_HGL_UP", "P_TF"})
        f.push_back(D(n));
    range(f, "TC_SEGTT", 0, 8, D(""));
    // carried
    for (auto d : {I("SYSTEM_OUTFALL_SWITCH"), S("TAILWATER_ELEV"), I("DRAIN_NODE"), D("DPREL_X"), D("DPREL_Y"),
                   S("DPREL_OFFSET"), S("DPREL_ELEV"), D("PARA_X"), D("PARA_Y"), D("VIEW_LIMIT1_X"), D("VIEW_LIMIT1_Y"),
                   D("VIEW_LIMIT2_X"), D("VIEW_LIMIT2_Y"), D("XD_CELL_ORIGIN"), D("YD_CELL_ORIGIN"),
                   T("XS_STATION", 12), S("XS_ELEVATION"), D("XS_X"), D("XS_Y")})
        f.push_back(d);
    return {"NODE", "Nodes", f};
}

TableDef reachTable() {
    std::vector<FieldDef> f = {K("NAME", 8),       T("SYSTEM", 8),     T("NODE1", 8),      T("NODE2", 8),
                               T("PIPE_NAME", 8),  D("BARRELS"),       D("LENGTH"),        D("HYD_LENGTH"),
                               D("ELEV1"),         D("ELEV2"),         I("CALC_PIPESIZE"), B("CALC_PIPEL"),
                               B("CALC_FROM_ELEV"), B("CALC_TO_ELEV"), D("FROM_FL_CL"),    D("TO_FL_CL"),
                               I("REACH_TYPE"),    I("DITCH_TYPE"),    D("DITCH_MANNINGS")};
    range(f, "DITCH_DIM_", 0, 6, D(""));
    for (auto d : {I("WARN_VELOCITY_MAX_OPTION"), I("WARN_NORMAL_DEPTH_MAX_OPTION"), I("WARN_EGL_DEPTH_MAX_OPTION"),
                   S("WARN_VELOCITY_MAX"), S("WARN_NORMAL_DEPTH_MAX"), S("WARN_EGL_DEPTH_MAX"), D("FR_LEN_OPTION"),
                   D("FR_LEN_LESS"), D("FR_LEN_FIXED"), D("FR_LEN_PERCENT"), D("FR_W1"), D("FR_W2"), S("FD_GND_EL"),
                   S("FD_TOP_EL"), S("FD_GW_EL"), S("FD_BOT_EL"), D("FD_DESIGN_GW_EL"), S("FD_TO_DEPTH1"),
                   S("FD_TO_DEPTH2"), S("FD_TO_DEPTH3"), D("FD_K1"), D("FD_K2"), D("FD_K3"),
                   // carried
                   D("FD_TRENCH_STORAGE"), D("FD_HGL_EL"), I("DRAIN_REACH"), I("REACH_STATUS")})
        f.push_back(d);
    return {"REACH", "Reaches", f};
}

TableDef t16Table() {
    std::vector<FieldDef> f = {K("SYSTEM", 8),   I("DRAIN_TYPE"),  T("DESIGNED BY", 30), T("CHECKED BY", 30),
                               D("AREA1"),       D("AREA2"),       D("AREA3"),           T("OUT_NODE", 8),
                               T("OUT_BL", 8),   T("OUT_STA", 12), D("OUT_OFF"),         D("OUT_EL"),
                               D("OUT_TW"),      D("EXIT_LOSS_COEFF"), T("STRUCT_NAME", 8), I("AUTO_ROTATE"),
                               I("MIRROR"),      S("ANGLE"),       I("NODE_TYPE"),       I("TOP_STATUS"),
                               I("BOTTOM_STATUS"), I("INTENSITY_METHOD"), T("ZONE", 10), D("FREQ"),
                               T("LOCATION", 20), T("FREQUENCY", 20), D("XD"),           D("YD"),
                               T("BACKGROUND_PICTURE", 200), D("EXIT_LOSS_16"), D("CONTROL_EL_16"),
                               D("PGL_STATION"), D("PGL_ELEV"),    D("PGL_X"),           D("PGL_Y"),
                               T("PRJ_STATE_ROAD", 30), D("TAILWATER_IN_FEET")};
    for (const char* n : {"FD_FREQ", "FD_WEIGHT_C", "FD_TC", "FD_AREA", "FD_1INCH", "FD_STORM_DUR", "FD_INTENSITY",
                          "FD_Q", "FD_VOLUME"})
        f.push_back(S(n));
    for (auto d : {I("JUMP_TO_CROWN"), T("XS_STATION", 12), S("XS_ELEVATION"), D("XS_X"), D("XS_Y")}) f.push_back(d);
    f.push_back(T(kHglNoteField, 255));
    return {"T16", "System Outfall && Header Details", f};
}

TableDef t6Table() {
    std::vector<FieldDef> f = {K("NAME", 8),      I("ENG_MET"),       I("GROUPP"),        T("TYPE_OF_STR_SHORT", 6),
                               D("COST_LT"),      D("COST_GT"),       D("MIN_PIPE_COVER"), D("HGL_CLEAR"),
                               D("MAX_INLET_HYD_CAPACITY"), T("DIAGRAM_CLASS_NAME", 50), S("COLUMN_ORDER"),
                               D("COST_QTY"),     D("COST_DOLLARS")};
    for (auto d : {T("STATE_OR_LOCAL_AGENCY", 100), S("COLUMN_ORDER2"), T("CELLNAME128", 128), I("DRAW_PLAN_AS_CELL"),
                   S("PLAN_CELL_SCALE"), S("PLAN_CELL_ROTATE"), I("PLAN_CELL_MIRROR"), S("PLAN_CELL_TO_OFFSET_DISTANCE"),
                   S("PLAN_CELL_OFFSET_TOPELEV"), I("DRAW_XS_AS_CELL"), T("XS_CELLNAME128", 128), S("XS_CELL_SCALE"),
                   S("XS_CELL_ROATATE"), I("XS_CELL_MIRROR"), S("HORIZ_OFFSET_TO_CELL"), S("HORIZ_OFFSET_TO_HOOK"),
                   S("VERT_TOP_ELEV_TO_CELL"), S("VERT_TOP_ELEV_TO_HOOK")})
        f.push_back(d);
    range(f, "LABELPLN", 6, 8, T("", 50));
    range(f, "LABELPRO", 6, 8, T("", 50));
    range(f, "LABELXS", 6, 8, T("", 50));
    for (auto d : {I("XS_DRAWN_BY_TOP_ONLY"), I("XS_TOP_BOTTOM_SAME_WIDTH"), I("SUMP_WEEP_HOLE_IN_PROFILE"),
                   I("SUMP_WEEP_HOLE_IN_XS"), I("ACTIVE"), T("AGENCY", 50), T("STRUCTURE_TYPE", 20),
                   T("DESC_SHORT", 10), T("DESC_LONG", 100), I("NE_LOCATES"), S("NE_REACHES_INTERSECT"),
                   I("NE_REACHES_INTERSECT_AWAY"), S("NE_CELL_ORIGIN"), I("NE_CELL_ORIGIN_AWAY"), S("NE_INLET_ELEV"),
                   I("NE_INLET_ELEV_AWAY"), I("NODE_AUTO_ROTATE_METHOD"), I("XS_LABEL_CLASS"), I("RISER_SHAPE"),
                   S("RISER_LENGTH"), S("TOP_SLAB_THICKNESS"), S("SUMP_DIAMETER"), T("LABELXS9", 50),
                   T("LABELXS10", 50), T("EW_CODE", 10), T("EW_PIPE_NAME", 8), S("EW_PIPE_HT"), S("EW_SLOPE")})
        f.push_back(d);
    range(f, "EW_DIM", 0, 5, S(""));
    return {"T6", "Structure Definitions", f};
}

TableDef t7Table() {
    return {"T7",
            "Pipe Definitions",
            {K("NAME", 8), I("ENG_MET"), I("GROUPP"), T("DS_DESC", 50), D("HEIGHT"), D("WIDTH"), D("AREA"),
             D("THICKNESS"), D("N"), D("COST"), S("COLUMN_ORDER"), T("COLUMN_IDENTIFIER", 20), D("COST_QTY"),
             D("COST_DOLLARS")}};
}

TableDef t0Table() {
    std::vector<FieldDef> f = {T("CURRENT_SYSTEM", 8), B("ENGLISH_METRIC"), T("PRJ_NUMBER", 30), T("PRJ_DESC", 100),
                               T("PRJ_COUNTY", 30),   T("PRJ_STATE_ROAD", 30), I("NEXT_NODE_USE_PREFIX"),
                               T("NEXT_NODE_PREFIX", 6), I("NEXT_NODE_NUMBER")};
    range(f, "JC", 1, 14, D(""));
    f.push_back(I("FRENCH_DRAIN_JURIS"));
    range(f, "PIPE_CLASS_", 0, 11, T("", 30));
    for (auto d : {L("COLOR_LABELS"), L("RESULTS_BACKCOLOR"), L("RESULTS_FORECOLOR"), I("STATION_MODE"),
                   S("STATION_INC"), T("STATION_START", 15), I("STATION_DEC"), I("OFFSET_MODE")})
        f.push_back(d);
    range(f, "OFFSET_NEAR", 0, 5, S(""));
    for (auto d : {I("OFFSET_DEC"), I("PLAN_TEMPLATE_RECNUM"), T("CELL_LIBRARY_PLAN", 255),
                   T("CELL_LIBRARY_PROFILE", 255), T("CELL_LIBRARY_XS", 255), I("PROFILE_TEMPLATE_RECNUM")})
        f.push_back(d);
    f.push_back(B(kSurveyCoordinatesField));
    return {"T0", "Project Setup Data", f};
}

TableDef t60Table() {
    std::vector<FieldDef> f = {T("SYSTEM", 8), T("FROM", 8), T("TO", 8), T("STATION", 12), D("OFFSET"),
                               T("BL_NAME", 20), T("TYPE", 10), T("TYPE_OF_STR_SHORT", 6), I("SEQUENCER"), D("LENGTH")};
    for (const char* n : {"C1DA", "C2DA", "C3DA", "C1DS", "C2DS", "C3DS", "C1CA", "C2CA", "C3CA"}) f.push_back(D(n));
    for (const char* n : {"RUNOFF_C1", "RUNOFF_C2", "RUNOFF_C3", "P_DRAINAGE_AREA", "P_WEIGHTED_C",
                          "TOTAL_DRAINAGE_AREA", "TOTAL_WEIGHTED_C", "TOTAL_TOTALCA", "P_LOCAL_CA", "P_UPSTREAM_CA"})
        f.push_back(S(n));
    for (const char* n : {"TC", "TF", "INTENSITY", "TOTALCA", "INLET_EL", "FL_UP", "FL_DN", "CL_UP", "CL_DN", "JLOSS",
                          "HGL_UP", "HGL_DN", "HGL_AT_NODE", "MIN_HGL"})
        f.push_back(D(n));
    f.push_back(T("MIN_HGL_TEXT", 20));
    for (const char* n : {"CLEARENCE", "WIDTH", "HEIGHT", "BARRELS", "VELOCITY"}) f.push_back(D(n));
    for (const char* n : {"VELOCITY_PHYS", "MIN_PHYSICAL_VELOCITY", "P_PHY_SLOPE"}) f.push_back(S(n));
    f.push_back(D("CAPACITY"));
    f.push_back(T("FLOW_COND", 10));
    for (const char* n : {"P_EGL_DEPTH", "P_NORMAL_DEPTH", "P_CRIT_DEPTH", "WARN_VELOCITY_MAX",
                          "WARN_NORMAL_DEPTH_MAX", "WARN_EGL_DEPTH_MAX"})
        f.push_back(S(n));
    f.push_back(T("DITCH_TYPE_RPT", 20));
    f.push_back(T("DITCH_DESC_1_RPT", 50));
    f.push_back(T("DITCH_DESC_2_RPT", 50));
    for (const char* n : {"DW_FLOW_REDUCTION", "DW_FLOW_REDUCTION_SUB", "FD_FLOW_REDUCTION", "FD_FLOW_REDUCTION_SUB",
                          "HGL_MINIMUM", "FD_EXFIL_CFS"})
        f.push_back(S(n));
    // written by the hydraulics run alongside the tabulation
    for (const char* n : {"Q", "Qbase", "Qbasetot", "Qro", "N"}) f.push_back(D(n));
    return {"T60", "Hydraulics Analysis Data", f};
}

TableDef t27Table() {
    std::vector<FieldDef> f = {{"RECNUM", FT::Integer, 0, true}};
    range(f, "LVSINT", 1, 30, I(""));
    range(f, "LVSSGL", 1, 18, S(""));
    return {"T27", "Program Setup", f};
}

std::vector<TableDef> buildTables() {
    std::vector<TableDef> t;
    t.push_back(t0Table());
    t.push_back({"T1", "Table 1", {T("SYSTEM", 8), T("DESCRIPTION", 100)}});
    t.push_back({"T2", "IDF Curve Data", {T("Zone", 10), T("Freq", 10), S("A"), S("B"), S("C"), S("D")}});
    t.push_back(nodeTable());
    t.push_back(reachTable());
    t.push_back(t6Table());
    t.push_back(t7Table());
    t.push_back(t60Table());
    t.push_back({"T85",
                 "User Defined Storm Event Data",
                 {T("LOCATION", 20), T("FREQUENCY", 20), S("TIME"), S("INTENSITY")}});
    t.push_back(t16Table());
    t.push_back(t27Table());
    t.push_back({"T30", "Spread Bypass Table", {T("SYSTEM", 8), T("NAME", 8), T("NODE1", 8), T("NODE2", 8), I("RENUMBER")}});
    t.push_back({"T29", "List Table", {I("LIST_ID"), T("LIST_NAME", 50), T("ITEM", 100), S("ITEM_VALUE")}});
    t.push_back({"T177",
                 "Import Setups",
                 {T("SETUP_NAME", 50), I("TYPE"), I("DEFAULT"), T("IMPORT_COLUMN_HEADER", 50), T("KOLV_DEST_FIELD", 50),
                  T("IMPORT_STRUCTURE_DESC", 100), T("KOLV_STRUCTURE_NAME", 8), T("IMPORT_PIPE_DESC", 100),
                  T("KOLV_PIPE_NAME", 8)}});
    // The design criteria of the project, one row per criterion, values in the project's units
    // (an empty value leaves the limit to each structure). Made when first saved.
    t.push_back({"DESIGN_CRITERIA", "Design Criteria", {T("NAME", 40), D("VALUE")}});
    // Why Step 2 gave each reach its pipe, and the value that decided it: QUANTITY "velocity" (ft/s)
    // or "slope" (friction slope, percent).
    t.push_back({"SIZING_BASIS",
                 "Pipe Sizing Basis",
                 {T("SYSTEM", 8), T("REACH", 8), T("RULE", 30), T("QUANTITY", 10), D("VALUE"), D("LIMIT")}});
    // Check storms of a system: per scenario its return period and rainfall factor, and per
    // node the grade line of its run (feet and cfs, like T60).
    t.push_back({"SCENARIO_RESULTS",
                 "Check Storm Results",
                 {T("SCENARIO", 30), T("SYSTEM", 8), T("FREQUENCY", 10), D("INTENSITY_FACTOR"), T("NODE", 8),
                  T("TO_NODE", 8), D("INLET_EL"), D("HGL_AT_NODE"), D("HGL_UP"), D("HGL_DN"), D("Q")}});
    // The listing of the last run of each design step per system, with a fingerprint of the
    // system's data as the run left it (a window opened later shows it, marked when it is older
    // than the data). Made by the first run.
    t.push_back({"STEP_RUNS",
                 "Design Step Runs",
                 {T("STEP", 20), T("SYSTEM", 8), T("STAMP", 16), FieldDef{"LINES", FT::Memo}}});
    return t;
}

std::vector<std::string> names(std::initializer_list<const char*> l) { return {l.begin(), l.end()}; }

void addRange(std::vector<std::string>& v, const std::string& prefix, int from, int to) {
    for (int i = from; i <= to; ++i) v.push_back(prefix + std::to_string(i));
}

std::vector<std::vector<UpgradeChecklist>> buildUpgradeSteps() {
    UpgradeChecklist node{"NODE", "NODE", names({"SYSTEM_OUTFALL_SWITCH", "TAILWATER_ELEV", "EXIT_LOSS_COEFF"})};
    addRange(node.fields, "DW_STAGE", 1, 8);
    addRange(node.fields, "DW_DISCHARGE", 1, 8);
    for (auto n : {"SEQUENCER", "DRAIN_NODE", "DPREL_X", "DPREL_Y", "DPREL_OFFSET", "DPREL_ELEV", "PARA_X", "PARA_Y",
                   "VIEW_LIMIT1_X", "VIEW_LIMIT1_Y", "VIEW_LIMIT2_X", "VIEW_LIMIT2_Y", "MIN_HGL", "NODE_TYPE",
                   "RUNOFF_C1", "RUNOFF_C2", "RUNOFF_C3", "CALC_RUNOFF_C1", "CALC_RUNOFF_C2", "CALC_RUNOFF_C3",
                   "TOP_STATUS", "BOTTOM_STATUS", "XD_CELL_ORIGIN", "YD_CELL_ORIGIN", "XS_STATION", "XS_ELEVATION",
                   "XS_X", "XS_Y"})
        node.fields.push_back(n);

    UpgradeChecklist t6{"T6", "STRUCTURE DEFINITION",
                        names({"STATE_OR_LOCAL_AGENCY", "COLUMN_ORDER", "COLUMN_ORDER2", "CELLNAME128",
                               "DRAW_PLAN_AS_CELL", "PLAN_CELL_SCALE", "PLAN_CELL_ROTATE", "PLAN_CELL_MIRROR",
                               "PLAN_CELL_TO_OFFSET_DISTANCE", "PLAN_CELL_OFFSET_TOPELEV", "DRAW_XS_AS_CELL",
                               "XS_CELLNAME128", "XS_CELL_SCALE", "XS_CELL_ROATATE", "XS_CELL_MIRROR",
                               "HORIZ_OFFSET_TO_CELL", "HORIZ_OFFSET_TO_HOOK", "VERT_TOP_ELEV_TO_CELL",
                               "VERT_TOP_ELEV_TO_HOOK"})};
    addRange(t6.fields, "LABELPLN", 6, 8);
    addRange(t6.fields, "LABELPRO", 6, 8);
    addRange(t6.fields, "LABELXS", 6, 8);
    for (auto n : {"XS_DRAWN_BY_TOP_ONLY", "XS_TOP_BOTTOM_SAME_WIDTH", "SUMP_WEEP_HOLE_IN_PROFILE",
                   "SUMP_WEEP_HOLE_IN_XS", "ACTIVE", "AGENCY", "STRUCTURE_TYPE", "DESC_SHORT", "DESC_LONG",
                   "NE_LOCATES", "NE_REACHES_INTERSECT", "NE_REACHES_INTERSECT_AWAY", "NE_CELL_ORIGIN",
                   "NE_CELL_ORIGIN_AWAY", "NE_INLET_ELEV", "NE_INLET_ELEV_AWAY", "NODE_AUTO_ROTATE_METHOD",
                   "XS_LABEL_CLASS", "RISER_SHAPE", "RISER_LENGTH", "TOP_SLAB_THICKNESS", "SUMP_DIAMETER", "LABELXS9",
                   "LABELXS10", "TYPE_OF_STR_SHORT", "EW_CODE", "EW_PIPE_NAME", "EW_PIPE_HT", "EW_SLOPE"})
        t6.fields.push_back(n);
    addRange(t6.fields, "EW_DIM", 0, 5);

    UpgradeChecklist t7{"T7", "PIPE DEFINITION", names({"COLUMN_ORDER"})};

    UpgradeChecklist reach{"REACH", "REACH",
                           names({"FD_GND_EL", "FD_TOP_EL", "FD_GW_EL", "FD_BOT_EL", "FD_TO_DEPTH1", "FD_TO_DEPTH2",
                                  "FD_TO_DEPTH3", "FD_K1", "FD_K2", "FD_K3", "FD_TRENCH_STORAGE", "FD_HGL_EL",
                                  "DRAIN_REACH", "FD_DESIGN_GW_EL", "REACH_TYPE", "DITCH_TYPE", "DITCH_MANNINGS"})};
    addRange(reach.fields, "DITCH_DIM_", 0, 6);
    for (auto n : {"WARN_VELOCITY_MAX_OPTION", "WARN_NORMAL_DEPTH_MAX_OPTION", "WARN_EGL_DEPTH_MAX_OPTION",
                   "WARN_VELOCITY_MAX", "WARN_NORMAL_DEPTH_MAX", "WARN_EGL_DEPTH_MAX", "CALC_PIPESIZE",
                   "REACH_STATUS"})
        reach.fields.push_back(n);

    UpgradeChecklist t16{"T16", "SYSTEM",
                         names({"FD_FREQ", "FD_WEIGHT_C", "FD_TC", "FD_AREA", "FD_1INCH", "FD_STORM_DUR",
                                "FD_INTENSITY", "FD_Q", "FD_VOLUME", "STRUCT_NAME", "AUTO_ROTATE", "MIRROR", "ANGLE",
                                "DRAIN_TYPE", "INTENSITY_METHOD", "LOCATION", "FREQUENCY", "NODE_TYPE", "TOP_STATUS",
                                "BOTTOM_STATUS", "JUMP_TO_CROWN", "BACKGROUND_PICTURE", "XS_STATION", "XS_ELEVATION",
                                "XS_X", "XS_Y", "PRJ_STATE_ROAD"})};

    UpgradeChecklist t60{"T60", "HYDRAULIC COMPUTATION RESULTS",
                         names({"VELOCITY_PHYS", "HGL_MINIMUM", "FD_EXFIL_CFS", "SEQUENCER", "P_PHY_SLOPE", "MIN_HGL",
                                "MIN_HGL_TEXT", "DW_FLOW_REDUCTION", "DW_FLOW_REDUCTION_SUB", "FD_FLOW_REDUCTION",
                                "FD_FLOW_REDUCTION_SUB", "RUNOFF_C1", "RUNOFF_C2", "RUNOFF_C3", "P_DRAINAGE_AREA",
                                "P_WEIGHTED_C", "TOTAL_DRAINAGE_AREA", "TOTAL_WEIGHTED_C", "TOTAL_TOTALCA",
                                "P_LOCAL_CA", "P_UPSTREAM_CA", "DITCH_TYPE_RPT", "DITCH_DESC_1_RPT",
                                "DITCH_DESC_2_RPT", "P_EGL_DEPTH", "WARN_VELOCITY_MAX", "WARN_NORMAL_DEPTH_MAX",
                                "WARN_EGL_DEPTH_MAX", "P_NORMAL_DEPTH", "P_CRIT_DEPTH", "BL_NAME",
                                "TYPE_OF_STR_SHORT", "MIN_PHYSICAL_VELOCITY"})};

    UpgradeChecklist t0{"T0", "PROJECT SETUP",
                        names({"STATION_MODE", "STATION_INC", "STATION_START", "STATION_DEC", "OFFSET_MODE"})};
    addRange(t0.fields, "OFFSET_NEAR", 0, 5);
    for (auto n : {"OFFSET_DEC", "PLAN_TEMPLATE_RECNUM", "CELL_LIBRARY_PLAN", "CELL_LIBRARY_PROFILE",
                   "CELL_LIBRARY_XS", "PROFILE_TEMPLATE_RECNUM", "PRJ_STATE_ROAD"})
        t0.fields.push_back(n);

    UpgradeChecklist t6b{"T6", "STRUCTURE DEFINITION", names({"DIAGRAM_CLASS_NAME"})};
    UpgradeChecklist t0b{"T0", "PROJECT SETUP", {}};
    addRange(t0b.fields, "PIPE_CLASS_", 0, 11);
    for (auto n : {"NEXT_NODE_USE_PREFIX", "NEXT_NODE_PREFIX", "NEXT_NODE_NUMBER"}) t0b.fields.push_back(n);

    return {{node, t6, t7, reach, t16, t60, t0}, {t6b, t0b}};
}

}  // namespace

std::string FieldDef::declaredType() const {
    switch (type) {
    case FT::Integer: return "SMALLINT";
    case FT::Long: return "INTEGER";
    case FT::Single: return "FLOAT";
    case FT::Double: return "DOUBLE";
    case FT::Text: return fmt::format("VARCHAR({})", size);
    case FT::YesNo: return "YESNO";
    case FT::Memo: return "TEXT";
    }
    return "TEXT";
}

const FieldDef* TableDef::field(std::string_view n) const {
    for (const auto& f : fields)
        if (equalsIgnoreCase(f.name, n)) return &f;
    return nullptr;
}

const std::vector<TableDef>& schemaTables() {
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

const TableDef* schemaTable(std::string_view name) {
    for (const auto& t : schemaTables())
        if (equalsIgnoreCase(t.name, name)) return &t;
    return nullptr;
}

FieldDef fieldFromDeclared(const std::string& name, const std::string& declared) {
    std::string d = toUpper(trim(declared));
    if (d == "SMALLINT") return {name, FT::Integer};
    if (d == "INTEGER" || d == "INT" || d == "LONG") return {name, FT::Long};
    if (d == "FLOAT" || d == "SINGLE") return {name, FT::Single};
    if (d == "DOUBLE" || d == "REAL") return {name, FT::Double};
    if (d == "YESNO" || d == "BOOLEAN") return {name, FT::YesNo};
    if (d.rfind("VARCHAR(", 0) == 0) return {name, FT::Text, std::atoi(d.c_str() + 8)};
    return {name, FT::Memo};
}

std::string columnDefinition(const FieldDef& f) {
    std::string d = quoteIdent(f.name) + " " + f.declaredType();
    // Names compare without regard to case, as engineers type them.
    if (f.type == FT::Text || f.type == FT::Memo) d += " COLLATE NOCASE";
    if (f.key) d += " NOT NULL UNIQUE";
    return d;
}

std::string quoteIdent(std::string_view ident) {
    std::string r = "\"";
    for (char c : ident) {
        if (c == '"') r += '"';
        r += c;
    }
    return r + "\"";
}

std::string createTableSql(const TableDef& t) {
    std::string sql = "CREATE TABLE " + quoteIdent(t.name) + " (";
    bool first = true;
    for (const auto& f : t.fields) {
        if (!first) sql += ", ";
        first = false;
        sql += columnDefinition(f);
    }
    return sql + ")";
}

const std::vector<std::vector<UpgradeChecklist>>& upgradeSteps() {
    static const auto steps = buildUpgradeSteps();
    return steps;
}

const std::vector<OpenStep>& openOrder() {
    static const std::vector<OpenStep> order = {
        {"T0", 5, 55},    {"T1", 7, 57},    {"T2", 10, 60},   {"NODE", 15, 65}, {"REACH", 20, 70}, {"T6", 25, 75},
        {"T7", 30, 80},   {"T60", 35, 85},  {"T85", 40, 90},  {"T16", 45, 95},  {"T27", 50, 97},   {"T30", 52, 99}};
    return order;
}

}  // namespace kolv::db
