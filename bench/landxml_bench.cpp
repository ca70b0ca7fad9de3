// Speed of the LandXML exchange. Targets: the export of a plan at the lines file's limit
// within 1 s; the import of a plan within the point limit (4,900 points) holding as many
// observations as the lines file can (32,767) within 1 s; a natural boundary of 100,000
// vertices within 1 s, its time growing with its length, not with its square.

#include "core/base/numtext.h"
#include "core/exchange/landxml.h"
#include "core/files/linesfile.h"
#include "core/model/bearing.h"
#include "plangen.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

namespace {

using namespace corvane;

// A 70 × 70 grid (4 900 points, within the plan's point numbers) joined to its neighbours
// along rows, columns, both diagonals and two cells away until the lines file is full, every
// small square a parcel; arcs and missing bearings as in ShuffledGrid.
void BM_LandXmlExportLimitPlan(benchmark::State& state) {
    constexpr int kSide = 70;
    gen::GeneratedPlan grid = gen::ShuffledGrid(kSide, 7);
    const std::pair<int, int> offsets[] = {{1, 1}, {1, -1}, {0, 2}, {2, 0}, {1, 2}, {2, 1}};
    for (const auto& [dr, dc] : offsets)
        for (int r = 0; r + dr < kSide; ++r)
            for (int c = std::max(0, -dc); c < kSide && c + dc < kSide; ++c) {
                if (grid.lines.size() >= static_cast<size_t>(kMaxLines))
                    break;
                const double dE = 20.0 * dc, dN = -20.0 * dr;
                grid.lines.push_back({r * kSide + c + 1, (r + dr) * kSide + c + dc + 1,
                                      Val(BearingText(RadiansToBearing(BearingFromDeltas(dE, dN)))),
                                      Val(DistanceText(std::hypot(dE, dN))), 0});
            }
    std::shuffle(grid.lines.begin(), grid.lines.end(), std::mt19937(7));
    const CurveTable curves{grid.curves};
    const std::vector<std::string> polygons = gen::GridPolygons(kSide);
    const std::tm now{};
    size_t bytes = 0;
    for (auto _ : state) {
        auto exported = ExportLandXml(grid.lines, curves, polygons, {}, 5000, now);
        if (!exported)
            state.SkipWithError(exported.error().message.c_str());
        bytes = exported.value().Text.size();
        benchmark::DoNotOptimize(exported);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["lines"] = static_cast<double>(grid.lines.size());
}
BENCHMARK(BM_LandXmlExportLimitPlan)->Unit(benchmark::kMillisecond);

constexpr int kSide = 70; // 4,900 points, 10 m apart
constexpr double kSpacing = 10;

std::string pointName(int row, int column) {
    return std::to_string(row * kSide + column + 1);
}

// The grid's points as LandXML ("north east", directions in decimal degrees).
std::string gridPoints() {
    std::string text = "<?xml version=\"1.0\"?>\n<LandXML "
                       "xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">\n"
                       "<Units><Metric linearUnit=\"meter\" areaUnit=\"squareMeter\" "
                       "directionUnit=\"decimal degrees\"/></Units>\n<CgPoints>\n";
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c)
            text += "<CgPoint name=\"" + pointName(r, c) + "\">" +
                    std::to_string(1000 + r * kSpacing) + " " +
                    std::to_string(5000 + c * kSpacing) + "</CgPoint>\n";
    return text + "</CgPoints>\n";
}

// Observations from every point to its near neighbours, up to the lines file's limit, and
// every small square a lot.
std::string gridAtTheLinesLimit() {
    std::string text = gridPoints() + "<Survey><ObservationGroup id=\"g\">\n";
    const int steps[][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}, {0, 2}, {2, 0}, {2, 1}};
    int count = 0;
    for (const auto& step : steps)
        for (int r = 0; r + step[0] < kSide; ++r)
            for (int c = std::max(0, -step[1]); c + step[1] < kSide && c < kSide; ++c) {
                if (count == 32767)
                    break;
                const double dN = step[0] * kSpacing, dE = step[1] * kSpacing;
                double azimuth = std::atan2(dE, dN) * 180 / 3.14159265358979323846;
                if (azimuth < 0)
                    azimuth += 360;
                text += "<ReducedObservation setupPntRef=\"" + pointName(r, c) +
                        "\" targetPntRef=\"" + pointName(r + step[0], c + step[1]) +
                        "\" azimuth=\"" + std::to_string(azimuth) + "\" horizDistance=\"" +
                        std::to_string(std::hypot(dN, dE)) + "\"/>\n";
                ++count;
            }
    text += "</ObservationGroup></Survey>\n<Parcels>\n";
    for (int r = 0; r + 1 < kSide; ++r)
        for (int c = 0; c + 1 < kSide; ++c) {
            const std::string corners[] = {pointName(r, c), pointName(r + 1, c),
                                           pointName(r + 1, c + 1), pointName(r, c + 1)};
            text += "<Parcel name=\"" + std::to_string(r * kSide + c + 1) +
                    "\" class=\"Lot\" state=\"proposed\"><CoordGeom>";
            for (int k = 0; k < 4; ++k)
                text += "<Line><Start pntRef=\"" + corners[k] + "\"/><End pntRef=\"" +
                        corners[(k + 1) % 4] + "\"/></Line>";
            text += "</CoordGeom></Parcel>\n";
        }
    return text + "</Parcels>\n</LandXML>\n";
}

void BM_LandXmlImportAtTheLinesLimit(benchmark::State& state) {
    const std::string text = gridAtTheLinesLimit();
    for (auto _ : state) {
        auto imported = ImportLandXml(text, "limit.xml", {});
        if (!imported)
            state.SkipWithError(imported.error().message.c_str());
        else if (imported.value().Lines.size() != 32767)
            state.SkipWithError("not at the lines file's limit");
        benchmark::DoNotOptimize(imported);
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_LandXmlImportAtTheLinesLimit)->Unit(benchmark::kMillisecond);

// The grid's points and one parcel around them whose east side is a creek of that many
// vertices, none of them a point of the plan.
std::string creekPlan(int vertices) {
    std::string text = gridPoints() + "<Parcels><Parcel name=\"1\" class=\"Lot\"><CoordGeom>";
    const std::string sw = pointName(0, 0), nw = pointName(kSide - 1, 0);
    const std::string ne = pointName(kSide - 1, kSide - 1), se = pointName(0, kSide - 1);
    text += "<Line><Start pntRef=\"" + sw + "\"/><End pntRef=\"" + nw + "\"/></Line>";
    text += "<Line><Start pntRef=\"" + nw + "\"/><End pntRef=\"" + ne + "\"/></Line>";
    text += "<IrregularLine><Start pntRef=\"" + ne + "\"/><End pntRef=\"" + se + "\"/><PntList2D>";
    const double north = 1000 + (kSide - 1) * kSpacing, east = 5000 + (kSide - 1) * kSpacing;
    for (int i = 1; i <= vertices; ++i)
        text += Format(north - (kSide - 1) * kSpacing * i / (vertices + 1), "0.000") + " " +
                Format(east + 5 + 3 * std::sin(i * 0.01), "0.000") + " ";
    text += "</PntList2D></IrregularLine>";
    text += "<Line><Start pntRef=\"" + se + "\"/><End pntRef=\"" + sw + "\"/></Line>";
    return text + "</CoordGeom></Parcel></Parcels>\n</LandXML>\n";
}

void BM_LandXmlImportLongNaturalBoundary(benchmark::State& state) {
    const std::string text = creekPlan(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto imported = ImportLandXml(text, "creek.xml", {});
        if (!imported)
            state.SkipWithError(imported.error().message.c_str());
        benchmark::DoNotOptimize(imported);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LandXmlImportLongNaturalBoundary)
    ->Arg(25000)
    ->Arg(100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

} // namespace
