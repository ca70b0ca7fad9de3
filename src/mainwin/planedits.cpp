// Whole-plan edits and checks.
#include "mainwin/frmcorvane.h"

#include "core/base/numtext.h"
#include "core/base/textfile.h"
#include "core/edits/planedits.h"
#include "core/files/curves.h"
#include "core/files/polygons.h"
#include "core/geometry/plancoords.h"
#include "core/model/bearing.h"
#include "core/model/pointlabel.h"
#include "traverse/frmtraverse.h"

#include <QListWidget>

namespace corvane {

bool frmCorvane::RefusePlanEdit(const QString& command, const QString& title, bool wholePlan) {
    if (refuseWrite(command, title))
        return true;
    if (!wholePlan)
        return false;
    // Rows read before this edit would later be written back over it.
    PlanWindow* window = windowWithUnsavedEdits();
    if (!window)
        return false;
    desktop_.message(command + QStringLiteral(" cannot run while ") + window->planWindowName() +
                         QStringLiteral(" holds changes that are not saved: they would later "
                                        "be written back over it.\nSave or cancel them first."),
                     title, Icon::Exclamation);
    return true;
}

bool frmCorvane::ReadPlanPolygons(std::vector<std::string>& polygons) {
    polygons.clear();
    if (!FileExists(plan_.PlanPath + ".ply"))
        return true;
    auto read = ReadPolygonsFile(ResolveFileName(plan_.PlanPath + ".ply"));
    if (!read) {
        ShowError(read.error());
        return false;
    }
    polygons = std::move(read).value();
    return true;
}

void frmCorvane::mnuConnections_Click() {
    if (RefusePlanEdit(QStringLiteral("Connections"), QStringLiteral("Connections error"), false))
        return;
    traverse_->openConnections();
}

void frmCorvane::mnuEditLines_Click() {
    if (RefusePlanEdit(QStringLiteral("Edit Lines"), QStringLiteral("Edit Lines error"), true))
        return;
    traverse_->openEditLines();
}

void frmCorvane::mnuPointNumber_Click() {
    const QString title = QStringLiteral("Change Point Number");
    if (RefusePlanEdit(QStringLiteral("Point Number"), title, true) || !EnsureLinesLoaded())
        return;
    if (plan_.PlanLines.empty()) {
        desktop_.message(QStringLiteral("No point numbers found"), title);
        return;
    }
    const std::int32_t next = NextPointNumber(plan_);
    const QString first =
        desktop_.inputBox(QStringLiteral("Enter the point number you wish to change"), title);
    if (first.isEmpty())
        return;
    // Both answers are point labels: "PM5" is mark 5, never point 0.
    auto refused = [&](const QString& answer) {
        if (ValidPointLabel(toCore(answer.trimmed())))
            return false;
        desktop_.message(QStringLiteral("Invalid point number ") + answer, title);
        return true;
    };
    if (refused(first))
        return;
    const QString second =
        desktop_.inputBox(QStringLiteral("Enter the new point number to replace ") + first, title,
                          fromCore(Format(next, "0")));
    if (second.isEmpty() || refused(second))
        return;
    const std::int32_t oldNumber = PointLabelToNumber(toCore(first.trimmed()));
    const std::int32_t newNumber = PointLabelToNumber(toCore(second.trimmed()));
    // A number another point has would join the two points into one (a line 21 to 21).
    if (newNumber != oldNumber) {
        std::vector<std::string> polygons;
        if (!ReadPlanPolygons(polygons))
            return;
        if (PointNumberInUse(plan_.PlanLines, polygons, newNumber)) {
            desktop_.message(QStringLiteral("Point ") + fromCore(PointNumberToLabel(newNumber)) +
                                 QStringLiteral(" is already in the plan\nEnter a number no "
                                                "other point has"),
                             QStringLiteral("Edit Point Number error"));
            return;
        }
    }
    if (!BackupFile(PlanFile(plan_.PlanPath, ".lns"))) {
        desktop_.message(QStringLiteral("No lines file found"),
                         QStringLiteral("Edit Point Number error"));
        return;
    }
    auto ask = [this, &title](const std::string& question) {
        switch (desktop_.message(fromCore(question), title, Icon::Question, Buttons::YesNoCancel)) {
        case Answer::Yes:
            return Reply::Yes;
        case Answer::No:
            return Reply::No;
        default:
            return Reply::Cancel;
        }
    };
    Result<void> renumbered = RenumberPoint(plan_, oldNumber, newNumber, ask);
    if (!renumbered)
        ShowError(renumbered.error());
    else
        plan_.LastLinesChange = "Point Number";
}

void frmCorvane::mnuDatumBearing_Click() {
    if (RefusePlanEdit(QStringLiteral("Datum Bearing"), QStringLiteral("Edit Datum Bearing"),
                       true) ||
        !EnsureLinesLoaded())
        return;
    if (plan_.PlanLines.empty()) {
        desktop_.message(QStringLiteral("No bearing lines found"), QStringLiteral("Corvane"));
        return;
    }
    const QString title = QStringLiteral("Edit Datum Bearing");
    const QString answer =
        desktop_.inputBox(QStringLiteral("Enter amount to add to all bearings in DEG.MMSS"), title);
    const std::string typed = toCore(answer.trimmed());
    if (typed.empty())
        return;
    const std::string_view size =
        typed.front() == '-' ? std::string_view(typed).substr(1) : std::string_view(typed);
    if (!IsNumberText(typed) || !ValidBearing(size)) {
        desktop_.message(QStringLiteral("Bearing format incorrect\nEnter the angle in DEG.MMSS: "
                                        "0.0300 is 0\u00B003'00\""),
                         QStringLiteral("CORVANE"), Icon::Question);
        return;
    }
    if (Val(typed) == 0)
        return;
    // "0.3" is 0°03', not 0°30': the angle is shown as it will be applied.
    if (desktop_.message(QStringLiteral("Turn every bearing by ") + fromCore(AngleText(typed)) +
                             QStringLiteral(" ?"),
                         title, Icon::Question, Buttons::YesNo, Answer::No) != Answer::Yes)
        return;
    Result<void> swung;
    {
        BusyCursor busy(desktop_);
        swung = SwingDatumBearing(plan_, typed);
    }
    if (!swung) {
        ShowError(swung.error());
        return;
    }
    plan_.LastLinesChange = "Datum Bearing";
    desktop_.message(QStringLiteral("All bearings have been adjusted by ") + answer +
                         QStringLiteral(" (") + fromCore(AngleText(typed)) + QLatin1Char(')'),
                     QStringLiteral("Edit Datum Bearing"));
}

void frmCorvane::mnuDistanceUnits_Click() {
    if (RefusePlanEdit(QStringLiteral("Distance Units"), QStringLiteral("Edit Distance Units"),
                       true) ||
        !EnsureLinesLoaded())
        return;
    if (plan_.PlanLines.empty()) {
        desktop_.message(QStringLiteral("No lines to rescale"), QStringLiteral("Corvane"));
        return;
    }
    const QString title = QStringLiteral("Edit Distance Units");
    const QString answer = desktop_.inputBox(
        QStringLiteral("Enter Scale Factor to use for all distances\neg: 0.3048 or 0.201168"),
        QStringLiteral("Rescale Distances"));
    const std::string typed = toCore(answer.trimmed());
    if (typed.empty() || (IsNumberText(typed) && Val(typed) == 0))
        return;
    // Only a plain number above 0: a negative factor would drop every line when written.
    const auto factor = NumberField(typed, 0, kMaxDistance);
    if (!factor || !(*factor > 0)) {
        ShowError(Error{"The scale factor must be a number above 0", toCore(title)});
        return;
    }
    int lines = 0;
    for (const LineRecord& line : plan_.PlanLines)
        if (line.Distance > 0)
            ++lines;
    if (desktop_.message(QStringLiteral("Multiply the distances of all %1 lines by %2 ?")
                             .arg(lines)
                             .arg(fromCore(GeneralText(*factor))),
                         title, Icon::Question, Buttons::YesNo, Answer::No) != Answer::Yes)
        return;
    Result<void> scaled;
    {
        BusyCursor busy(desktop_);
        scaled = RescaleDistanceUnits(plan_, *factor);
    }
    if (!scaled) {
        ShowError(scaled.error());
        return;
    }
    plan_.LastLinesChange = "Distance Units";
    desktop_.message(QStringLiteral("All distances have been scaled by ") + answer,
                     QStringLiteral("Edit Distance Units"));
}

void frmCorvane::mnuFindPoint_Click() {
    if (lstParcels->count() == 0)
        return;
    const QString answer = desktop_.inputBox(QStringLiteral("Enter point number"),
                                             QStringLiteral("Find point number"));
    if (answer.isEmpty())
        return;
    const QString title = QStringLiteral("Find point");
    if (!ValidPointLabel(toCore(answer.trimmed()))) {
        desktop_.message(QStringLiteral("Invalid point number ") + answer, title);
        return;
    }
    auto polygons = ReadPolygonsFile(ResolveFileName(plan_.PlanPath + ".ply"));
    if (!polygons) {
        ShowError(polygons.error());
        return;
    }
    const auto parcels =
        ParcelsUsingPoint(polygons.value(), PointLabelToNumber(toCore(answer.trimmed())));
    for (const std::string& identifier : parcels)
        if (desktop_.message(QStringLiteral("Point ") + answer + QStringLiteral(" found in ") +
                                 fromCore(identifier),
                             title, Icon::Exclamation, Buttons::OkCancel) == Answer::Cancel)
            return;
    desktop_.message(parcels.empty() ? QStringLiteral("Point ") + answer +
                                           QStringLiteral(" not used in any parcel")
                                     : QStringLiteral("Search complete"),
                     title);
}

void frmCorvane::mnuDoubleLines_Click() {
    // The lines as the file holds them now.
    plan_.chkArray = false;
    if (!EnsureLinesLoaded())
        return;
    const QString title = QStringLiteral("Double lines check");
    std::vector<std::string> polygons;
    if (!ReadPlanPolygons(polygons))
        return;
    DoubleLines doubles;
    {
        BusyCursor busy(desktop_);
        doubles = FindDoubleLines(plan_.PlanLines, polygons);
    }
    if (doubles.Count < 1) {
        desktop_.message(QStringLiteral("No double lines found"), title);
        return;
    }
    for (const DoubleLineReport& report : doubles.Reports)
        if (desktop_.message(fromCore(report.Text()), QStringLiteral("Search for double lines"),
                             Icon::Exclamation, Buttons::OkCancel) == Answer::Cancel)
            break;
    if (desktop_.message(QStringLiteral("Print results ?"), title, Icon::Question,
                         Buttons::YesNo) != Answer::Yes)
        return;
    auto job = desktop_.startPrint(QStringLiteral("Double lines check"),
                                   PathFromCore(DirectoryOf(plan_.PlanPath)),
                                   PrintoutPdfName(plan_.PlanPath, QStringLiteral("double lines")));
    if (!job)
        return;
    job->setFont(session_->reportFont().name, session_->reportFont().size);
    job->print("Check for double lines in " + plan_.PlanPath);
    job->emptyLine();
    for (const DoubleLineReport& report : doubles.Reports) {
        const std::string text = report.Text();
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            job->print(text.substr(start, end - start));
        job->print(text.substr(start));
    }
    auto done = job->endDocument();
    if (!done) {
        ShowError(done.error());
        return;
    }
    desktop_.message(PrintedToText(done.value()), title);
}

void frmCorvane::mnuPointErrors_Click() {
    plan_.chkArray = false;
    if (!EnsureLinesLoaded())
        return;
    auto curves = ReadCurveFile(plan_.PlanPath);
    if (!curves) {
        ShowError(curves.error());
        return;
    }
    std::vector<PointErrorLine> errors;
    {
        BusyCursor busy(desktop_);
        errors =
            FindPointErrors(plan_.PlanLines, BuildPlanCoordinates(plan_.PlanLines, curves.value()));
    }
    for (const PointErrorLine& error : errors)
        desktop_.message(fromCore(error.Text()), QStringLiteral("Point error detected"));
    if (errors.empty())
        desktop_.message(QStringLiteral("No point errors detected"),
                         QStringLiteral("Check point errors"));
}

} // namespace corvane
