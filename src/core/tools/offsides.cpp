#include "core/tools/offsides.h"

#include "core/base/numtext.h"
#include "core/model/bearing.h"

#include <cmath>

namespace corvane {

namespace {

constexpr double kAngleTolerance = 1e-9;

// A bearing as the grid shows it, in tenths of a second, 360 as 0: two bearings agree when
// their "0.0000" texts do.
long long bearingTicks(double bearing) {
    long long ticks = std::llround(Val(Format(bearing, "0.0000")) * 10000);
    return ticks % 3600000;
}

bool known(const std::string& cell) {
    return !cell.empty() && cell != kNoData;
}

// Both lines have bearings a corner can be computed from.
bool knownCorner(const TraverseGrid& grid, int r1, int r2) {
    return known(grid.cell(r1, ColBearing)) && known(grid.cell(r2, ColBearing));
}

bool straight(double t) {
    const double pi = 4 * std::atan(1.0);
    return t == 0 || t == pi;
}

// The correction at one end of a line of width w beside a corner of angle t with a
// neighbouring line of width wn; none on a straight line.
double correction(const TraverseGrid& grid, int r, int next, double w) {
    const std::string& t1 = grid.cell(std::min(r, next), ColBearing);
    const std::string& t2 = grid.cell(std::max(r, next), ColBearing);
    if (SameLine(Val(t1), Val(t2)))
        return 0;
    const double t = RoadAngle(t1, t2);
    if (straight(t))
        return 0;
    return w / std::tan(t) + Val(grid.cell(next, ColWidth)) / std::sin(t);
}

} // namespace

bool SameLine(double b1, double b2) {
    const long long difference = (bearingTicks(b1) - bearingTicks(b2) + 3600000) % 3600000;
    return difference == 0 || difference == 1800000;
}

double RoadAngle(const std::string& t1, const std::string& t2) {
    const double pi = 4 * std::atan(1.0);
    double d = BearingToRadians(t2) - (BearingToRadians(t1) + pi);
    if (d <= -pi)
        d += 2 * pi;
    if (d > pi)
        d -= 2 * pi;
    // A turn lost in rounding is none: no correction may divide by its sine.
    if (std::fabs(d) < kAngleTolerance)
        d = 0;
    if (std::fabs(std::fabs(d) - pi) < kAngleTolerance)
        d = 0; // straight back along the line: no corner either
    return d;
}

void CalcRoadOffsides(TraverseGrid& grid, bool rightSide) {
    if (grid.dataRows() < 3)
        return;
    LastGridLine(grid);
    const int n = grid.dataRows();
    for (int r = 2; r < n; ++r) {
        std::string& offside = grid.cell(r, ColOffside);
        if (!known(grid.cell(r, ColDistance)) || !known(grid.cell(r - 1, ColBearing)) ||
            !known(grid.cell(r, ColBearing)) || !known(grid.cell(r + 1, ColBearing))) {
            offside = kNoData;
            continue;
        }
        const double w = Val(grid.cell(r, ColWidth));
        const double d = Val(grid.cell(r, ColDistance));
        const double s = correction(grid, r, r - 1, w);
        const double e = correction(grid, r, r + 1, w);
        offside = Format(rightSide ? d - s - e : d + s + e, "0.000");
    }
}

void MergeLines(TraverseGrid& grid) {
    bool merged = true;
    while (merged && grid.dataRows() >= 4) {
        merged = false;
        const int n = grid.dataRows();
        for (int r = 2; r <= n - 2; ++r) {
            if (!knownCorner(grid, r, r + 1) ||
                !SameLine(Val(grid.cell(r, ColBearing)), Val(grid.cell(r + 1, ColBearing))) ||
                Val(grid.cell(r, ColWidth)) != Val(grid.cell(r + 1, ColWidth)))
                continue;
            // A sum with an unknown part is unknown.
            auto sum = [&](int c) -> std::string {
                if (!known(grid.cell(r, c)) || !known(grid.cell(r + 1, c)))
                    return std::string(kNoData);
                return Format(Val(grid.cell(r, c)) + Val(grid.cell(r + 1, c)), "0.000");
            };
            grid.cell(r, ColTo) = grid.cell(r + 1, ColTo);
            grid.cell(r, ColDistance) = sum(ColDistance);
            grid.cell(r, ColOffside) = sum(ColOffside);
            grid.clearLink(r);
            grid.removeRow(r + 1);
            grid.row = std::min(grid.row, grid.dataRows());
            merged = true;
            break;
        }
    }
}

std::vector<PrintLine> CosecData(const TraverseGrid& grid, bool rightSide) {
    std::vector<PrintLine> lines;
    for (int r = 2; r <= grid.dataRows(); ++r) {
        if (!knownCorner(grid, r - 1, r))
            continue;
        const std::string& tp = grid.cell(r - 1, ColBearing);
        const std::string& tb = grid.cell(r, ColBearing);
        const double bp = Val(tp), b = Val(tb);
        if (SameLine(bp, b))
            continue;
        const double t = RoadAngle(tp, tb);
        if (straight(t))
            continue;
        const double wp = Val(grid.cell(r - 1, ColWidth));
        const double w = Val(grid.cell(r, ColWidth));
        double dE = 0, dN = 0;
        auto leg = [&](const std::string& bearing, double length) {
            const double a = BearingToRadians(bearing);
            dE += std::sin(a) * length;
            dN += std::cos(a) * length;
        };
        if (rightSide) {
            leg(ReverseBearing(bp), w / std::sin(t));
            leg(tb, wp / std::sin(t));
        } else {
            leg(tp, w / std::sin(t));
            leg(ReverseBearing(b), wp / std::sin(t));
        }
        const double distance = std::sqrt(dE * dE + dN * dN);
        const double bearing = RadiansToBearing(BearingFromDeltas(dE, dN));
        PrintLine line;
        line.tab(10, grid.cell(r, ColFrom))
            .tab(20, Format(bearing, "0.0000"))
            .tab(35, Format(distance, "0.000"));
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<PrintLine> OffsidesPrintLines(const TraverseGrid& grid, bool rightSide,
                                          const std::string& caption, const std::string& planPath) {
    std::vector<PrintLine> out;
    out.push_back(TabLine(10, UpperCase(caption) + " for " + planPath));
    out.push_back(TabLine(10, "--------------------------------------"));
    out.push_back(TabLine(10, std::string("Traverse is on ") +
                                  (rightSide ? "RIGHT side of road" : "LEFT side of road")));
    out.emplace_back();
    PrintLine heading;
    heading.tab(10, "From").tab(20, "To").tab(30, "Bearing").tab(40, "Distance");
    heading.tab(55, "Width").tab(65, "Offside");
    out.push_back(std::move(heading));
    out.emplace_back();
    const int n = grid.dataRows();
    for (int r = 1; r <= n; ++r) {
        PrintLine line;
        line.tab(10, grid.cell(r, ColFrom))
            .tab(20, grid.cell(r, ColTo))
            .tab(30, grid.cell(r, ColBearing));
        // The lines to and from the road side have no offside of their own.
        const bool middle = r > 1 && r < n;
        if (middle)
            line.tab(40, grid.cell(r, ColDistance));
        line.tab(55, grid.cell(r, ColWidth));
        if (middle)
            line.tab(65, grid.cell(r, ColOffside));
        out.push_back(std::move(line));
    }
    out.emplace_back();
    out.push_back(TabLine(10, "-------------------------------------"));
    out.push_back(TabLine(10, "Cosecant data"));
    out.emplace_back();
    PrintLine cosec;
    cosec.tab(10, "From").tab(20, "Bearing").tab(35, "Distance");
    out.push_back(std::move(cosec));
    out.emplace_back();
    for (PrintLine& line : CosecData(grid, rightSide))
        out.push_back(std::move(line));
    return out;
}

} // namespace corvane
