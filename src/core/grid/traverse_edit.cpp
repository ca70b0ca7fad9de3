#include "core/grid/traverse_edit.h"

#include "core/base/numtext.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane {

namespace {

std::string trimmed(std::string_view text) {
    return std::string(TrimBlanks(text));
}

// Two point cells name the same point (their coded numbers agree), so "PM 5" closes on
// "PM5".
bool samePoint(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    const std::int32_t na = PointLabelToNumber(a);
    return na != 0 && na == PointLabelToNumber(b);
}

struct ColumnCommit {
    bool ok = false;
    std::optional<Error> message;
    bool rowFilled = false; // the To found the line's bearing and distance
};

// A label that is meant as a point but cannot be stored is refused aloud; text that is no
// point at all is simply not taken.
ColumnCommit refusedLabel(const std::string& text) {
    if (LooksLikePointLabel(text))
        return {false, InvalidPointLabelMessage(), false};
    return {};
}

ColumnCommit commitFrom(TraverseGrid& grid, int r, std::string text) {
    if (text.empty() && r > 1)
        text = grid.cell(r - 1, ColTo);
    text = trimmed(text);
    if (!ValidPointLabel(text))
        return refusedLabel(text);
    grid.cell(r, ColFrom) = UpperCase(text);
    grid.clearLink(r);
    return {true, std::nullopt, false};
}

ColumnCommit commitTo(TraverseGrid& grid, PlanState& plan, int r, std::string text) {
    text = trimmed(text);
    const double from = Val(grid.cell(r, ColFrom));
    if (text == "+" || text.empty())
        text = Format(from + 1, "0");
    else if (text == "-" && from > 1)
        text = Format(from - 1, "0");
    if (!ValidPointLabel(text))
        return refusedLabel(text);
    grid.cell(r, ColTo) = UpperCase(text);
    ColumnCommit done{true, std::nullopt, false};
    if (plan.chkArray)
        done.rowFilled = CheckArray(grid, plan, r) >= 1;
    // The strip grids fill a row from the stored lines only, never from a row above.
    if (r > 1 && !done.rowFilled && grid.kind == GridKind::Traverse)
        done.rowFilled = CheckForRepeat(grid, r) >= 1;
    return done;
}

ColumnCommit commitBearing(TraverseGrid& grid, int r, std::string text) {
    if (text.empty() && r > 1)
        text = grid.cell(r - 1, ColBearing);
    if (text.empty())
        return {};
    auto entry = BearingEntryText(text);
    if (!entry)
        return {false, InvalidBearingMessage(), false};
    grid.cell(r, ColBearing) = *entry;
    return {true, std::nullopt, false};
}

ColumnCommit commitDistance(TraverseGrid& grid, int r, const std::string& text) {
    if (text.empty()) {
        if (r <= 1 || grid.cell(r - 1, ColDistance).empty())
            return {};
        grid.cell(r, ColDistance) = grid.cell(r - 1, ColDistance);
        return {true, std::nullopt, false};
    }
    auto entry = DistanceEntryText(text);
    if (!entry)
        return {false, InvalidDistanceMessage(), false};
    grid.cell(r, ColDistance) = *entry;
    return {true, std::nullopt, false};
}

// Width: empty below the first row takes the width above; 0 or more as "0.000"; a negative
// width or text that is no number is refused.
ColumnCommit commitWidth(TraverseGrid& grid, int r, std::string text) {
    text = trimmed(text);
    if (text.empty() && r > 1)
        text = grid.cell(r - 1, ColWidth);
    if (text.empty())
        return {};
    const auto value = IsNumberText(text) ? FiniteVal(text) : std::nullopt;
    if (!value || *value < 0 || *value > kMaxDistance)
        return {false, InvalidWidthMessage(), false};
    grid.cell(r, ColWidth) = Format(*value, "0.000");
    return {true, std::nullopt, false};
}

// A scaled line's point: a whole number shown with "0"; "+" and "-" in an empty To are the
// From's neighbours.
ColumnCommit commitNumberPoint(TraverseGrid& grid, int r, int c, std::string text) {
    text = trimmed(text);
    if (c == ColFrom && text.empty() && r > 1)
        text = grid.cell(r - 1, ColTo);
    if (c == ColTo) {
        const double from = Val(grid.cell(r, ColFrom));
        if (text == "+" || text.empty())
            text = Format(from + 1, "0");
        else if (text == "-" && from > 1)
            text = Format(from - 1, "0");
    }
    const auto value = IsNumberText(text) ? FiniteVal(text) : std::nullopt;
    if (!value || *value != std::trunc(*value) || std::fabs(*value) > 2147483647.0)
        return text.empty() ? ColumnCommit{}
                            : ColumnCommit{false, InvalidPointLabelMessage(), false};
    grid.cell(r, c) = Format(*value, "0");
    return {true, std::nullopt, false};
}

// A scaled line's bearing: empty takes the row above's, a negative one is turned round, any
// other number is shown with "0.0000" (the save's check refuses one beyond 360).
ColumnCommit commitScaledBearing(TraverseGrid& grid, int r, std::string text) {
    text = trimmed(text);
    if (text.empty() && r > 1)
        text = grid.cell(r - 1, ColBearing);
    if (text.empty())
        return {};
    const auto value = IsNumberText(text) ? FiniteVal(text) : std::nullopt;
    if (!value || std::fabs(*value) > 1e6)
        return {false, InvalidBearingMessage(), false};
    grid.cell(r, ColBearing) = *value < 0 ? ReverseBearing(-*value) : Format(*value, "0.0000");
    return {true, std::nullopt, false};
}

// A connection's bearing: a plain bearing or a negative one turned round; "No Data" and 999
// are no connection's bearing.
ColumnCommit commitMarkBearing(TraverseGrid& grid, int r, std::string text) {
    text = trimmed(text);
    if (text.empty() && r > 1)
        text = grid.cell(r - 1, ColMarkBearing);
    if (text.empty())
        return {};
    auto entry = BearingEntryText(text);
    if (!entry || *entry == kNoData)
        return {false, InvalidBearingMessage(), false};
    grid.cell(r, ColMarkBearing) = *entry;
    return {true, std::nullopt, false};
}

// A connection's or a scaled line's distance: as a line's, but never missing.
ColumnCommit commitPlainDistance(TraverseGrid& grid, int r, int c, const std::string& text) {
    if (trimmed(text).empty())
        return {};
    auto entry = DistanceEntryText(text);
    if (!entry || *entry == kNoData)
        return {false, InvalidDistanceMessage(), false};
    grid.cell(r, c) = *entry;
    return {true, std::nullopt, false};
}

ColumnCommit commitMarkColumn(TraverseGrid& grid, int r, int c, const std::string& text) {
    switch (c) {
    case ColCorner: {
        const std::string t = trimmed(text);
        if (!ValidPointLabel(t))
            return refusedLabel(t);
        grid.cell(r, ColCorner) = UpperCase(t);
        return {true, std::nullopt, false};
    }
    case ColMarkBearing:
        return commitMarkBearing(grid, r, text);
    case ColMarkDistance:
        return commitPlainDistance(grid, r, c, text);
    case ColMarkNumber:
        if (trimmed(text).empty())
            return {};
        // A mark's label reads in capitals as in every grid ("pm12" is PM12).
        grid.cell(r, ColMarkNumber) = UpperCase(MarkNumberEntry(trimmed(text)));
        return {true, std::nullopt, false};
    default:
        return {};
    }
}

ColumnCommit commitScaledColumn(TraverseGrid& grid, int r, int c, const std::string& text) {
    switch (c) {
    case ColFrom:
    case ColTo:
        return commitNumberPoint(grid, r, c, text);
    case ColBearing:
        return commitScaledBearing(grid, r, text);
    case ColDistance:
        return commitPlainDistance(grid, r, c, text);
    default:
        return {};
    }
}

ColumnCommit commitColumn(TraverseGrid& grid, PlanState& plan, int r, int c,
                          const std::string& text) {
    grid.syncLinkPairs();
    if (r < 1 || r > grid.dataRows())
        return {};
    // A digitized string's row is carried whole: its cells are not typed in.
    if (grid.kind == GridKind::Scaled && !grid.cell(r, ColLink).empty())
        return {};
    const GridRow before = grid.at(r);
    ColumnCommit done;
    if (grid.kind == GridKind::Marks) {
        done = commitMarkColumn(grid, r, c, text);
    } else if (grid.kind == GridKind::Scaled) {
        done = commitScaledColumn(grid, r, c, text);
    } else {
        switch (c) {
        case ColFrom:
            done = commitFrom(grid, r, text);
            break;
        case ColTo:
            done = commitTo(grid, plan, r, text);
            break;
        case ColBearing:
            done = commitBearing(grid, r, text);
            break;
        case ColDistance:
            done = commitDistance(grid, r, text);
            break;
        case ColWidth:
            if (LastEntryColumn(grid.kind) == ColWidth)
                done = commitWidth(grid, r, text);
            break;
        default:
            break;
        }
    }
    // Whatever way the text came (typed, a shortcut key, the toolbar), a changed row is a
    // change the save must see.
    if (done.ok && grid.at(r) != before)
        MarkChanged(grid);
    return done;
}

// The cursor moves of a completed commit at (r, c).
void moveOn(TraverseGrid& grid, int r, int c, bool rowFilled, CommitOutcome& outcome) {
    const int last = LastEntryColumn(grid.kind);
    const int colAfter =
        (grid.kind != GridKind::Marks && c == ColTo && rowFilled) ? ColDistance : c;
    grid.row = r;
    if (colAfter < last) {
        grid.col = colAfter + 1;
        return;
    }
    grid.col = last;
    if (grid.chkParcel && r >= 2 && samePoint(grid.cell(r, ColTo), grid.cell(1, ColFrom))) {
        outcome.runClosure = true;
        return;
    }
    if (r == grid.dataRows())
        grid.insertRow(r + 1);
    grid.row = r + 1;
    grid.col = ColFrom;
    // A connection row stands alone; the other grids are traverses, each line starting where
    // the one above ended.
    if (grid.kind != GridKind::Marks && !grid.chkEdit && grid.row >= 2) {
        std::string& from = grid.cell(grid.row, ColFrom);
        // A row whose From moves to another point no longer names the stored line it was
        // linked to.
        if (!samePoint(from, grid.cell(r, ColTo)))
            grid.clearLink(grid.row);
        grid.cell(grid.row, ColFrom) = grid.cell(r, ColTo);
        grid.col = ColTo;
    }
}

} // namespace

Error InvalidBearingMessage() {
    return {"Invalid bearing", "Traverse input error", Icon::Critical};
}

Error InvalidWidthMessage() {
    return {"Invalid width\nA width is 0 or more", "Traverse input error", Icon::Exclamation};
}

std::string MarkNumberEntry(const std::string& text) {
    // A mark number is often written with a "/" after its first four digits ("1234/56789"):
    // the digits are kept and the "/" dropped. A "/" elsewhere from the fourth character on is
    // dropped the same way, never a digit with it.
    const auto slash = text.find('/');
    if (slash != std::string::npos && slash >= 3)
        return text.substr(0, slash) + text.substr(slash + 1);
    return text;
}

Error InvalidPointLabelMessage() {
    return {"Invalid point number\nA point is a whole number, or PM, SSM, TS, MSM or GBM and a "
            "whole number, of at most 9 characters",
            "Traverse input error", Icon::Exclamation};
}

Error InvalidDistanceMessage() {
    return {"Invalid distance\nA distance is a number of metres from 0.001 to " +
                GeneralText(kMaxDistance) + ", or a sum such as 10.5+2.25-1",
            "Traverse input error", Icon::Exclamation};
}

std::optional<std::string> DistanceEntryText(std::string_view text) {
    const std::string t = trimmed(text);
    if (t == kNoData)
        return t;
    // Text that is no sum would be read as far as it goes ("12m" as 12, "abc" as nothing).
    if (!IsDistanceSum(t))
        return std::nullopt;
    std::string parts;
    for (char c : t)
        if (c != ' ' && c != '\t')
            parts += c;
    // The total keeps its sign: one of 0 or below is no distance (a "-" in front is no back
    // distance, as it is for a bearing).
    double total = 0;
    std::string part;
    auto add = [&total, &part]() {
        total += FiniteVal(part).value_or(std::numeric_limits<double>::infinity());
    };
    for (char c : parts) {
        if (c == '+' || c == '-') {
            add();
            part = c == '-' ? "-" : "";
        } else {
            part += c;
        }
    }
    add();
    // A figure no survey holds would overflow the closure; a line under a millimetre would be
    // stored as 0.000, the mark of a deleted line, and lost at the next save.
    if (!std::isfinite(total) || !(total >= kMinDistance) || total > kMaxDistance)
        return std::nullopt;
    return Format(total, "0.000");
}

std::optional<std::string> BearingEntryText(std::string_view text) {
    std::string t = trimmed(text);
    if (t == kNoData)
        return t;
    if (!IsNumberText(t))
        return std::nullopt;
    // Digits too many for a number are no bearing (never north).
    const auto value = FiniteVal(t);
    if (!value)
        return std::nullopt;
    const double v = *value;
    if (v == kMissingBearing)
        return std::string(kNoData);
    std::string result;
    if (v < 0) {
        // A bearing typed with "-" in front is the back bearing of what follows it, which
        // must itself be a bearing.
        if (!ValidBearing(Format(-v, "0.0000")))
            return std::nullopt;
        result = ReverseBearing(-v);
    } else {
        result = Format(v, "0.0000");
    }
    if (!ValidBearing(result))
        return std::nullopt;
    return result;
}

CommitOutcome CommitCell(TraverseGrid& grid, PlanState& plan, const std::string& text) {
    CommitOutcome outcome;
    const int r = grid.row;
    const int c = grid.col;
    ColumnCommit done = commitColumn(grid, plan, r, c, text);
    outcome.message = std::move(done.message);
    if (!done.ok)
        return outcome;
    outcome.accepted = true;
    moveOn(grid, r, c, done.rowFilled, outcome);
    return outcome;
}

CommitOutcome CommitCellInPlace(TraverseGrid& grid, PlanState& plan, int row, int col,
                                const std::string& text) {
    CommitOutcome outcome;
    // Leaving a cell as it was changes nothing: its commit would refill the row from the
    // stored line (a To) or drop the row's link (a From).
    if (row >= 1 && row <= grid.dataRows() && col >= ColFrom && col <= LastEntryColumn(grid.kind) &&
        grid.cell(row, col) == text) {
        outcome.accepted = true;
        return outcome;
    }
    ColumnCommit done = commitColumn(grid, plan, row, col, text);
    outcome.accepted = done.ok;
    outcome.message = std::move(done.message);
    return outcome;
}

Error NoFreePointMessage(std::int32_t limit) {
    return {"No point number below " + std::to_string(limit) + " is free", "New Point error",
            Icon::Exclamation};
}

CommitOutcome CommitNewPoint(TraverseGrid& grid, PlanState& plan) {
    if (grid.col != ColFrom && grid.col != ColTo)
        return {};
    auto number = TravFreePoint(grid, plan);
    if (!number) {
        CommitOutcome outcome;
        outcome.message = NoFreePointMessage(plan.PointNumberLimit);
        return outcome;
    }
    return CommitCell(grid, plan, Format(*number, "0"));
}

CommitOutcome CommitNoData(TraverseGrid& grid, PlanState& plan) {
    if (grid.col == ColBearing)
        return CommitCell(grid, plan, "999");
    if (grid.col == ColDistance)
        return CommitCell(grid, plan, kNoData);
    return {};
}

bool EscapeKey(TraverseGrid& grid) {
    if (grid.row < 1 || grid.row > grid.dataRows() || grid.row != grid.dataRows())
        return false;
    if (!grid.cell(grid.row, grid.col).empty())
        return false;
    UndoTraverse(grid);
    MarkChanged(grid);
    return true;
}

void InsertLine(TraverseGrid& grid) {
    MarkChanged(grid);
    grid.row = std::clamp(grid.row, 1, grid.dataRows() + 1);
    grid.insertRow(grid.row);
    grid.col = ColFrom;
    GetLastEntry(grid);
    grid.col = ColTo;
}

std::optional<int> ResolveLink(TraverseGrid& grid, const PlanState& plan, int row) {
    grid.syncLinkPairs();
    if (row < 1 || row > grid.dataRows())
        return std::nullopt;
    const int link = LinkIndex(grid.at(row));
    if (link < 0)
        return std::nullopt;
    const auto& lines = plan.PlanLines;
    const int count = static_cast<int>(lines.size());
    const auto& pair = grid.linkPairs[static_cast<size_t>(row - 1)];
    if (!pair) // a link set before pairs were kept: the index is all there is
        return link < count ? std::optional<int>(link) : std::nullopt;
    if (link < count && pair->joins(lines[static_cast<size_t>(link)]))
        return link;
    int fallback = -1;
    for (int i = 0; i < count; ++i) {
        const LineRecord& line = lines[static_cast<size_t>(i)];
        if (!pair->joins(line))
            continue;
        if (line.Distance > 0) {
            fallback = i;
            break;
        }
        if (fallback < 0)
            fallback = i;
    }
    if (fallback < 0) {
        grid.clearLink(row);
        return std::nullopt;
    }
    grid.cell(row, ColLink) = Format(fallback, "0");
    return fallback;
}

bool DeleteLine(TraverseGrid& grid, PlanState& plan) {
    MarkChanged(grid);
    if (grid.dataRows() < 2 || grid.row < 1 || grid.row > grid.dataRows())
        return false;
    // Only a parcel's or the connections' traverse deletes the stored line with its row: the
    // tool grids hold lines to compute with, whose rows a user may drop freely.
    if (!grid.chkEdit && grid.kind == GridKind::Traverse) {
        if (auto index = ResolveLink(grid, plan, grid.row)) {
            LineRecord& line = plan.PlanLines[static_cast<size_t>(*index)];
            // Marked once: a second row linked to the same line must not unmark it.
            if (line.Distance > 0)
                line.Distance = -line.Distance;
        }
    }
    grid.removeRow(grid.row);
    grid.row = std::min(grid.row, grid.dataRows());
    return true;
}

CurveLine CurveEntryLine(const TraverseGrid& grid) {
    CurveLine line;
    if (grid.row < 1 || grid.row > grid.dataRows())
        return line;
    line.from = PointLabelToNumber(grid.cell(grid.row, ColFrom));
    line.to = PointLabelToNumber(grid.cell(grid.row, ColTo));
    line.bearing = grid.cell(grid.row, ColBearing);
    line.distance = grid.cell(grid.row, ColDistance);
    return line;
}

CommitOutcome ApplyCurveEntry(TraverseGrid& grid, PlanState& plan, const std::string& radiusText,
                              const std::string& arcText) {
    MarkChanged(grid);
    if (grid.row < 1 || grid.row > grid.dataRows())
        return {};
    grid.cell(grid.row, ColBearing) = "R" + Format(Val(radiusText), "0.000");
    grid.col = ColDistance;
    return CommitCell(grid, plan, Format(Val(arcText), "0.000"));
}

} // namespace corvane
