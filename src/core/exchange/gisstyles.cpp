#include "core/exchange/gisstyles.h"

#include "core/geometry/planview.h"

#include <cstdio>

namespace corvane {

namespace {

std::string option(const std::string& name, const std::string& value) {
    return "<Option name=\"" + name + "\" type=\"QString\" value=\"" + value + "\"/>";
}

std::string document(const std::string& body, bool labels) {
    return std::string("<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n") +
           "<qgis version=\"3.28.0\" styleCategories=\"Symbology|Labeling\" labelsEnabled=\"" +
           (labels ? "1" : "0") + "\">\n" + body + "</qgis>\n";
}

// A line symbol: width in millimetres, a custom dash in widths of the pen, "" for solid.
std::string lineSymbol(int name, const std::string& colour, double width,
                       const std::string& penStyle, const std::string& customDash) {
    char w[32];
    std::snprintf(w, sizeof w, "%.2f", width);
    return "<symbol type=\"line\" name=\"" + std::to_string(name) +
           "\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">"
           "<layer class=\"SimpleLine\" enabled=\"1\" locked=\"0\" pass=\"0\"><Option "
           "type=\"Map\">" +
           option("line_color", colour) + option("line_width", w) +
           option("line_width_unit", "MM") + option("line_style", penStyle) +
           option("capstyle", "flat") + option("joinstyle", "miter") +
           option("use_custom_dash", customDash.empty() ? "0" : "1") +
           option("customdash", customDash.empty() ? "5;2" : customDash) +
           option("customdash_unit", "MM") + "</Option></layer></symbol>\n";
}

std::string category(const std::string& value, int symbol, const std::string& label) {
    return "<category value=\"" + value + "\" symbol=\"" + std::to_string(symbol) + "\" label=\"" +
           label + "\" render=\"true\"/>\n";
}

std::string markerSymbol(int name, const std::string& shape, double size) {
    char s[32];
    std::snprintf(s, sizeof s, "%.2f", size);
    return "<symbol type=\"marker\" name=\"" + std::to_string(name) +
           "\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">"
           "<layer class=\"SimpleMarker\" enabled=\"1\" locked=\"0\" pass=\"0\"><Option "
           "type=\"Map\">" +
           option("name", shape) + option("size", s) + option("size_unit", "MM") +
           option("color", "255,255,255,255") + option("outline_color", "0,0,0,255") +
           option("outline_width", "0.2") + option("outline_width_unit", "MM") +
           "</Option></layer></symbol>\n";
}

} // namespace

std::string ParcelsStyleQml() {
    const std::string renderer =
        "<renderer-v2 type=\"singleSymbol\" symbollevels=\"0\" enableorderby=\"0\" "
        "forceraster=\"0\"><symbols>"
        "<symbol type=\"fill\" name=\"0\" alpha=\"1\" clip_to_extent=\"1\" force_rhr=\"0\">"
        "<layer class=\"SimpleFill\" enabled=\"1\" locked=\"0\" pass=\"0\"><Option type=\"Map\">" +
        option("style", "no") + option("color", "255,255,255,0") + option("outline_style", "no") +
        option("outline_color", "0,0,0,255") + option("outline_width", "0") +
        option("outline_width_unit", "MM") + "</Option></layer></symbol></symbols></renderer-v2>\n";
    // The sides are the lines layer's to draw; the parcel carries its identifier.
    const std::string labels =
        "<labeling type=\"simple\"><settings calloutType=\"simple\">"
        "<text-style fieldName=\"parcel\" isExpression=\"0\" fontFamily=\"Liberation Sans\" "
        "fontSize=\"10\" fontSizeUnit=\"Point\" textColor=\"0,0,0,255\" textOpacity=\"1\"/>"
        "<placement placement=\"1\" offsetType=\"0\" centroidWhole=\"0\" centroidInside=\"1\"/>"
        "<rendering obstacle=\"1\" drawLabels=\"1\"/></settings></labeling>\n";
    return document(renderer + labels, true);
}

std::string LinesStyleQml() {
    char longDash[32];
    // The view's long dash and its gap, in widths of the pen.
    std::snprintf(longDash, sizeof longDash, "%g;%g", kLongDash * 0.25, kLongDashGap * 0.25);
    const std::string renderer =
        "<renderer-v2 type=\"categorizedSymbol\" attr=\"class\" symbollevels=\"0\" "
        "enableorderby=\"0\" forceraster=\"0\"><categories>\n" +
        category("boundary", 0, "Boundary") + category("easement", 1, "Easement") +
        category("other", 2, "Other line") + category("context", 3, "Context") +
        "</categories><symbols>\n" + lineSymbol(0, "0,0,0,255", 0.35, "solid", "") +
        lineSymbol(1, "0,0,0,255", 0.25, "dash", "1;0.5") +
        lineSymbol(2, "0,0,0,255", 0.25, "dot", "") +
        lineSymbol(3, "128,128,128,255", 0.25, "dash", longDash) + "</symbols></renderer-v2>\n";
    return document(renderer, false);
}

std::string PointsStyleQml() {
    const std::string renderer =
        "<renderer-v2 type=\"RuleRenderer\" symbollevels=\"0\" enableorderby=\"0\" "
        "forceraster=\"0\"><rules key=\"root\">"
        "<rule key=\"marks\" label=\"Survey marks\" symbol=\"0\" "
        "filter=\"&quot;mark_type&quot; &lt;&gt; ''\"/>"
        "<rule key=\"points\" label=\"Points\" symbol=\"1\" filter=\"ELSE\"/>"
        "</rules><symbols>\n" +
        markerSymbol(0, "triangle", 2.0) + markerSymbol(1, "circle", 0.8) +
        "</symbols></renderer-v2>\n";
    return document(renderer, false);
}

} // namespace corvane
