// Selection formulas and sort fields: SQL with bound values, schema checks, quote marks, faults.
#include "reports/selection_formula.h"

#include <gtest/gtest.h>

#include "reports/report_commands.h"

using namespace kolv;
using reports::FormulaError;
using reports::parseSelection;

namespace {

int countOf(const std::string& s, const std::string& part) {
    int n = 0;
    for (auto p = s.find(part); p != std::string::npos; p = s.find(part, p + 1)) ++n;
    return n;
}

}  // namespace

TEST(SelectionFormula, NumbersComparisonsAndLogic) {
    auto c = parseSelection("{T6.ENG_MET} = 1");
    ASSERT_EQ(c.params.size(), 1u);
    EXPECT_TRUE(c.params[0].isInteger());
    EXPECT_EQ(c.params[0].toInt(), 1);

    c = parseSelection("not ({T7.HEIGHT} >= 1.5 OR {T7.N} < -0.25) And {T7.NAME} <> 'X' and {T7.COST} <= 40");
    EXPECT_EQ(c.where, "NOT (\"T7\".\"HEIGHT\" >= ? OR \"T7\".\"N\" < ?) AND \"T7\".\"NAME\" <> ? AND \"T7\".\"COST\" <= ?");
    ASSERT_EQ(c.params.size(), 4u);
    EXPECT_DOUBLE_EQ(c.params[0].toDouble(), 1.5);
    EXPECT_DOUBLE_EQ(c.params[1].toDouble(), -0.25);

    // The times-of-concentration formula as the command gives it (">0" without a blank included).
    auto tc = reports::reportRequest(reports::ReportCommand::TimesOfConcentration, "S1", false);
    c = parseSelection(tc.selection);
    EXPECT_EQ(c.params.size(), 10u);  // the system and nine zeros
    EXPECT_EQ(countOf(c.where, " OR "), 8);
    EXPECT_EQ(countOf(c.where, " AND ("), 1);

    EXPECT_TRUE(parseSelection("").where.empty());
    EXPECT_TRUE(parseSelection("   ").params.empty());
}

TEST(SelectionFormula, QuoteMarksStayInsideTheValue) {
    auto c = parseSelection("{NODE.SYSTEM} = 'O''HARA'");
    ASSERT_EQ(c.params.size(), 1u);
    EXPECT_EQ(c.params[0].toText(), "O'HARA");
    EXPECT_EQ(reports::formulaText("O'HARA"), "'O''HARA'");
    c = parseSelection("{NODE.NAME} = \"say \"\"hi\"\"\"");
    EXPECT_EQ(c.params[0].toText(), "say \"hi\"");
    // a system name written to break out of the quotes stays one bound value
    c = parseSelection(reports::reportRequest(reports::ReportCommand::Nodes, "S1' or '1'='1", false).selection);
    ASSERT_EQ(c.params.size(), 1u);
    EXPECT_EQ(c.params[0].toText(), "S1' or '1'='1");
}

TEST(SelectionFormula, MalformedFormulasAreRefusedWithThePlace) {
    struct Case {
        const char* formula;
        const char* expect;  // part of the message
    };
    for (const Case& k : {Case{"{NODE.SYSTEM} = 'S1", "not closed"},
                          Case{"{NODE.SYSTEM = 'S1'", "not closed with '}'"},
                          Case{"{NODE.NOSUCH} = 1", "has no field NOSUCH"},
                          Case{"{T99.SYSTEM} = 1", "no table T99"},
                          Case{"{SYSTEM} = 'S1'", "{TABLE.FIELD}"},
                          Case{"{NODE.SYSTEM} = ", "ends where a field or value was expected"},
                          Case{"{NODE.SYSTEM} = 'S1' and", "ends where"},
                          Case{"{NODE.SYSTEM} = 'S1' 'S2'", "follows a complete condition"},
                          Case{"({NODE.SYSTEM} = 'S1'", "closing ')'"},
                          Case{"{NODE.SYSTEM} == 'S1'", "a field or value was expected"},
                          Case{"1 = 1", "at least one field"},
                          Case{"{NODE.SYSTEM} = S1", "'S1' is not understood"},
                          Case{"{NODE.TC} > 0 ; drop", "';' is not understood"}}) {
        try {
            parseSelection(k.formula);
            ADD_FAILURE() << "accepted: " << k.formula;
        } catch (const FormulaError& e) {
            std::string m = e.what();
            EXPECT_NE(m.find(k.expect), std::string::npos) << k.formula << " -> " << m;
            EXPECT_NE(m.find("at character"), std::string::npos) << m;
        }
    }
    // A field of another table than the report's records.
    EXPECT_THROW(parseSelection("{REACH.SYSTEM} = 'S1'", {"NODE"}), FormulaError);
}

TEST(SortField, SignGivesTheDirection) {
    EXPECT_EQ(reports::parseSortField("+{T7.GROUPP}"), "\"T7\".\"GROUPP\" ASC");
    EXPECT_EQ(reports::parseSortField("-{t7.name}"), "\"T7\".\"NAME\" DESC");
    EXPECT_EQ(reports::parseSortField("{T7.AREA}"), "\"T7\".\"AREA\" ASC");
    EXPECT_EQ(reports::parseSortField(""), "");
    EXPECT_THROW(reports::parseSortField("+T7.GROUPP"), FormulaError);
    EXPECT_THROW(reports::parseSortField("+{T7.GROUP}"), FormulaError);
    EXPECT_THROW(reports::parseSortField("+{T6.NAME}", {"T7"}), FormulaError);
}
