// File > "Export GIS...": the plan's parcels, lines and points written for a GIS, on the map
// grid the plan is fitted to, or on a local engineering system named after the plan.
#include "core/base/textfile.h"
#include "core/exchange/gisexport.h"
#include "core/files/gridmarks.h"
#include "core/geometry/gridfit.h"
#include "mainwin/frmcorvane.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <optional>

namespace corvane {

namespace {

const QString kExportGisTitle = QStringLiteral("Export GIS");

// "EPSG:7856", "epsg 7856" or "7856": the code; nullopt for anything else.
std::optional<int> EpsgCode(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^\\s*(?:EPSG\\s*:?\\s*)?(\\d{4,6})\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

} // namespace

void frmCorvane::mnuExportGis_Click() {
    if (plan_.PlanPath.empty())
        return;
    QString name = desktop_.saveFileDialog(
        QStringLiteral("GeoPackage (*.gpkg)|*.gpkg|GeoJSON (*.geojson)|*.geojson"), kExportGisTitle,
        PathFromCore(DirectoryOf(plan_.PlanPath)));
    if (name.isEmpty())
        return;
    // A name typed without its extension is taken as the first kind offered.
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".gpkg");
    if (QFileInfo::exists(name) &&
        desktop_.message(name + QStringLiteral(" exists already.\nReplace it ?"), kExportGisTitle,
                         Icon::Question, Buttons::YesNo, Answer::No) != Answer::Yes)
        return;
    if (!EnsureLinesLoaded())
        return;

    GisExportOptions options;
    options.out = PathToCore(name);
    options.accuracyClass = toCore(accuracyClass());

    // A plan fitted to marks whose zone or datum is not known has no map grid of its own:
    // the surveyor names it, or the export is not made.
    Result<GridMarks> marks = ReadGridMarks(plan_.PlanPath);
    if (!marks) {
        ShowError(marks.error());
        return;
    }
    const int known = MapGridEpsg(marks.value().zone, marks.value().datum);
    if (known == 0 && marks.value().marks.size() >= 2) {
        std::optional<Result<PlanGridFit>> fitted;
        {
            BusyCursor busy(desktop_);
            fitted = FitPlanToGrid(plan_, marks.value().marks, GridFitOptions{});
        }
        if (*fitted && fitted->value().fit.fitted) {
            // The zone known, its datum not: the code of the newer datum is offered.
            const QString offered =
                marks.value().zone > 0
                    ? QStringLiteral("EPSG:%1").arg(MapGridEpsg(marks.value().zone, "GDA2020"))
                    : QString();
            const QString answer = desktop_.inputBox(
                QStringLiteral("The plan is fitted to its marks, but their map grid's zone or "
                               "datum is not known.\nEnter its coordinate system as EPSG:N "
                               "(GDA2020 MGA zone 56 is EPSG:7856, GDA94 MGA zone 56 "
                               "EPSG:28356)"),
                kExportGisTitle, offered);
            if (answer.trimmed().isEmpty())
                return;
            const std::optional<int> code = EpsgCode(answer);
            if (!code) {
                desktop_.message(answer.trimmed() +
                                     QStringLiteral(" is no coordinate system: give EPSG:N"),
                                 kExportGisTitle, Icon::Exclamation);
                return;
            }
            options.epsg = *code;
        }
    }

    Result<GisExportSummary> exported = [&] {
        BusyCursor busy(desktop_);
        return ExportGis(plan_, options);
    }();
    if (!exported) {
        ShowError(exported.error());
        return;
    }
    const GisExportSummary& summary = exported.value();
    QString text = name + QStringLiteral(" written\nCoordinate system: ") + fromCore(summary.crs) +
                   QStringLiteral("\n%1 parcels, %2 lines, %3 points")
                       .arg(summary.parcels)
                       .arg(summary.lines)
                       .arg(summary.points);
    if (summary.leftOut > 0)
        text += QStringLiteral(" (%1 left out)").arg(summary.leftOut);
    for (const std::string& note : summary.notes)
        text += QStringLiteral("\n") + fromCore(note);
    desktop_.message(text, kExportGisTitle, Icon::Information);
}

} // namespace corvane
