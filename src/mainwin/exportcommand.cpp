// File > "Export Parcel": the selected parcel is appended to another plan, with the lines
// (and arcs) of it that plan lacks; the open plan is not changed. File > "Import LandXML..."
// and "Export LandXML...": plans exchanged with other survey software.
#include "core/base/textfile.h"
#include "core/exchange/parcelexport.h"
#include "core/files/network.h"
#include "core/files/planlock.h"
#include "mainwin/frmcorvane.h"

#include "core/exchange/landxml.h"
#include "mainwin/frmimport.h"
#include "mainwin/startup.h"

namespace corvane {

namespace {

const QString kExportErrorTitle = QString::fromLatin1(kExportTitle);

} // namespace

void frmCorvane::mnuExportParcel_Click() {
    const QString parcel = selectedParcel();
    if (parcel.isEmpty()) {
        desktop_.message(QStringLiteral("No parcel has been selected"), kExportErrorTitle,
                         Icon::Exclamation);
        return;
    }

    std::string targetBase;
    if (networkMode()) {
        // The target plan is written straight onto the share.
        const std::string root = session_->NetworkRootText();
        if (!VrxNetExists(root)) {
            desktop_.message(QStringLiteral("VRX network not available"), kExportErrorTitle,
                             Icon::Exclamation);
            return;
        }
        const QString answer =
            desktop_.inputBox(QStringLiteral("Enter the new plan identifier eg: D12345"),
                              QStringLiteral("Export Parcel"));
        if (answer.isEmpty())
            return;
        // An identifier typed with its lines file's extension names the same plan.
        targetBase = HalvernPlan(root, ExportTargetBase(toCore(answer)));
        if (targetBase.empty()) {
            desktop_.message(answer + QStringLiteral(" is not a valid plan identifier"),
                             kExportErrorTitle, Icon::Exclamation);
            return;
        }
    } else {
        const QString chosen = desktop_.saveFileDialog(
            QStringLiteral("CORVANE files (*.LNS)|*.lns"), QStringLiteral("Export Parcel To"),
            PathFromCore(DirectoryOf(plan_.PlanPath)));
        if (chosen.isEmpty())
            return;
        targetBase = ExportTargetBase(PathToCore(chosen));
    }

    // The other plan is locked while the parcel goes in, as if opened for editing: a plan
    // someone has open is not written behind their back (their next save would undo it).
    const std::string targetLock = PlanLockFile(targetBase);
    auto locked = TakePlanLock(targetLock, session_->LockHolderNow());
    if (!locked) {
        ShowError(Error{locked.error().message, kExportTitle});
        return;
    }
    if (locked.value().Outcome != LockOutcome::Taken) {
        desktop_.message(fromCore(LockHolderText(FileNameOf(targetBase), locked.value().Holder)) +
                             QStringLiteral(".\nExport the parcel once it is closed."),
                         kExportErrorTitle, Icon::Exclamation);
        return;
    }
    Result<void> exported;
    {
        BusyCursor busy(desktop_);
        exported = ExportParcelTo(plan_, targetBase, toCore(parcel));
    }
    ReleasePlanLock(targetLock, locked.value().Holder);
    if (!exported) {
        ShowError(exported.error());
        return;
    }
    desktop_.message(QStringLiteral("Export completed"), QStringLiteral("Export ") + parcel,
                     Icon::Information);
}

} // namespace corvane

namespace corvane {

void frmCorvane::mnuImportLandXml_Click() {
    if (import_)
        import_->openImport();
}

void frmCorvane::mnuExportLandXml_Click() {
    if (plan_.PlanPath.empty())
        return;
    const QString name = desktop_.saveFileDialog(QStringLiteral("LandXML files (*.xml)|*.xml"),
                                                 QStringLiteral("Export LandXML"),
                                                 PathFromCore(DirectoryOf(plan_.PlanPath)));
    if (name.isEmpty())
        return;
    Result<LandXmlExport> exported = [&] {
        BusyCursor busy(desktop_);
        return ExportLandXmlFile(plan_.PlanPath, PathToCore(name), plan_.PointNumberLimit);
    }();
    if (!exported) {
        ShowError(exported.error());
        return;
    }
    QString text = name + QStringLiteral(" written");
    // A long list would run off the screen; the command line lists every parcel.
    constexpr size_t kShown = 20;
    const std::vector<std::string> findings = LandXmlExportFindings(exported.value());
    for (size_t i = 0; i < findings.size() && i < kShown; ++i)
        text += QStringLiteral("\n") + fromCore(findings[i]);
    if (findings.size() > kShown)
        text += QStringLiteral("\n... and %1 more").arg(findings.size() - kShown);
    const bool leftOut =
        !exported.value().ParcelsLeftOut.empty() || !exported.value().BearingsLeftOut.empty();
    desktop_.message(text, QStringLiteral("Export LandXML"),
                     leftOut ? Icon::Exclamation : Icon::Information);
}

} // namespace corvane
