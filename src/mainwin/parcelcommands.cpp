// Commands on one parcel of the parcel list: a new parcel, its identifier, a copy, its
// deletion with the lines no other parcel uses, its area, and the raw plan files in the text
// editor. The polygons file is the parcel table; the list follows it.
#include "core/base/textfile.h"
#include "core/edits/parcelcmds.h"
#include "core/files/linesfile.h"
#include "mainwin/frmcorvane.h"
#include "mainwin/frmparcel.h"
#include "mainwin/startup.h"
#include "tools/frmpartywall.h"
#include "traverse/frmtraverse.h"

#include <QListWidget>
#include <optional>

#include "reports/parcelarea.h"

namespace corvane {

namespace {

const QString kSelectFromList = QStringLiteral("You must select a parcel from the list");
const QString kEditParcelIdError = QString::fromLatin1(kEditParcelIdTitle);
const QString kDeleteTitle = QStringLiteral("Delete Parcel");

QListWidgetItem* SelectedEntry(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

} // namespace

bool frmCorvane::EnsureLinesLoaded() {
    // Read again when the file changed since (in the text editor of View > Lines File...).
    if (LinesCurrent(plan_))
        return true;
    Result<void> loaded;
    {
        BusyCursor busy(desktop_);
        loaded = LoadLines(plan_);
    }
    if (!loaded) {
        ShowError(loaded.error());
        return false;
    }
    return true;
}

std::vector<std::string> frmCorvane::ParcelListEntries() const {
    std::vector<std::string> entries;
    for (const QString& identifier : parcels())
        entries.push_back(toCore(identifier));
    return entries;
}

void frmCorvane::lstParcels_DblClick() {
    const QString identifier = selectedParcel();
    if (!identifier.isEmpty())
        traverse_->openParcel(identifier);
}

void frmCorvane::mnuNewParcel_Click() {
    if (!parcelDialog_ ||
        RefusePlanEdit(QStringLiteral("New Parcel"), QStringLiteral("New Parcel error"), false) ||
        !EnsureLinesLoaded())
        return;
    parcelDialog_->offerNextIdentifier();
    parcelDialog_->move(pos());
    const QString identifier = parcelDialog_->askIdentifier();
    if (identifier.isEmpty())
        return;
    // An identifier already in the list edits that parcel.
    traverse_->openNewParcel(identifier, ParcelInList(ParcelListEntries(), toCore(identifier)));
}

void frmCorvane::mnuPartyWalls_Click() {
    if (!partyWall_ || RefusePlanEdit(QStringLiteral("Fixed Width Easements"),
                                      QStringLiteral("Fixed Width Easements"), false))
        return;
    QString identifier = desktop_
                             .inputBox(QStringLiteral("Enter parcel identifier"),
                                       QStringLiteral("Fixed Width Easement"))
                             .trimmed()
                             .toUpper();
    if (identifier.isEmpty())
        return;
    if (!identifier.startsWith(QLatin1String("EA")))
        identifier.prepend(QLatin1String("EA"));
    for (int i = 0; i < lstParcels->count(); ++i) {
        if (lstParcels->item(i)->text() == identifier) {
            lstParcels->setCurrentRow(i);
            desktop_.message(identifier + QStringLiteral(" already exists\nThis option can only be "
                                                         "used for new parcels"),
                             QStringLiteral("Fixed Width Easements"), Icon::Exclamation);
            return;
        }
    }
    if (!EnsureLinesLoaded())
        return;
    partyWall_->openStrip(identifier);
}

void frmCorvane::mnuEditParcel_Click() {
    const QString identifier = selectedParcel();
    if (identifier.isEmpty()) {
        desktop_.message(kSelectFromList, QStringLiteral("Edit Parcel error"), Icon::Exclamation);
        return;
    }
    traverse_->openParcel(identifier);
}

void frmCorvane::mnuParcelIdentifier_Click() {
    QListWidgetItem* selected = SelectedEntry(lstParcels);
    if (!selected) {
        desktop_.message(kSelectFromList, kEditParcelIdError, Icon::Exclamation);
        return;
    }
    const QString oldIdentifier = selected->text();
    if (!parcelDialog_ ||
        RefusePlanEdit(QStringLiteral("Parcel Identifier"), kEditParcelIdError, false))
        return;
    parcelDialog_->prefillFrom(oldIdentifier, true);
    const QString newIdentifier = parcelDialog_->askIdentifier();
    if (newIdentifier.isEmpty())
        return;

    const Result<bool> renamed = RenameParcel(plan_.PlanPath, ParcelListEntries(),
                                              toCore(oldIdentifier), toCore(newIdentifier));
    if (!renamed) {
        ShowError(renamed.error());
        return;
    }
    // The entry keeps its place in the list, as the parcel keeps its place in the file.
    if (renamed.value())
        selected->setText(newIdentifier);
}

void frmCorvane::mnuCopyParcel_Click() {
    const QString source = selectedParcel();
    if (source.isEmpty()) {
        desktop_.message(kSelectFromList, kEditParcelIdError, Icon::Exclamation);
        return;
    }
    if (!parcelDialog_ ||
        RefusePlanEdit(QStringLiteral("Copy Parcel"), QStringLiteral("Copy Parcel"), false))
        return;
    parcelDialog_->prefillFrom(source, false);
    const QString newIdentifier = parcelDialog_->askIdentifier();
    if (newIdentifier.isEmpty())
        return;

    Result<void> copied;
    {
        BusyCursor busy(desktop_);
        copied =
            CopyParcel(plan_.PlanPath, ParcelListEntries(), toCore(source), toCore(newIdentifier));
    }
    if (!copied) {
        ShowError(copied.error());
        return;
    }
    addParcel(newIdentifier, false);
    desktop_.message(QStringLiteral("Copy completed"), QStringLiteral("Copy Parcel"),
                     Icon::Information);
}

void frmCorvane::mnuDeleteParcel_Click() {
    QListWidgetItem* selected = SelectedEntry(lstParcels);
    if (!selected) {
        desktop_.message(QStringLiteral("Select a parcel from the Parcel List"),
                         QStringLiteral("Delete Parcel error"), Icon::Exclamation);
        return;
    }
    // The deleted parcel's lines are marked in PlanLines, so they must be the file's.
    if (RefusePlanEdit(QStringLiteral("Delete Parcel"), kDeleteTitle, true) || !EnsureLinesLoaded())
        return;
    const QString identifier = selected->text();
    if (desktop_.message(QStringLiteral("Delete ") + identifier + QStringLiteral(" ?"),
                         kDeleteTitle, Icon::Question, Buttons::YesNo, Answer::No) != Answer::Yes)
        return;

    std::optional<Result<ParcelDeletion>> deletion;
    {
        BusyCursor busy(desktop_);
        deletion.emplace(DeleteParcelAndMarkLines(plan_, toCore(identifier)));
    }
    if (!*deletion) {
        // The polygons file still holds the parcel: the list keeps it and no line is marked.
        ShowError(deletion->error());
        return;
    }

    // The polygons file and the lines file change in one commit once both answers are in, so
    // a failure (or a program killed) never leaves the parcel gone and its lines half dropped.
    const Answer unusedLines =
        desktop_.message(identifier + QStringLiteral(" deleted from polygons file.\n"
                                                     "Delete unused lines as well ?"),
                         kDeleteTitle, Icon::Question, Buttons::YesNo, Answer::No);
    Result<void> deleted;
    {
        BusyCursor busy(desktop_);
        deleted = CommitParcelDeletion(plan_, deletion->value(), unusedLines == Answer::Yes);
    }
    if (!deleted) {
        // Neither file was written: the list keeps the parcel.
        ShowError(deleted.error());
        return;
    }
    delete lstParcels->takeItem(lstParcels->row(selected));
    if (unusedLines == Answer::Yes)
        plan_.LastLinesChange = "Delete Parcel";
}

void frmCorvane::mnuArea_Click() {
    const QString identifier = selectedParcel();
    if (identifier.isEmpty()) {
        desktop_.message(QStringLiteral("You must select a parcel from the Parcel List"),
                         QString::fromLatin1(kEditAreaTitle), Icon::Exclamation);
        return;
    }
    if (RefusePlanEdit(QStringLiteral("Area"), QString::fromLatin1(kEditAreaTitle), false))
        return;
    EditParcelArea(*session_, identifier);
}

void frmCorvane::mnuViewParcel_Click() {
    const QString identifier = selectedParcel();
    if (identifier.isEmpty()) {
        desktop_.message(QStringLiteral("You must select a parcel"),
                         QStringLiteral("View Parcel error"), Icon::Exclamation);
        return;
    }
    traverse_->openParcel(identifier);
}

void frmCorvane::ViewPlanFile(std::string_view extension, const QString& missing,
                              const QString& title) {
    const std::string file = PlanFile(plan_.PlanPath, extension);
    if (plan_.PlanPath.empty() || !FileExists(file)) {
        desktop_.message(missing, title, Icon::Exclamation);
        return;
    }
    const QString path = PathFromCore(ResolveFileName(file));
    if (Result<void> opened = desktop_.openInTextEditor(path); !opened) {
        desktop_.showError(Error{opened.error().message, toCore(title)});
        return;
    }
    // The user may change the file in the editor: the lines are read again before the next
    // command that needs them.
    plan_.chkArray = false;
}

void frmCorvane::mnuViewLines_Click() {
    ViewPlanFile(".lns", QStringLiteral("No lines file located"),
                 QStringLiteral("View Lines File error"));
}

void frmCorvane::mnuViewPolygons_Click() {
    ViewPlanFile(".ply", QStringLiteral("No polygons file located"),
                 QStringLiteral("View Polygons File error"));
}

} // namespace corvane
