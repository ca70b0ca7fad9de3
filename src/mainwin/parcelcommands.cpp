// Commands on one parcel of the parcel list, and parcel export. Each is offered now and
// built out as its window arrives.
#include "mainwin/frmcorvane.h"

namespace corvane {

void frmCorvane::lstParcels_DblClick() {
    NotYetAvailable(QStringLiteral("Parcel..."));
}

void frmCorvane::mnuNewParcel_Click() {
    NotYetAvailable(QStringLiteral("NewParcel..."));
}

void frmCorvane::mnuPartyWalls_Click() {
    NotYetAvailable(QStringLiteral("Party Walls..."));
}

void frmCorvane::mnuEditParcel_Click() {
    NotYetAvailable(QStringLiteral("Parcel..."));
}

void frmCorvane::mnuParcelIdentifier_Click() {
    NotYetAvailable(QStringLiteral("Parcel Identifier"));
}

void frmCorvane::mnuArea_Click() {
    NotYetAvailable(QStringLiteral("Area..."));
}

void frmCorvane::mnuDeleteParcel_Click() {
    NotYetAvailable(QStringLiteral("Delete Parcel"));
}

void frmCorvane::mnuCopyParcel_Click() {
    NotYetAvailable(QStringLiteral("Copy Parcel..."));
}

void frmCorvane::mnuViewParcel_Click() {
    NotYetAvailable(QStringLiteral("Parcel..."));
}

void frmCorvane::mnuViewLines_Click() {
    NotYetAvailable(QStringLiteral("Lines File..."));
}

void frmCorvane::mnuViewPolygons_Click() {
    NotYetAvailable(QStringLiteral("Polygons File..."));
}

void frmCorvane::mnuExportParcel_Click() {
    NotYetAvailable(QStringLiteral("Export Parcel"));
}

} // namespace corvane
