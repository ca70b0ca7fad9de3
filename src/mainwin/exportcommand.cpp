// File > "Export Parcel": the selected parcel is appended to another plan, with the lines
// (and arcs) of it that plan lacks. The open plan is not changed.
#include "core/export.h"
#include "core/network.h"
#include "core/textfile.h"
#include "mainwin/frmcorvane.h"
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
        const std::string root = NetworkRootText();
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

    Status exported;
    {
        BusyCursor busy(desktop_);
        exported = ExportParcelTo(plan_, targetBase, toCore(parcel));
    }
    if (!exported) {
        ShowError(exported.error());
        return;
    }
    desktop_.message(QStringLiteral("Export completed"), QStringLiteral("Export ") + parcel,
                     Icon::Information);
}

} // namespace corvane
