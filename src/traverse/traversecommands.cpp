// The window's commands: closure, OK, Cancel, the right button on OK, print, draw, find.

#include "core/base/textfile.h"
#include "core/geometry/plancoords.h"
#include "core/grid/traverse_closure.h"
#include "core/grid/traverse_save.h"
#include "core/reports/traverse_print.h"
#include "drawing/frmdrawplan.h"
#include "traverse/frmtraverse.h"

#include "core/reports/diagnosis.h"

#include <QDateTime>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QUndoStack>

namespace corvane {

namespace {

AreaDialog::AreaType areaTypeOf(AreaOption option) {
    switch (option) {
    case AreaOption::Approximate:
        return AreaDialog::AreaType::Approximate;
    case AreaOption::Deduced:
        return AreaDialog::AreaType::Deduced;
    case AreaOption::Calculated:
        break;
    }
    return AreaDialog::AreaType::Calculated;
}

AreaOption areaOptionOf(AreaDialog::AreaType type) {
    switch (type) {
    case AreaDialog::AreaType::Approximate:
        return AreaOption::Approximate;
    case AreaDialog::AreaType::Deduced:
        return AreaOption::Deduced;
    case AreaDialog::AreaType::Calculated:
        break;
    }
    return AreaOption::Calculated;
}

} // namespace

void frmTraverse::cmdClosure_Click() {
    hideEditor();
    const auto curves = readCurves();
    if (!curves)
        return;
    const Result<ClosureReport> closed =
        ClosureCommand(grid_, plan(), accuracyClass(), *curves, questioner());
    showGrid();
    if (!closed) {
        showMessage(closed.error());
        return;
    }
    showClosure(closed.value());
    cmdOK->setFocus();
}

void frmTraverse::showClosure(const ClosureReport& report) {
    setAreaResult(report);
    desktop().message(fromCore(report.text), fromCore(report.title), Icon::Exclamation);
}

// A parcel's closure hands its area to the area window, which OK stores with the parcel.
void frmTraverse::setAreaResult(const ClosureReport& report) {
    if (!report.parcel)
        return;
    area_ = report.area;
    areaOption_ = report.areaOption;
    if (AreaDialog* area = host_.areaDialog()) {
        area->setArea(report.area);
        area->setAreaType(areaTypeOf(report.areaOption));
    }
}

bool frmTraverse::refuseSave() {
    const QString title = QStringLiteral("Save Lines error");
    if (host_.refuseWrite(QStringLiteral("the traverse window"), title))
        return true;
    if (auto stale = LinesChangedSince(plan(), filledStamp_)) {
        desktop().message(fromCore(*stale), title, Icon::Exclamation);
        return true;
    }
    return false;
}

void frmTraverse::cmdOK_Click() {
    hideEditor();
    if (refuseSave())
        return;
    // OK stores the rows in the lines in memory before the files are written. When no file
    // is written after all, memory and the rows are put back as they were: a later save must
    // never write lines this OK could not store.
    const PlanState& now = plan();
    const std::vector<LineRecord> linesBefore = now.PlanLines;
    const bool arrayBefore = now.chkArray;
    const FileState loadedBefore = now.LoadedLines;
    const bool failedBefore = now.LinesLoadFailed;
    const std::string failureBefore = now.LinesLoadFailure;
    const std::uint64_t generation = now.LinesGeneration;
    const TraverseGrid gridBefore = grid_;
    auto putBack = [&] {
        if (plan().LinesGeneration != generation)
            return; // the lines file holds what memory holds
        plan().PlanLines = linesBefore;
        plan().chkArray = arrayBefore;
        plan().LoadedLines = loadedBefore;
        plan().LinesLoadFailed = failedBefore;
        plan().LinesLoadFailure = failureBefore;
        grid_ = gridBefore;
        showGrid();
    };
    OkLinesOutcome lines =
        OkSaveLines(grid_, plan(), static_cast<int>(host_.parcels().size()), questioner());
    // What this OK wrote of the lines file is the window's own: an OK tried again after a
    // refusal is no stale save.
    filledStamp_ = CurrentLinesStamp(plan());
    showGrid();
    if (lines.message)
        showMessage(*lines.message);
    if (!lines.status)
        showError(lines.status.error());
    if (lines.stayOpen) {
        // A broken sequence of an unchanged parcel is said too: OK must not just do nothing.
        if (!lines.message && lines.status) {
            if (auto sequence = CheckSequence(grid_, true).message)
                showMessage(*sequence);
        }
        putBack();
        return;
    }
    if (grid_.chkParcel && !saveParcelHalf(std::move(lines.linesFile))) {
        putBack();
        return;
    }
    hide();
}

// OK in parcel mode once the lines are stored in PlanLines: the closure and area are settled
// and the parcel is rewritten in, or appended to, the polygons file, in one commit with the
// lines file. False keeps the window open.
bool frmTraverse::saveParcelHalf(std::optional<StagedFile> linesFile) {
    if (!grid_.chkClosure) {
        // A curve file that cannot be read is reported and the closure goes on without it
        // (its arcs are missing data), so that the parcel is stored with the lines.
        const auto curves = readCurves();
        ClosureReport report = CalcClosure(grid_, plan(), false, accuracyClass(),
                                           curves ? *curves : CurveTable(), questioner());
        showGrid();
        showClosure(report);
    }
    double squareMetres = area_;
    AreaOption option = areaOption_;
    bool cancelled = false;
    if (AreaDialog* area = host_.areaDialog()) {
        // The area window is shared: another parcel's area may have been edited in it
        // since this closure, so it is given back this parcel's before it is read.
        area->setCaption(fromCore(grid_.caption));
        area->setArea(area_);
        area->setAreaType(areaTypeOf(areaOption_));
        // An area the closure could not calculate is confirmed by the user (an easement's
        // is taken as it is).
        if (area->areaType() != AreaDialog::AreaType::Calculated) {
            area->setRecalcVisible(false);
            area->setChkCancel(false);
            area->setCancelVisible(!grid_.chkChange);
            if (NeedsAreaWindow(grid_, false)) {
                area->setCaption(fromCore(grid_.caption));
                area->showModal();
            }
        }
        // The area as the closure computed it, unless the user typed another.
        const Result<double> entered = area->enteredArea();
        if (!entered) {
            showError(entered.error());
            return false;
        }
        squareMetres = entered.value();
        option = areaOptionOf(area->areaType());
        cancelled = area->chkCancel();
    }
    const ParcelSaveOutcome saved = OkSaveParcel(grid_, plan(), squareMetres, AreaCodeFor(option),
                                                 cancelled, questioner(), std::move(linesFile));
    if (!saved.status) {
        showError(saved.status.error());
        return false;
    }
    if (saved.appended) {
        const QString identifier = fromCore(grid_.caption);
        host_.addParcel(identifier, true);
        emit parcelAdded(identifier);
    }
    return true;
}

void frmTraverse::cmdCancel_Click() {
    runCancel();
}

bool frmTraverse::runCancel(bool ask) {
    bool saveLines = false;
    if (ask && hasUnsavedEdits()) {
        const Answer answer = desktop().message(QStringLiteral("Do you want to save the lines ?"),
                                                QStringLiteral("Cancel Traverse Form"),
                                                Icon::Question, Buttons::YesNoCancel, Answer::Yes);
        if (answer == Answer::Cancel)
            return false; // back to the rows, and to the cell being typed
        saveLines = answer == Answer::Yes;
        // What is typed in the open cell is part of the lines stored.
        if (saveLines && lineGrid_->editorVisible())
            lineGrid_->commitEditor();
        // The whole lines file is this mode's rows: they are stored as OK stores them.
        if (saveLines && grid_.chkEdit)
            return saveEdits();
        if (saveLines && refuseSave())
            return false;
    }
    hideEditor();
    showGrid();
    const Result<void> cancelled = CancelTraverse(grid_, plan(), saveLines);
    showGrid();
    if (!cancelled) {
        showError(cancelled.error());
        return false;
    }
    hide();
    return true;
}

bool frmTraverse::hasUnsavedEdits() {
    if (!isVisible())
        return false;
    // A change the grid has not shown yet is made a step first, so that it counts.
    if (!lineGrid_->editorVisible())
        showGrid();
    return lineGrid_->editorHoldsChange() || !lineGrid_->undoStack()->isClean();
}

QString frmTraverse::planWindowName() const {
    return QStringLiteral("The traverse window (") + fromCore(grid_.caption) + QLatin1Char(')');
}

bool frmTraverse::saveEdits() {
    // What is typed in the open cell is part of the lines stored.
    if (lineGrid_->editorVisible())
        lineGrid_->commitEditor();
    cmdOK_Click();
    return !isVisible();
}

void frmTraverse::cmdOK_RightClick() {
    if (grid_.chkParcel || grid_.chkEdit)
        return;
    hideEditor();
    if (refuseSave())
        return;
    const Result<void> saved = RightButtonOk(grid_, plan());
    showGrid();
    if (!saved) {
        showError(saved.error());
        return;
    }
    hide();
}

void frmTraverse::cmdPrint_Click() {
    hideEditor();
    cmdPrint->setEnabled(false);
    if (const auto curves = readCurves()) {
        const QString printedOn =
            QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
        const TraversePrintout printout =
            PrintTraverseSheet(grid_, plan(), accuracyClass(), *curves, toCore(printedOn));
        showGrid();
        // A closure run for the sheet is this parcel's, whether or not the sheet prints.
        if (printout.closure)
            setAreaResult(*printout.closure);
        if (!printout.lines.empty()) {
            // The sheet is named as its heading names it: a parcel's closure, the lines
            // data, or a traverse.
            const QString what = grid_.chkEdit     ? QStringLiteral("lines data")
                                 : grid_.chkParcel ? fromCore(grid_.caption) + " traverse"
                                                   : QStringLiteral("traverse");
            auto job = desktop().startPrint(fromCore(grid_.caption),
                                            PathFromCore(DirectoryOf(plan().PlanPath)),
                                            PrintoutPdfName(plan().PlanPath, what));
            if (!job) {
                cmdPrint->setEnabled(true);
                return;
            }
            const FontChoice font = host_.reportFont();
            job->setFont(font.name, font.size);
            // The sheet's columns are laid out for ten point type.
            job->setFont(font.name, 10);
            for (const PrintLine& line : printout.lines)
                job->print(line);
            const Result<QString> ended = job->endDocument();
            if (!ended)
                desktop().showError(
                    Error{ended.error().message, "Traverse Print error", Icon::Critical});
            else
                desktop().message(PrintedToText(ended.value()), QStringLiteral("CORVANE"),
                                  Icon::Exclamation);
        }
    }
    cmdPrint->setEnabled(true);
}

void frmTraverse::cmdDraw_Click() {
    hideEditor();
    if (grid_.dataRows() < 2) {
        desktop().message(QStringLiteral("Not enough lines to draw"),
                          QStringLiteral("Draw Parcel error"), Icon::Exclamation);
        return;
    }
    frmDrawPlan* view = host_.planView();
    const auto curves = readCurves();
    if (!view || !curves)
        return;
    LastGridLine(grid_);
    showGrid();
    // The traverse's own points, from its first point forwards and, in a parcel with a
    // missing line, from its closing point backwards; the view keeps a copy.
    CreateGridCoords(grid_, plan(), *curves);
    if (grid_.chkParcel && IsMissingData(grid_))
        ReverseGridCoords(grid_, plan(), *curves);
    std::vector<PointRecord> points = plan().PlanPoints;
    ShiftToOrigin(points);
    view->ShowPlan(PlanContent::ofTraverse(std::move(points), plan().PlanPath, windowTitle(),
                                           GridArcs(grid_, *curves)));
}

// The figures whose correction would close the parcel, best first; the one chosen goes into
// its cell as an ordinary edit (undone like any other, stored only by OK).
void frmTraverse::cmdFindError_Click() {
    hideEditor();
    const auto curves = readCurves();
    if (!curves)
        return;
    LastGridLine(grid_);
    showGrid();
    std::vector<Correction> candidates;
    {
        BusyCursor busy(desktop());
        candidates = DiagnoseRows(grid_.rows, *curves, accuracyClass());
    }
    if (candidates.empty()) {
        desktop().message(QStringLiteral("No single figure found whose correction closes the "
                                         "traverse"),
                          QStringLiteral("Find error"), Icon::Information);
        Grid1->setFocus();
        return;
    }
    QStringList items;
    for (const Correction& c : candidates)
        items << QString::fromUtf8(c.text.c_str());
    const int chosen =
        desktop().chooseItem(QStringLiteral("The figure most likely mistaken comes first:"),
                             QStringLiteral("Find error"), items);
    if (chosen < 0) {
        Grid1->setFocus();
        return;
    }
    const Correction& fix = candidates[static_cast<size_t>(chosen)];
    if (fix.column < 0 || fix.row < 1 || fix.row > grid_.dataRows()) {
        // An arc's turn is held in the curve file: the curve window (F8) changes it.
        desktop().message(items[chosen] + QStringLiteral("\nChange the arc's turn in its curve "
                                                         "data (F8)"),
                          QStringLiteral("Find error"), Icon::Information);
        return;
    }
    grid_.cell(fix.row, fix.column) = fix.proposed;
    MarkChanged(grid_);
    grid_.row = fix.row;
    grid_.col = fix.column;
    showGrid();
    Grid1->setFocus();
}

void frmTraverse::cmdFind_Click() {
    hideEditor();
    SearchOption option = SearchOption::PointNo;
    if (optBearing->isChecked())
        option = SearchOption::Bearing;
    else if (optDistance->isChecked())
        option = SearchOption::Distance;
    cmdFind->setEnabled(false);
    const Result<int> found = FindInGrid(grid_, option, toCore(txtFind->text()));
    cmdFind->setEnabled(true);
    if (found) {
        // A match out of sight is brought to the top of the grid.
        const QModelIndex match = lineGrid_->model()->index(found.value() - 1, grid_.col);
        const bool inSight = Grid1->viewport()->rect().contains(Grid1->visualRect(match));
        showGrid();
        if (!inSight)
            Grid1->scrollTo(match, QAbstractItemView::PositionAtTop);
    } else {
        showGrid();
    }
    if (!found)
        showMessage(found.error());
    Grid1->setFocus();
}

} // namespace corvane
