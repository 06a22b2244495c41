// Reading the pipe networks of a LandXML document (versions 1.0 to 1.2) into plain records, in the file's units.
#include "exchange/landxml_reader.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <pugixml.hpp>
#include <set>

#include "common/error.h"
#include "common/text.h"

namespace kolv::exchange {
namespace {

/// Reads the elements of the LandXML namespace only: the root's prefix ("" or "lx") is the one
/// that counts; elements under any other prefix are extensions of other programs and passed over.
class Reader {
public:
    explicit Reader(LandXmlDocument& doc) : m_doc(doc) {}

    void read(const pugi::xml_node& root) {
        const std::string rootName = root.name();
        const auto colon = rootName.find(':');
        m_prefix = colon == std::string::npos ? std::string() : rootName.substr(0, colon + 1);
        const std::string nsAttr = m_prefix.empty() ? "xmlns" : "xmlns:" + m_prefix.substr(0, m_prefix.size() - 1);
        m_doc.namespaceUri = root.attribute(nsAttr.c_str()).value();
        for (const char* v : {"1.0", "1.1", "1.2"})
            if (m_doc.namespaceUri == std::string("http://www.landxml.org/schema/LandXML-") + v) m_doc.version = v;
        if (m_doc.version.empty()) {
            m_doc.version = root.attribute("version").value();
            m_doc.notes.push_back("The document's namespace '" + m_doc.namespaceUri +
                                  "' is not one of LandXML 1.0, 1.1 or 1.2; it is read as LandXML " +
                                  (m_doc.version.empty() ? std::string("1.2") : m_doc.version) + ".");
        }
        for (pugi::xml_node n : root.children()) {
            if (n.type() != pugi::node_element) continue;
            const std::string k = local(n);
            if (k.empty()) continue;
            if (k == "Units") m_doc.units = units(n, m_doc.units);
            else if (k == "Application") {
                m_doc.application = n.attribute("name").value();
                if (*n.attribute("version").value()) m_doc.application += std::string(" ") + n.attribute("version").value();
            } else if (k == "PipeNetworks") {
                for (pugi::xml_node net : n.children())
                    if (local(net) == "PipeNetwork") m_doc.networks.push_back(network(net));
            }
        }
        if (!m_foreign.empty()) {
            std::string list;
            for (const auto& f : m_foreign) list += (list.empty() ? "" : ", ") + f;
            m_doc.notes.push_back("Elements of other namespaces were passed over: " + list + ".");
        }
    }

private:
    /// The local name of an element of the LandXML namespace, "" for any other element.
    std::string local(const pugi::xml_node& n) {
        if (n.type() != pugi::node_element) return {};
        std::string name = n.name();
        if (!m_prefix.empty()) {
            if (name.rfind(m_prefix, 0) == 0) return name.substr(m_prefix.size());
        } else if (name.find(':') == std::string::npos) {
            return name;
        }
        const auto colon = name.find(':');
        if (colon != std::string::npos && m_foreign.size() < 10) m_foreign.insert(name.substr(0, colon));
        return {};
    }

    /// A number attribute; empty (with a note) when it is written but not a number.
    std::optional<double> number(const pugi::xml_node& n, const char* attr, const std::string& owner) {
        pugi::xml_attribute a = n.attribute(attr);
        if (!a) return std::nullopt;
        std::optional<double> v = parse(a.value());
        if (!v && m_doc.notes.size() < 1000)
            m_doc.notes.push_back(owner + ": " + attr + " '" + a.value() + "' is not a number and was left empty.");
        return v;
    }

    static std::optional<double> parse(std::string_view s) {
        std::string t = trim(s);
        if (t.empty()) return std::nullopt;
        const char* b = t.data();
        if (*b == '+') ++b;
        double v = 0;
        auto [p, ec] = std::from_chars(b, t.data() + t.size(), v, std::chars_format::general);
        if (ec != std::errc() || p != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
        return v;
    }

    LandXmlUnits units(const pugi::xml_node& n, LandXmlUnits inherited) {
        for (pugi::xml_node u : n.children()) {
            const std::string k = local(u);
            if (k != "Metric" && k != "Imperial") continue;
            LandXmlUnits r;
            r.given = true;
            r.metric = k == "Metric";
            r.linearUnit = u.attribute("linearUnit").value();
            r.diameterUnit = u.attribute("diameterUnit").value();
            r.widthUnit = u.attribute("widthUnit").value();
            r.heightUnit = u.attribute("heightUnit").value();
            r.areaUnit = u.attribute("areaUnit").value();
            r.flowUnit = u.attribute("flowUnit").value();
            return r;
        }
        return inherited;
    }

    /// Property label -> value of the program's own Features among the children of `n`.
    void features(const pugi::xml_node& n, std::map<std::string, std::string>& out) {
        for (pugi::xml_node f : n.children()) {
            if (local(f) != "Feature") continue;
            if (std::strcmp(f.attribute("code").value(), kLandXmlFeature) != 0 &&
                std::strcmp(f.attribute("name").value(), kLandXmlFeature) != 0)
                continue;
            for (pugi::xml_node p : f.children())
                if (local(p) == "Property") out[p.attribute("label").value()] = p.attribute("value").value();
        }
    }

    LandXmlNetwork network(const pugi::xml_node& n) {
        LandXmlNetwork net;
        net.name = n.attribute("name").value();
        net.desc = n.attribute("desc").value();
        net.pipeNetType = n.attribute("pipeNetType").value();
        net.structUnits = net.pipeUnits = m_doc.units;
        features(n, net.properties);
        for (pugi::xml_node part : n.children()) {
            const std::string k = local(part);
            if (k == "Structs") {
                for (pugi::xml_node s : part.children()) {
                    const std::string sk = local(s);
                    if (sk == "Units") net.structUnits = units(s, net.structUnits);
                    else if (sk == "Struct") net.structs.push_back(structure(s));
                }
            } else if (k == "Pipes") {
                for (pugi::xml_node p : part.children()) {
                    const std::string pk = local(p);
                    if (pk == "Units") net.pipeUnits = units(p, net.pipeUnits);
                    else if (pk == "Pipe") net.pipes.push_back(pipe(p));
                }
            }
        }
        return net;
    }

    LandXmlStruct structure(const pugi::xml_node& n) {
        LandXmlStruct s;
        s.name = n.attribute("name").value();
        s.desc = n.attribute("desc").value();
        const std::string owner = "Structure '" + s.name + "'";
        s.rim = number(n, "elevRim", owner);
        s.sump = number(n, "elevSump", owner);
        for (pugi::xml_node c : n.children()) {
            const std::string k = local(c);
            if (k == "Center") {
                // "northing easting [elevation]"; a CgPoint reference carries no text here.
                std::vector<double> xs;
                for (const std::string& w : split(trim(c.text().get()), ' ')) {
                    if (trim(w).empty()) continue;
                    auto v = parse(w);
                    if (!v) {
                        xs.clear();
                        break;
                    }
                    xs.push_back(*v);
                }
                if (xs.size() >= 2) {
                    s.north = xs[0];
                    s.east = xs[1];
                } else if (m_doc.notes.size() < 1000) {
                    m_doc.notes.push_back(owner + ": Center '" + trim(c.text().get()) +
                                          "' is not \"northing easting\"; its coordinates were left empty.");
                }
            } else if (k == "CircStruct" || k == "RectStruct" || k == "InletStruct" || k == "OutletStruct" ||
                       k == "Connection") {
                s.kind = k;
                s.kindDesc = c.attribute("desc").value();
                s.diameter = number(c, "diameter", owner);
                s.length = number(c, "length", owner);
                s.width = number(c, "width", owner);
            } else if (k == "Invert") {
                LandXmlInvert inv;
                inv.elev = number(c, "elev", owner);
                inv.flowDir = toLower(trim(c.attribute("flowDir").value()));
                inv.refPipe = c.attribute("refPipe").value();
                s.inverts.push_back(inv);
            } else if (k == "StructFlow") {
                s.hglIn = number(c, "hglIn", owner);
                s.hglOut = number(c, "hglOut", owner);
            }
        }
        features(n, s.properties);
        return s;
    }

    LandXmlPipe pipe(const pugi::xml_node& n) {
        LandXmlPipe p;
        p.name = n.attribute("name").value();
        p.desc = n.attribute("desc").value();
        p.refStart = n.attribute("refStart").value();
        p.refEnd = n.attribute("refEnd").value();
        const std::string owner = "Pipe '" + p.name + "'";
        p.length = number(n, "length", owner);
        p.slope = number(n, "slope", owner);
        for (pugi::xml_node c : n.children()) {
            const std::string k = local(c);
            LandXmlSection kind = LandXmlSection::None;
            if (k == "CircPipe") kind = LandXmlSection::Circular;
            else if (k == "EggPipe") kind = LandXmlSection::Egg;
            else if (k == "ElliPipe") kind = LandXmlSection::Elliptical;
            else if (k == "RectPipe") kind = LandXmlSection::Rectangular;
            else if (k == "Channel") kind = LandXmlSection::Channel;
            if (kind != LandXmlSection::None) {
                p.section = kind;
                p.diameter = number(c, "diameter", owner);
                p.height = number(c, "height", owner);
                p.span = number(c, "span", owner);
                p.width = number(c, "width", owner);
                p.widthTop = number(c, "widthTop", owner);
                p.widthBottom = number(c, "widthBottom", owner);
                p.mannings = number(c, "mannings", owner);
                p.material = c.attribute("material").value();
                p.sectionDesc = c.attribute("desc").value();
            } else if (k == "PipeFlow") {
                p.flowIn = number(c, "flowIn", owner);
                p.areaCatchment = number(c, "areaCatchment", owner);
                p.runoffCoeff = number(c, "runoffCoeff", owner);
                p.timeInlet = number(c, "timeInlet", owner);
                p.intensity = number(c, "intensity", owner);
                p.hglUp = number(c, "hglUp", owner);
                p.hglDown = number(c, "hglDown", owner);
                p.depthCritical = number(c, "depthCritical", owner);
            }
        }
        features(n, p.properties);
        return p;
    }

    LandXmlDocument& m_doc;
    std::string m_prefix;
    std::set<std::string> m_foreign;
};

}  // namespace

LandXmlDocument parseLandXml(std::string_view text) {
    pugi::xml_document xml;
    pugi::xml_parse_result ok = xml.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
    if (!ok)
        throw InputError(std::string("The file is not a LandXML document: ") + ok.description() + " at byte " +
                             std::to_string(ok.offset) + ".",
                         kErrFileNotFound);
    pugi::xml_node root = xml.document_element();
    std::string rootName = root.name();
    const auto colon = rootName.find(':');
    if (colon != std::string::npos) rootName = rootName.substr(colon + 1);
    if (rootName != "LandXML")
        throw InputError("The file is not a LandXML document: its root element is '" + std::string(root.name()) +
                             "', not 'LandXML'.",
                         kErrFileNotFound);
    LandXmlDocument doc;
    Reader(doc).read(root);
    return doc;
}

}  // namespace kolv::exchange
