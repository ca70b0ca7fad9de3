// Map grid coordinates from LandXML: a plan lodged on MGA keeps its marks' coordinates, and
// the plan made from it fits back onto them.
#include "core/base/textfile.h"
#include "core/exchange/landxml.h"
#include "core/files/gridmarks.h"
#include "core/files/linesfile.h"
#include "core/geometry/gridfit.h"
#include "core/geometry/plancoords.h"
#include "core/model/pointlabel.h"

#include "tests/core/landxmlschema.h"
#include "tests/core/landxmltesting.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace corvane {
namespace {

const std::string kFixture = CORVANE_SOURCE_DIR "/tests/core/data/landxml/mga56-plan.xml";

TEST(LandXmlGrid, AnMgaPlanKeepsItsMarksAndFitsBackOntoThem) {
    EXPECT_EQ(test::LandXmlSchemaErrors(ReadTextFile(kFixture).value()), "");
    auto imported = ImportLandXmlFile(kFixture, {});
    ASSERT_TRUE(imported) << test::ErrorText(imported);
    const GridMarks& grid = imported.value().Grid;
    EXPECT_EQ(grid.zone, 56);
    EXPECT_EQ(grid.datum, "GDA2020");
    EXPECT_EQ(grid.system, "MGA2020 Zone 56");
    // The two marks and the state's control point; no boundary corner. CgPoint text is
    // north first.
    ASSERT_EQ(grid.marks.size(), 3u);
    EXPECT_EQ(grid.marks[0].number, PointLabelToNumber("PM1847"));
    EXPECT_DOUBLE_EQ(grid.marks[0].east, 334406.0623);
    EXPECT_DOUBLE_EQ(grid.marks[0].north, 6251128.3953);
    EXPECT_EQ(grid.marks[1].number, PointLabelToNumber("SSM22"));
    EXPECT_LT(grid.marks[2].number, 5000); // GS100: an ordinary point of the plan
    EXPECT_TRUE(test::ReportSays(imported.value(), "Map grid coordinates of marks (zone 56, "
                                                   "datum GDA2020)"));

    test::PlanTestDir dir;
    ASSERT_TRUE(WriteImportedPlan(imported.value(), dir.path("DP1")));
    EXPECT_TRUE(dir.exists("DP1.grd"));
    PlanState plan;
    plan.PlanPath = dir.path("DP1");
    ASSERT_TRUE(LoadLines(plan));
    const auto marks = ReadGridMarks(plan.PlanPath);
    ASSERT_TRUE(marks) << test::ErrorText(marks);
    const auto fitted = FitPlanToGrid(plan, marks.value().marks, {});
    ASSERT_TRUE(fitted) << test::ErrorText(fitted);
    const GridFit& fit = fitted.value().fit;
    ASSERT_TRUE(fit.fitted);
    EXPECT_EQ(fitted.value().source, "adjusted");
    EXPECT_TRUE(fit.leftOut.empty());
    // Ground distances on grid bearings: the combined scale factor 0.99995, no rotation.
    EXPECT_NEAR(fit.scalePpm(), -50, 1);
    EXPECT_NEAR(fit.rotationSeconds(), 0, 1);
    EXPECT_LT(fit.rms, 0.001);
    // The lot's first corner lands on its own grid position, though no mark stands there.
    const int corner = FindPointIndex(fitted.value().points, 1);
    ASSERT_GE(corner, 0);
    const auto [east, north] =
        fit.ToGrid(fitted.value().points[corner].East, fitted.value().points[corner].North);
    EXPECT_NEAR(east, 334512.123, 0.001);
    EXPECT_NEAR(north, 6251234.456, 0.001);
    EXPECT_EQ(MapGridEpsg(marks.value().zone, marks.value().datum), 7856);

    // A plan of that name with a stale grid file is not overwritten.
    test::PlanTestDir other;
    other.write("DP1.grd", "PM5,1,2\r\n");
    EXPECT_TRUE(test::Refused(WriteImportedPlan(imported.value(), other.path("DP1")),
                              "Import LandXML error", "DP1.grd"));
    EXPECT_EQ(other.names(), std::vector<std::string>{"DP1.grd"});
}

// A mark and a control point with coordinates, in whatever system the body names.
std::string markedPlan(const std::string& system, const std::string& listZone,
                       const std::string& controlZone) {
    return test::LandXmlDocument(
        test::kMetricUnits,
        system + "<CgPoints" + listZone +
            "><CgPoint name=\"1\">6200000 300000</CgPoint>"
            "<CgPoint name=\"9\" oID=\"12\">6200010 300010</CgPoint>"
            "<CgPoint name=\"20\" pntSurv=\"control\"" +
            controlZone +
            ">6200020 300000</CgPoint></CgPoints>\n"
            "<Monuments><Monument name=\"m\" pntRef=\"9\" type=\"PM\"/></Monuments>\n");
}

TEST(LandXmlGrid, OnlyANamedSystemMakesCoordinatesMapGrid) {
    // Coordinates in no named system may be a plan's own local ones: no grid file.
    ImportedPlan plan = test::ImportedFrom(markedPlan("", "", ""));
    EXPECT_TRUE(plan.Grid.marks.empty());
    test::PlanTestDir dir;
    ASSERT_TRUE(WriteImportedPlan(plan, dir.path("L")));
    EXPECT_FALSE(dir.exists("L.grd"));
    plan = test::ImportedFrom(
        markedPlan("<CoordinateSystem localCoordinateSystemName=\"Site grid\"/>\n", "", ""));
    EXPECT_TRUE(plan.Grid.marks.empty());
    // A datum named "Local" names no map grid either.
    plan = test::ImportedFrom(
        markedPlan("<CoordinateSystem name=\"Site grid\" horizontalDatum=\"Local\"/>\n", "", ""));
    EXPECT_TRUE(plan.Grid.marks.empty());

    // A zone alone names the grid, the datum left unknown.
    plan = test::ImportedFrom(markedPlan("", " zoneNumber=\"55\"", ""));
    EXPECT_EQ(plan.Grid.zone, 55);
    EXPECT_EQ(plan.Grid.datum, "");
    ASSERT_EQ(plan.Grid.marks.size(), 2u);
    EXPECT_EQ(plan.Grid.marks[0].number, PointLabelToNumber("PM12"));
    EXPECT_EQ(plan.Grid.marks[1].number, 20);

    // The EPSG code gives zone and datum; a point in another zone is left out and said.
    plan = test::ImportedFrom(
        markedPlan("<CoordinateSystem epsgCode=\"28354\"/>\n", "", " zoneNumber=\"55\""));
    EXPECT_EQ(plan.Grid.zone, 54);
    EXPECT_EQ(plan.Grid.datum, "GDA94");
    EXPECT_EQ(plan.Grid.marks.size(), 1u);
    EXPECT_TRUE(test::ReportSays(plan, "20 (point 20) left out: zone 55, the others' is 54"));

    // The datum from the system's name when no datum is given.
    plan = test::ImportedFrom(
        markedPlan("<CoordinateSystem name=\"MGA 94 Zone 56\"/>\n", " zoneNumber=\"56\"", ""));
    EXPECT_EQ(plan.Grid.datum, "GDA94");
    EXPECT_EQ(plan.Grid.marks.size(), 2u);
}

} // namespace
} // namespace corvane
