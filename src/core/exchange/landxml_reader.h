// Reading the pipe networks of a LandXML document (versions 1.0 to 1.2) into plain records, in the file's units.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolv::exchange {

/// The units a part of the document is written in (the `Units` element that applies to it).
struct LandXmlUnits {
    bool given = false;        ///< a Units element was found
    bool metric = false;       ///< Metric rather than Imperial
    std::string linearUnit;    ///< foot, USSurveyFoot, inch, meter, millimeter, ...
    std::string diameterUnit;  ///< "" when the file does not say
    std::string widthUnit, heightUnit;
    std::string areaUnit;      ///< acre, squareFoot, hectare, squareMeter, ...
    std::string flowUnit;      ///< cubicFeetSecond, cubicMeterSecond, literPerSecond, ...
};

/// One `Invert` of a structure.
struct LandXmlInvert {
    std::optional<double> elev;
    std::string flowDir;  ///< "in", "out", "both" or ""
    std::string refPipe;
};

/// One `Struct`.
struct LandXmlStruct {
    std::string name, desc;
    std::string kind;  ///< CircStruct, RectStruct, InletStruct, OutletStruct, Connection, or ""
    std::string kindDesc;
    std::optional<double> north, east;  ///< from Center "northing easting [elevation]"
    std::optional<double> rim, sump;
    std::optional<double> diameter, length, width;  ///< CircStruct / RectStruct size
    std::vector<LandXmlInvert> inverts;
    std::optional<double> hglIn, hglOut;
    std::map<std::string, std::string> properties;  ///< Property label -> value of its Features
};

/// Section kinds of a `Pipe`.
enum class LandXmlSection { None, Circular, Egg, Elliptical, Rectangular, Channel };

/// One `Pipe`.
struct LandXmlPipe {
    std::string name, desc, refStart, refEnd;
    std::optional<double> length, slope;
    LandXmlSection section = LandXmlSection::None;
    std::optional<double> diameter, height, span, width, widthTop, widthBottom;
    std::optional<double> mannings;
    std::string material, sectionDesc;
    std::optional<double> flowIn, areaCatchment, runoffCoeff, timeInlet, intensity;
    std::optional<double> hglUp, hglDown, depthCritical;
    std::map<std::string, std::string> properties;
};

/// One `PipeNetwork`.
struct LandXmlNetwork {
    std::string name, desc, pipeNetType;
    LandXmlUnits structUnits, pipeUnits;  ///< the document's, or those of Structs / Pipes
    std::vector<LandXmlStruct> structs;
    std::vector<LandXmlPipe> pipes;
    std::map<std::string, std::string> properties;
};

/// What the reader found.
struct LandXmlDocument {
    std::string version;    ///< "1.0", "1.1", "1.2", or "" for an unknown namespace
    std::string namespaceUri;
    LandXmlUnits units;
    std::string application;  ///< Application@name (version appended)
    std::vector<LandXmlNetwork> networks;
    std::vector<std::string> notes;  ///< what the reader passed over, for the log
};

/// The name of the program's own Feature that carries the fields LandXML has no place for.
inline constexpr const char* kLandXmlFeature = "KOLV";

/// Reads a document. Throws kolv::Error (code 53) with a message naming the fault when the text is
/// not XML or its root is not a LandXML element. Elements of other namespaces are passed over;
/// numbers that are not numbers are left empty with a note.
LandXmlDocument parseLandXml(std::string_view text);

}  // namespace kolv::exchange
