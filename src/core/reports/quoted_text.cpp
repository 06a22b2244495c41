// Reading a quoted text in a formula or an expression.
#include "reports/quoted_text.h"

namespace kolv::reports {

std::optional<std::string> readQuotedText(const std::string& s, std::size_t& i) {
    const char quote = s[i];
    std::string v;
    for (std::size_t k = i + 1; k < s.size(); ++k) {
        if (s[k] != quote) {
            v += s[k];
            continue;
        }
        if (k + 1 < s.size() && s[k + 1] == quote) {  // doubled quote = one quote mark
            v += quote;
            ++k;
            continue;
        }
        i = k + 1;
        return v;
    }
    return std::nullopt;
}

}  // namespace kolv::reports
