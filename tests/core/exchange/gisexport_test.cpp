#include "core/cli/exportgiscommand.h"
#include "core/cli/plancheck.h"
#include "core/exchange/gisexport.h"
#include "core/exchange/gisfeatures.h"
#include "core/exchange/landxml.h"
#include "core/files/gridmarks.h"
#include "core/geometry/gridfit.h"
#include "core/model/pointlabel.h"
#include "core/reports/summary.h"
#include "tests/core/plantestdir.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

namespace corvane {
namespace {

namespace fs = std::filesystem;

// A copy of a sample plan in a test folder, loaded as the command line loads it.
struct SamplePlan {
    test::PlanTestDir dir;
    PlanState plan;
    explicit SamplePlan(const std::string& name) {
        for (const char* ext : {".lns", ".ply", ".cve", ".sdb"}) {
            const fs::path from = fs::path(CORVANE_SOURCE_DIR) / "examples" / (name + ext);
            if (fs::exists(from))
                fs::copy_file(from, dir.path(name + ext));
        }
        std::ostringstream notices;
        EXPECT_TRUE(LoadCommandPlan(dir.path(name), plan, notices).ok());
    }
    std::map<std::string, double> computedAreas() const {
        std::map<std::string, double> areas;
        const auto summary = ClosureSummary(0, plan, "Surveyed Polygons");
        for (const SummaryRow& row : summary.value().Rows)
            areas[row.Identifier] = row.ComputedAreaValue;
        return areas;
    }
};

// A file read back through GDAL, closed at the end of the test.
struct Dataset {
    GDALDatasetH handle = nullptr;
    explicit Dataset(const std::string& path) {
        GDALAllRegister();
        // GDAL measures a curve's area along chords of 4 degrees unless told finer: a cul-de-sac
        // head would lose a fifth of a square metre.
        CPLSetConfigOption("OGR_ARC_STEPSIZE", "0.01");
        handle =
            GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    }
    ~Dataset() {
        if (handle)
            GDALClose(handle);
    }
    OGRLayerH layer(const char* name) const { return GDALDatasetGetLayerByName(handle, name); }
};

std::string text(OGRFeatureH f, const char* field) {
    const int i = OGR_F_GetFieldIndex(f, field);
    return i >= 0 && OGR_F_IsFieldSetAndNotNull(f, i) ? OGR_F_GetFieldAsString(f, i) : "";
}
double figure(OGRFeatureH f, const char* field) {
    return OGR_F_GetFieldAsDouble(f, OGR_F_GetFieldIndex(f, field));
}
template <typename Each> void forEach(OGRLayerH layer, Each each) {
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        each(f);
        OGR_F_Destroy(f);
    }
}

// The parts of a compound curve (or the one curve a curve polygon's ring is), by type.
std::map<OGRwkbGeometryType, int> ringPartTypes(OGRGeometryH parcel) {
    std::map<OGRwkbGeometryType, int> types;
    OGRGeometryH ring = OGR_G_GetGeometryRef(parcel, 0);
    const OGRwkbGeometryType ringType = wkbFlatten(OGR_G_GetGeometryType(ring));
    if (ringType != wkbCompoundCurve) {
        ++types[ringType];
        return types;
    }
    for (int k = 0; k < OGR_G_GetGeometryCount(ring); ++k)
        ++types[wkbFlatten(OGR_G_GetGeometryType(OGR_G_GetGeometryRef(ring, k)))];
    return types;
}

TEST(GisExport, SamplePlanGeoPackageHoldsItsParcelsLinesPointsClosureAndStyles) {
    SamplePlan sample("D20417");
    const std::string out = sample.dir.path("D20417.gpkg");
    auto exported = ExportGis(sample.plan, {out, 0, ""});
    ASSERT_TRUE(exported.ok()) << test::ErrorText(exported);
    EXPECT_EQ(exported.value().crs, "local (D20417)");
    EXPECT_EQ(exported.value().parcels, 10u);

    Dataset gpkg(out);
    ASSERT_NE(gpkg.handle, nullptr);
    OGRLayerH parcels = gpkg.layer("parcels");
    OGRLayerH lines = gpkg.layer("lines");
    OGRLayerH points = gpkg.layer("points");
    ASSERT_TRUE(parcels && lines && points);
    EXPECT_EQ(OGR_L_GetFeatureCount(parcels, TRUE), 10);
    EXPECT_EQ(OGR_L_GetFeatureCount(lines, TRUE), static_cast<GIntBig>(exported.value().lines));
    EXPECT_EQ(OGR_L_GetFeatureCount(points, TRUE), static_cast<GIntBig>(exported.value().points));
    EXPECT_GT(exported.value().lines, 20u);

    // Not fitted: the plan's own grid, named after it, tied to no EPSG code.
    OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(parcels);
    ASSERT_NE(srs, nullptr);
    EXPECT_TRUE(OSRIsLocal(srs));
    EXPECT_STREQ(OSRGetAttrValue(srs, "LOCAL_CS", 0), "D20417 local plan grid");

    const auto areas = sample.computedAreas();
    forEach(parcels, [&](OGRFeatureH f) {
        const std::string id = text(f, "parcel");
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), wkbCurvePolygon) << id;
        ASSERT_TRUE(areas.count(id)) << id;
        // A parcel that closes to the millimetre has the area of its own traverse; one that
        // does not spreads its misclosure along its traverse, where the plan's positions
        // spread it over the whole network: a few hundredths of a square metre apart.
        const bool closes = figure(f, "misclosure") < 0.0005;
        EXPECT_NEAR(OGR_G_Area(g), areas.at(id), closes ? 0.01 : 0.1) << id;
        EXPECT_NEAR(figure(f, "computed_area"), areas.at(id), 0.005) << id;
        EXPECT_EQ(text(f, "verdict"), "acceptable") << id;
        EXPECT_TRUE(text(f, "ratio") == "exact" || text(f, "ratio").rfind("1 in ", 0) == 0)
            << id << " " << text(f, "ratio");
        EXPECT_LT(figure(f, "misclosure"), 0.05) << id;
    });
    // The lines carry their measurements and the class the plan view draws them in.
    std::map<std::string, int> classes;
    forEach(lines, [&](OGRFeatureH f) {
        ++classes[text(f, "class")];
        if (text(f, "from") == "1" && text(f, "to") == "2") {
            EXPECT_EQ(text(f, "bearing"), "14.1856");
            EXPECT_DOUBLE_EQ(figure(f, "distance"), 36.024);
        }
    });
    EXPECT_GT(classes["boundary"], 0);
    // Survey marks keep their prefix as their type; every point placed is fixed.
    int marks = 0;
    forEach(points, [&](OGRFeatureH f) {
        const std::string type = text(f, "mark_type");
        if (!type.empty()) {
            ++marks;
            EXPECT_EQ(text(f, "label").rfind(type, 0), 0u);
        }
        EXPECT_EQ(OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "fixed")),
                  OGR_F_GetGeometryRef(f) != nullptr ? 1 : 0);
    });

    // Each layer opens in QGIS in its default style, drawn as the plan view draws it.
    OGRLayerH styles = gpkg.layer("layer_styles");
    ASSERT_NE(styles, nullptr);
    std::map<std::string, std::string> qml;
    forEach(styles, [&](OGRFeatureH f) {
        EXPECT_EQ(OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "useAsDefault")), 1);
        EXPECT_EQ(text(f, "f_geometry_column"), "geom");
        qml[text(f, "f_table_name")] = text(f, "styleQML");
    });
    ASSERT_EQ(qml.size(), 3u);
    EXPECT_NE(qml["lines"].find("attr=\"class\""), std::string::npos);
    EXPECT_NE(qml["lines"].find("value=\"easement\""), std::string::npos);
    EXPECT_NE(qml["parcels"].find("fieldName=\"parcel\""), std::string::npos);
    EXPECT_NE(qml["parcels"].find("name=\"style\" type=\"QString\" value=\"no\""),
              std::string::npos);
    // Nothing but the target is left in the folder.
    for (const std::string& name : sample.dir.names())
        EXPECT_EQ(name.find(".corvane-new-"), std::string::npos) << name;
}

// The circle through three points: its centre and radius.
struct Circle {
    double e = 0, n = 0, r = 0;
};
Circle circleThrough(double e1, double n1, double e2, double n2, double e3, double n3) {
    const double d = 2 * (e1 * (n2 - n3) + e2 * (n3 - n1) + e3 * (n1 - n2));
    const double s1 = e1 * e1 + n1 * n1, s2 = e2 * e2 + n2 * n2, s3 = e3 * e3 + n3 * n3;
    Circle c;
    c.e = (s1 * (n2 - n3) + s2 * (n3 - n1) + s3 * (n1 - n2)) / d;
    c.n = (s1 * (e3 - e2) + s2 * (e1 - e3) + s3 * (e2 - e1)) / d;
    c.r = std::hypot(e1 - c.e, n1 - c.n);
    return c;
}

TEST(GisExport, CulDeSacArcsAreTrueCircularArcsThatKeepTheParcelsAreas) {
    SamplePlan sample("CS3051");
    const std::string out = sample.dir.path("CS3051.gpkg");
    auto exported = ExportGis(sample.plan, {out, 0, ""});
    ASSERT_TRUE(exported.ok()) << test::ErrorText(exported);
    Dataset gpkg(out);
    ASSERT_NE(gpkg.handle, nullptr);

    // An arc drawn on the wrong side of its chord, or the short way round a cul-de-sac head,
    // changes the parcel's area by far more than a hundredth of a square metre.
    const auto areas = sample.computedAreas();
    int curved = 0;
    forEach(gpkg.layer("parcels"), [&](OGRFeatureH f) {
        const std::string id = text(f, "parcel");
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        ASSERT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), wkbCurvePolygon) << id;
        EXPECT_NEAR(OGR_G_Area(g), areas.at(id), 0.01) << id;
        if (ringPartTypes(g).count(wkbCircularString))
            ++curved;
    });
    EXPECT_EQ(curved, 2); // the turning head bounds the road and the lot wrapped round it

    // Each arc of the lines file is one circular string on its own radius, through its ends.
    int arcs = 0;
    forEach(gpkg.layer("lines"), [&](OGRFeatureH f) {
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        const bool isArc = !text(f, "radius").empty();
        EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), isArc ? wkbCircularString : wkbLineString);
        if (!isArc)
            return;
        ++arcs;
        ASSERT_EQ(OGR_G_GetPointCount(g), 3);
        const Circle c = circleThrough(OGR_G_GetX(g, 0), OGR_G_GetY(g, 0), OGR_G_GetX(g, 1),
                                       OGR_G_GetY(g, 1), OGR_G_GetX(g, 2), OGR_G_GetY(g, 2));
        EXPECT_NEAR(c.r, figure(f, "radius"), 0.002);
        EXPECT_NEAR(OGR_G_Length(g), figure(f, "distance"), 0.01);
        EXPECT_TRUE(text(f, "bearing").empty());
    });
    EXPECT_EQ(arcs, 1);
}

TEST(GisExport, GeoJsonDensifiesArcsWithinOneCentimetre) {
    SamplePlan sample("CS3051");
    const std::string out = sample.dir.path("CS3051.geojson");
    auto exported = ExportGis(sample.plan, {out, 0, ""});
    ASSERT_TRUE(exported.ok()) << test::ErrorText(exported);
    Dataset json(out);
    ASSERT_NE(json.handle, nullptr);
    ASSERT_EQ(GDALDatasetGetLayerCount(json.handle), 1);
    OGRLayerH layer = GDALDatasetGetLayer(json.handle, 0);

    std::map<std::string, int> perLayer;
    int arcs = 0;
    const auto areas = sample.computedAreas();
    forEach(layer, [&](OGRFeatureH f) {
        ++perLayer[text(f, "layer")];
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        if (text(f, "layer") == "parcels") {
            EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), wkbPolygon);
            // Chords cut off a sliver under a centimetre wide along each arc; an arc bowed
            // the wrong way would cost square metres.
            EXPECT_NEAR(OGR_G_Area(g), areas.at(text(f, "parcel")), 1.0);
        }
        if (text(f, "layer") != "lines" || text(f, "radius").empty())
            return;
        ++arcs;
        ASSERT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), wkbLineString);
        const int n = OGR_G_GetPointCount(g);
        ASSERT_GT(n, 2);
        const Circle c =
            circleThrough(OGR_G_GetX(g, 0), OGR_G_GetY(g, 0), OGR_G_GetX(g, n / 2),
                          OGR_G_GetY(g, n / 2), OGR_G_GetX(g, n - 1), OGR_G_GetY(g, n - 1));
        EXPECT_NEAR(c.r, figure(f, "radius"), 0.002);
        double worst = 0;
        for (int k = 1; k < n; ++k) {
            const double e = (OGR_G_GetX(g, k - 1) + OGR_G_GetX(g, k)) / 2;
            const double nn = (OGR_G_GetY(g, k - 1) + OGR_G_GetY(g, k)) / 2;
            worst = std::max(worst, c.r - std::hypot(e - c.e, nn - c.n));
        }
        EXPECT_LE(worst, 0.01);
        EXPECT_GT(worst, 0.004); // not needlessly many chords
    });
    EXPECT_EQ(perLayer["parcels"], 6);
    EXPECT_EQ(perLayer["lines"], static_cast<int>(exported.value().lines));
    EXPECT_EQ(perLayer["points"], static_cast<int>(exported.value().points));
    EXPECT_EQ(arcs, 1);
}

TEST(GisExport, ChordCountKeepsEveryChordWithinTheToleranceOfItsArc) {
    for (double radius : {0.5, 7.5, 30.0, 1000.0})
        for (double sweep : {0.1, 1.0, 3.0, 6.0}) {
            const int n = ArcChordCount(radius, sweep);
            const double sag = radius * (1 - std::cos(sweep / n / 2));
            EXPECT_LE(sag, kArcChordTolerance) << radius << " " << sweep;
            if (n > 1) {
                EXPECT_GT(radius * (1 - std::cos(sweep / (n - 1) / 2)), kArcChordTolerance);
            }
        }
}

// What a refused export must leave: the folder as it was.
void expectRefusedAndUntouched(const Result<GisExportSummary>& r, const std::string& part,
                               const test::PlanTestDir& dir,
                               const std::vector<std::string>& before) {
    EXPECT_TRUE(test::Refused(r, "GIS export error", part));
    EXPECT_EQ(dir.names(), before);
}

TEST(GisExport, RefusalsWriteNothingAndLeaveAnExistingFileAsItWas) {
    SamplePlan sample("D20417");
    sample.dir.write("old.gpkg", "an earlier export");
    const auto before = sample.dir.names();

    expectRefusedAndUntouched(ExportGis(sample.plan, {sample.dir.path("D20417.shp"), 0, ""}),
                              ".gpkg", sample.dir, before);
    expectRefusedAndUntouched(
        ExportGis(sample.plan, {sample.dir.path("no such folder/D20417.gpkg"), 0, ""}),
        "does not exist", sample.dir, before);
    // A CRS on a plan never fitted to the map grid would put it in the wrong place.
    expectRefusedAndUntouched(ExportGis(sample.plan, {sample.dir.path("old.gpkg"), 7856, ""}),
                              "not fitted", sample.dir, before);
    fs::permissions(sample.dir.path("old.gpkg"), fs::perms::owner_read);
    expectRefusedAndUntouched(ExportGis(sample.plan, {sample.dir.path("old.gpkg"), 0, ""}),
                              "read-only", sample.dir, before);
    EXPECT_EQ(sample.dir.read("old.gpkg"), "an earlier export");

    // Once it may be replaced, the new export takes its place whole, keeping its rights.
    fs::permissions(sample.dir.path("old.gpkg"), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(ExportGis(sample.plan, {sample.dir.path("old.gpkg"), 0, ""}).ok());
    EXPECT_EQ(sample.dir.names(), before);
    Dataset replaced(sample.dir.path("old.gpkg"));
    ASSERT_NE(replaced.handle, nullptr);
    EXPECT_EQ(OGR_L_GetFeatureCount(replaced.layer("parcels"), TRUE), 10);
    EXPECT_EQ(fs::status(sample.dir.path("old.gpkg")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// The known marks of D20417 on the map grid: its builder's coordinates turned, scaled and
// shifted as a real plan's would be.
constexpr double kTurn = 0.0123, kScale = 1.000085, kShiftE = 334512.0, kShiftN = 6251234.0;
std::pair<double, double> onGrid(double e, double n) {
    return {kShiftE + kScale * (e * std::cos(kTurn) + n * std::sin(kTurn)),
            kShiftN + kScale * (-e * std::sin(kTurn) + n * std::cos(kTurn))};
}
void writeGridFile(const SamplePlan& sample, const std::string& heading) {
    std::string grd = heading;
    for (const PointRecord& p : BuildPlanCoordinates(sample.plan.PlanLines, CurveTable{}))
        if (p.Number == 1 || p.Number == 10 || p.Number == 20) {
            const auto [e, n] = onGrid(p.East, p.North);
            char line[96];
            std::snprintf(line, sizeof line, "%d,%.4f,%.4f\n", p.Number, e, n);
            grd += line;
        }
    sample.dir.write("D20417.grd", grd);
}

TEST(GisExport, FittedPlanIsExportedOnItsMapGrid) {
    SamplePlan sample("D20417");
    writeGridFile(sample, "ZONE,56\nDATUM,GDA2020\n");
    const std::string out = sample.dir.path("D20417.gpkg");
    auto exported = ExportGis(sample.plan, {out, 0, ""});
    ASSERT_TRUE(exported.ok()) << test::ErrorText(exported);
    EXPECT_EQ(exported.value().crs, "EPSG:7856");
    Dataset gpkg(out);
    ASSERT_NE(gpkg.handle, nullptr);
    OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(gpkg.layer("points"));
    ASSERT_NE(srs, nullptr);
    EXPECT_STREQ(OSRGetAuthorityCode(srs, nullptr), "7856");

    std::map<std::int32_t, std::pair<double, double>> built;
    for (const PointRecord& p : BuildPlanCoordinates(sample.plan.PlanLines, CurveTable{}))
        built.emplace(p.Number, std::pair{p.East, p.North});
    int placed = 0;
    forEach(gpkg.layer("points"), [&](OGRFeatureH f) {
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        const std::string label = text(f, "label");
        if (!g || label.find_first_not_of("0123456789") != std::string::npos)
            return;
        const auto [e, n] =
            onGrid(built.at(std::stoi(label)).first, built.at(std::stoi(label)).second);
        EXPECT_NEAR(OGR_G_GetX(g, 0), e, 0.02) << label;
        EXPECT_NEAR(OGR_G_GetY(g, 0), n, 0.02) << label;
        ++placed;
    });
    EXPECT_GT(placed, 10);
}

// The whole road a lodged plan takes: imported from LandXML that names its map grid, fitted
// onto its marks' grid coordinates, exported with its curved lot on that grid, where the
// lot's corners stand at the file's own coordinates.
TEST(GisExport, ImportedMapGridPlanFitsItsMarksAndExportsCurvedOnItsGrid) {
    test::PlanTestDir dir;
    auto imported = ImportLandXmlFile(
        std::string(CORVANE_SOURCE_DIR) + "/tests/core/data/landxml/mga56-plan.xml", {});
    ASSERT_TRUE(imported.ok()) << test::ErrorText(imported);
    ASSERT_TRUE(WriteImportedPlan(imported.value(), dir.path("M56")).ok());
    PlanState plan;
    std::ostringstream notices;
    ASSERT_TRUE(LoadCommandPlan(dir.path("M56"), plan, notices).ok());
    auto marks = ReadGridMarks(plan.PlanPath);
    ASSERT_TRUE(marks.ok()) << test::ErrorText(marks);
    auto fitted = FitPlanToGrid(plan, marks.value().marks, {});
    ASSERT_TRUE(fitted.ok()) << test::ErrorText(fitted);
    ASSERT_TRUE(fitted.value().fit.fitted);
    EXPECT_TRUE(fitted.value().fit.leftOut.empty());
    EXPECT_LT(fitted.value().fit.rms, 0.005);

    const std::string out = dir.path("M56.gpkg");
    auto exported = ExportGis(plan, {out, 0, ""});
    ASSERT_TRUE(exported.ok()) << test::ErrorText(exported);
    EXPECT_EQ(exported.value().crs, "EPSG:7856");
    Dataset gpkg(out);
    ASSERT_NE(gpkg.handle, nullptr);
    EXPECT_STREQ(OSRGetAuthorityCode(OGR_L_GetSpatialRef(gpkg.layer("parcels")), nullptr), "7856");
    int parcels = 0;
    forEach(gpkg.layer("parcels"), [&](OGRFeatureH f) {
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(wkbFlatten(OGR_G_GetGeometryType(g)), wkbCurvePolygon);
        EXPECT_GT(ringPartTypes(g)[wkbCircularString], 0) << "the lot's arc is a true arc";
        ++parcels;
    });
    EXPECT_EQ(parcels, 1);
    // Each mark exported where the file puts it on the grid.
    std::map<std::string, std::pair<double, double>> known;
    for (const KnownMark& m : marks.value().marks)
        known[PointNumberToLabel(m.number)] = {m.east, m.north};
    int placed = 0;
    forEach(gpkg.layer("points"), [&](OGRFeatureH f) {
        auto it = known.find(text(f, "label"));
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        if (it == known.end() || !g)
            return;
        EXPECT_NEAR(OGR_G_GetX(g, 0), it->second.first, 0.005) << it->first;
        EXPECT_NEAR(OGR_G_GetY(g, 0), it->second.second, 0.005) << it->first;
        ++placed;
    });
    EXPECT_EQ(placed, int(known.size()));
}

TEST(GisExport, FittedPlanRefusesAnUnknownDatumOrCrsAndWritesNothing) {
    SamplePlan sample("D20417");
    writeGridFile(sample, "ZONE,56\n");
    const auto before = sample.dir.names();
    expectRefusedAndUntouched(ExportGis(sample.plan, {sample.dir.path("D20417.gpkg"), 0, ""}),
                              "--crs", sample.dir, before);
    expectRefusedAndUntouched(ExportGis(sample.plan, {sample.dir.path("D20417.gpkg"), 999999, ""}),
                              "EPSG:999999", sample.dir, before);
    // Known systems that cannot hold east and north in metres: latitude and longitude, earth
    // centred, a grid in feet.
    for (int code : {4326, 4978, 2229})
        expectRefusedAndUntouched(
            ExportGis(sample.plan, {sample.dir.path("D20417.gpkg"), code, ""}),
            "EPSG:" + std::to_string(code) + " is not a map grid in metres", sample.dir, before);
    // The user's choice of datum settles it.
    auto chosen = ExportGis(sample.plan, {sample.dir.path("D20417.gpkg"), 28356, ""});
    ASSERT_TRUE(chosen.ok()) << test::ErrorText(chosen);
    EXPECT_EQ(chosen.value().crs, "EPSG:28356");
}

TEST(GisExport, CommandPrintsTheSummaryAndRefusesAMalformedCrs) {
    SamplePlan sample("CS3051");
    std::ostringstream out, err;
    const std::string target = sample.dir.path("CS3051.gpkg");
    EXPECT_EQ(RunExportGisCommand(ParseCommandLine({"--export-gis", sample.dir.path("CS3051"),
                                                    "--out", target, "--crs", "EPSG7856"}),
                                  out, err),
              2);
    EXPECT_NE(err.str().find("EPSG:N"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(target));
    out.str("");
    err.str("");
    EXPECT_EQ(RunExportGisCommand(
                  ParseCommandLine({"--export-gis", sample.dir.path("CS3051"), "--out", target}),
                  out, err),
              0)
        << err.str();
    EXPECT_NE(out.str().find("CRS: local (CS3051)\nParcels: 6\n"), std::string::npos) << out.str();
}

} // namespace
} // namespace corvane
