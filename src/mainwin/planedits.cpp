// Whole-plan edits and checks.
#include "mainwin/frmcorvane.h"

#include "core/curves.h"
#include "core/numtext.h"
#include "core/plancoords.h"
#include "core/planedits.h"
#include "core/pointlabel.h"
#include "core/polygons.h"
#include "core/textfile.h"
#include "traverse/frmtraverse.h"

#include <QListWidget>

namespace corvane {

void frmCorvane::mnuConnections_Click() {
    traverse_->openConnections();
}

void frmCorvane::mnuEditLines_Click() {
    traverse_->openEditLines();
}

void frmCorvane::mnuPointNumber_Click() {
    if (!EnsureLinesLoaded())
        return;
    const QString title = QStringLiteral("Change Point Number");
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
    Status renumbered = RenumberPoint(plan_, PointLabelToNumber(toCore(first.trimmed())),
                                      PointLabelToNumber(toCore(second.trimmed())), ask);
    if (!renumbered)
        ShowError(renumbered.error());
}

void frmCorvane::mnuDatumBearing_Click() {
    if (!EnsureLinesLoaded())
        return;
    if (plan_.PlanLines.empty()) {
        desktop_.message(QStringLiteral("No bearing lines found"), QStringLiteral("Corvane"));
        return;
    }
    const QString answer =
        desktop_.inputBox(QStringLiteral("Enter amount to add to all bearings in DEG.MMSS"),
                          QStringLiteral("Edit Datum Bearing"));
    if (Val(toCore(answer)) == 0)
        return;
    Status swung;
    {
        BusyCursor busy(desktop_);
        swung = SwingDatumBearing(plan_, toCore(answer.trimmed()));
    }
    if (!swung) {
        const bool format = swung.error().message == "Bearing format incorrect";
        ShowError(swung.error(), format ? Icon::Question : Icon::Exclamation);
        return;
    }
    desktop_.message(QStringLiteral("All bearings have been adjusted by ") + answer,
                     QStringLiteral("Edit Datum Bearing"));
}

void frmCorvane::mnuDistanceUnits_Click() {
    if (!EnsureLinesLoaded())
        return;
    if (plan_.PlanLines.empty()) {
        desktop_.message(QStringLiteral("No lines to rescale"), QStringLiteral("Corvane"));
        return;
    }
    const QString answer = desktop_.inputBox(
        QStringLiteral("Enter Scale Factor to use for all distances\neg: 0.3048 or 0.201168"),
        QStringLiteral("Rescale Distances"));
    if (Val(toCore(answer)) == 0)
        return;
    // Only a plain number above 0: a negative factor would drop every line when written.
    const auto factor = NumberField(toCore(answer), 0, kMaxDistance);
    Status scaled =
        factor && *factor > 0
            ? Status()
            : Status(Error{"The scale factor must be a number above 0", "Edit Distance Units"});
    if (scaled) {
        BusyCursor busy(desktop_);
        scaled = RescaleDistanceUnits(plan_, *factor);
    }
    if (!scaled) {
        ShowError(scaled.error());
        return;
    }
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
    if (FileExists(plan_.PlanPath + ".ply")) {
        auto read = ReadPolygonsFile(ResolveFileName(plan_.PlanPath + ".ply"));
        if (!read) {
            ShowError(read.error());
            return;
        }
        polygons = std::move(read).value();
    }
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
    job->setFont(reportFont_.name, reportFont_.size);
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
