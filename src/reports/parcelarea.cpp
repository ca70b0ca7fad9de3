#include "reports/parcelarea.h"

#include "core/edits/parcelcmds.h"
#include "core/files/polygons.h"
#include "host/planhost.h"

namespace corvane {

namespace {

AreaDialog::AreaType typeOfCode(const std::string& code) {
    if (code == "A")
        return AreaDialog::AreaType::Approximate;
    if (code == "D")
        return AreaDialog::AreaType::Deduced;
    return AreaDialog::AreaType::Calculated;
}

} // namespace

void EditParcelArea(PlanHost& host, const QString& identifier) {
    Desktop& desktop = host.desktop();
    const std::string planPath = host.plan().PlanPath;
    const std::string id = toCore(identifier);
    const Result<bool> exists = ParcelExists(planPath, id);
    if (!exists) {
        desktop.showError(exists.error());
        return;
    }
    if (!exists.value()) {
        desktop.message(QStringLiteral("Data for parcel missing"),
                        QStringLiteral("Load Parcel error"), Icon::Exclamation);
        return;
    }
    AreaDialog* dialog = host.areaDialog();
    if (!dialog)
        return;
    auto stored = ReadParcelArea(planPath, id);
    if (!stored) {
        desktop.showError(stored.error());
        return;
    }

    dialog->setCaption(identifier);
    dialog->setCancelVisible(true);
    dialog->setRecalcVisible(true);
    dialog->setChkCancel(false);
    dialog->setArea(stored.value().Area);
    dialog->setAreaType(typeOfCode(stored.value().AreaCode));
    dialog->showModal();
    if (dialog->chkCancel())
        return;

    // The dialog refuses other text at its OK; the check here keeps a wrong entry from ever
    // reaching the file. The area left as offered (stored, or recalculated) is taken whole.
    auto area = dialog->enteredArea();
    if (!area) {
        desktop.showError(area.error());
        return;
    }
    const AreaDialog::AreaType type = dialog->areaType();
    const std::string code = AreaCodeOf(type == AreaDialog::AreaType::Approximate,
                                        type == AreaDialog::AreaType::Deduced);
    if (Result<void> updated = UpdateParcelEntry(planPath, id, id, area.value(), code); !updated)
        desktop.showError(updated.error());
}

} // namespace corvane
