// Template names, selection formulas and sort fields of the report commands.
#include "reports/report_commands.h"

#include "common/text.h"
#include "reports/report_engine.h"

namespace kolv::reports {

std::string formulaText(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("''") : std::string(1, c);
    return q + "'";
}

ReportRequest reportRequest(ReportCommand command, const std::string& system, bool metric,
                            const LayoutOptions& layout) {
    const std::string sys = formulaText(trim(system));
    const std::string engMet = metric ? "1" : "0";
    using V = LayoutOptions::Variant;
    switch (command) {
    case ReportCommand::Nodes: return {"NODES.RPT", "{NODE.SYSTEM} = " + sys, ""};
    case ReportCommand::Reaches: return {"REACHES.RPT", "{REACH.SYSTEM} = " + sys, ""};
    case ReportCommand::Pipes: return {"PIPES.RPT", "{T7.ENG_MET} = " + engMet, "+{T7.GROUPP}"};
    case ReportCommand::Structures: return {"STRUCTS.RPT", "{T6.ENG_MET} = " + engMet, ""};
    case ReportCommand::TimesOfConcentration:
        return {"TC.RPT",
                "{NODE.SYSTEM} = " + sys +
                    " and ({NODE.TC_SEGTT0} > 0 or {NODE.TC_SEGTT1} > 0 or {NODE.TC_SEGTT2} > 0 or "
                    "{NODE.TC_SEGTT3} > 0 or {NODE.TC_SEGTT4} > 0 or {NODE.TC_SEGTT5} > 0 or {NODE.TC_SEGTT6} >0 or "
                    "{NODE.TC_SEGTT7} > 0 or {NODE.TC_SEGTT8} > 0)",
                ""};
    case ReportCommand::IdfData: return {"IDF.RPT", "", ""};
    case ReportCommand::TimeIntensity: return {"TIME_INT.RPT", "", ""};
    case ReportCommand::StormTabs:
    case ReportCommand::ZeriTabs: {
        std::string name;
        if (layout.variant == V::Wide) name = "T60v114.RPT";
        else if (metric) name = "T60v11m.RPT";
        else if (command == ReportCommand::ZeriTabs) name = "T60v3ZERI.RPT";
        else name = layout.variant == V::Units ? "T60v11u.RPT" : "T60v11.RPT";
        return {name, "{T60.SYSTEM} = " + sys, ""};
    }
    case ReportCommand::Ditches: {
        std::string name;
        int page = layout.ditchPage < 0 || layout.ditchPage > 3 ? 0 : layout.ditchPage;
        if (metric) name = "DITCHM.RPT";
        else
            name = std::string(layout.variant == V::Units ? "DITCHu" : "DITCH") + (page ? std::to_string(page) : "") +
                   ".RPT";
        return {name, "{T60.SYSTEM} = " + sys + " and {T60.TYPE} = 'DITCH'", ""};
    }
    }
    return {};
}

const std::vector<std::string>& commandTemplates() {
    static const std::vector<std::string> names = {
        "NODES.RPT",   "REACHES.RPT",   "PIPES.RPT",     "STRUCTS.RPT",   "TC.RPT",       "IDF.RPT",
        "TIME_INT.RPT", "T60v11.RPT",   "T60v11u.RPT",   "T60v11m.RPT",   "T60v114.RPT",  "T60v3ZERI.RPT",
        "DITCH.RPT",   "DITCH1.RPT",    "DITCH2.RPT",    "DITCH3.RPT",    "DITCHu.RPT",   "DITCHu1.RPT",
        "DITCHu2.RPT", "DITCHu3.RPT",   "DITCHM.RPT"};
    return names;
}

bool commandOfTemplate(const std::string& templateName, ReportCommand& command) {
    std::string n = toUpper(trim(templateName));
    if (auto slash = n.find_last_of("/\\"); slash != std::string::npos) n = n.substr(slash + 1);
    if (n.size() < 4 || n.substr(n.size() - 4) != ".RPT") n += ".RPT";
    struct Entry {
        const char* name;
        ReportCommand command;
    };
    static const Entry fixed[] = {{"NODES.RPT", ReportCommand::Nodes},
                                  {"REACHES.RPT", ReportCommand::Reaches},
                                  {"PIPES.RPT", ReportCommand::Pipes},
                                  {"STRUCTS.RPT", ReportCommand::Structures},
                                  {"TC.RPT", ReportCommand::TimesOfConcentration},
                                  {"IDF.RPT", ReportCommand::IdfData},
                                  {"TIME_INT.RPT", ReportCommand::TimeIntensity},
                                  {"T60V3ZERI.RPT", ReportCommand::ZeriTabs}};
    for (const auto& e : fixed)
        if (n == e.name) return command = e.command, true;
    if (n.rfind("T60V11", 0) == 0) return command = ReportCommand::StormTabs, true;
    if (n.rfind("DITCH", 0) == 0) return command = ReportCommand::Ditches, true;
    return false;
}

ReportRequest requestForTemplate(const std::string& templateName, const std::string& system, bool metric) {
    ReportCommand c;
    ReportRequest r;
    if (commandOfTemplate(templateName, c)) r = reportRequest(c, system, metric);
    r.templateName = trim(templateName);
    return r;
}

std::vector<std::pair<std::string, std::string>> reportData(const ReportRequest& request,
                                                            const std::string& templatePath) {
    const std::string na = "n/a";
    std::string folder = na;
    if (auto slash = templatePath.find_last_of("/\\"); slash != std::string::npos)
        folder = templatePath.substr(0, slash + 1);
    auto orNa = [&](const std::string& s) { return trim(s).empty() ? na : s; };
    return {{"Report name", orNa(request.templateName)},
            {"Report path", folder},
            {"Selection formula", orNa(request.selection)},
            {"Sort field", orNa(request.sortField)}};
}

std::vector<std::pair<std::string, std::string>> reportDataForCommand(ReportCommand command,
                                                                      const std::string& system, bool metric,
                                                                      const std::string& reportFolder,
                                                                      const LayoutOptions& layout) {
    ReportRequest req = reportRequest(command, system, metric, layout);
    std::string path;
    try {
        path = locateTemplate(req.templateName, reportFolder);
    } catch (const TemplateError&) {
        path.clear();  // shown as "n/a"; running the report then names the folders tried
    }
    return reportData(req, path);
}

}  // namespace kolv::reports
