// Text view of a laid-out document.
#include "reports/document.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace kolv::reports {

std::vector<std::vector<std::string>> pageLines(const Document& doc) {
    std::vector<std::vector<std::string>> out;
    for (const Page& page : doc.pages) {
        // Baselines rounded to 0.1 pt so runs laid out on one line group together.
        std::map<long, std::vector<const TextRun*>> lines;
        for (const TextRun& r : page.texts) lines[std::lround(r.baseline * 10)].push_back(&r);
        std::vector<std::string> text;
        for (auto& [y, runs] : lines) {
            std::stable_sort(runs.begin(), runs.end(), [](const TextRun* a, const TextRun* b) { return a->x < b->x; });
            std::string line;
            for (const TextRun* r : runs) {
                if (r->text.empty()) continue;
                if (!line.empty()) line += "  ";
                line += r->text;
            }
            text.push_back(line);
        }
        out.push_back(std::move(text));
    }
    return out;
}

}  // namespace kolv::reports
