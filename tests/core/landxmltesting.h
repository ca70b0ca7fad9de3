#pragma once

// What the LandXML tests share: documents written around a body, imports that must succeed,
// and the import report read section by section.

#include "core/exchange/landxml.h"
#include "core/files/polygons.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane::test {

// A LandXML document of the given version (its namespace with it) around the body.
inline std::string LandXmlDocument(const std::string& units, const std::string& body,
                                   const std::string& version = "1.2") {
    return "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-" +
           version + "\" version=\"" + version + "\">\n<Units>" + units + "</Units>\n" + body +
           "</LandXML>\n";
}

inline const std::string kMetricUnits = "<Metric linearUnit=\"meter\" areaUnit=\"squareMeter\" "
                                        "directionUnit=\"decimal dd.mm.ss\"/>";

// The plan imported from the text, which must be accepted.
inline ImportedPlan ImportedFrom(const std::string& text, bool fill = false) {
    LandXmlImportOptions options;
    options.FillFromCoordinates = fill;
    auto plan = ImportLandXml(text, "test.xml", options);
    EXPECT_TRUE(plan) << (plan ? "" : plan.error().message);
    return plan ? plan.value() : ImportedPlan{};
}

// The lines of the import report's section that starts with the heading, up to the next
// blank line.
inline std::vector<std::string> ReportSection(const ImportedPlan& plan,
                                              const std::string& heading) {
    std::vector<std::string> lines;
    bool in = false;
    for (const std::string& l : plan.Report) {
        if (in && l.empty())
            break;
        if (in)
            lines.push_back(l);
        in = in || l.rfind(heading, 0) == 0;
    }
    return lines;
}

inline bool ReportSays(const ImportedPlan& plan, const std::string& words) {
    return std::any_of(plan.Report.begin(), plan.Report.end(),
                       [&](const std::string& l) { return l.find(words) != std::string::npos; });
}

// Each parcel of a polygons file as its identifier and its points, as one text.
inline std::vector<std::string> ParcelTexts(const std::vector<std::string>& polygons) {
    std::vector<std::string> out;
    for (const std::string& l : polygons) {
        if (IsHeadingLine(l))
            out.push_back(ParseHeading(l).Identifier);
        else if (!out.empty())
            out.back() += " " + l;
    }
    return out;
}

} // namespace corvane::test
