// Whole-plan edits and checks. Each is offered now and built out as its window arrives.
#include "mainwin/frmcorvane.h"
#include "traverse/frmtraverse.h"

namespace corvane {

void frmCorvane::mnuConnections_Click() {
    traverse_->openConnections();
}

void frmCorvane::mnuEditLines_Click() {
    traverse_->openEditLines();
}

void frmCorvane::mnuPointNumber_Click() {
    NotYetAvailable(QStringLiteral("Point Number..."));
}

void frmCorvane::mnuDatumBearing_Click() {
    NotYetAvailable(QStringLiteral("Datum Bearing..."));
}

void frmCorvane::mnuDistanceUnits_Click() {
    NotYetAvailable(QStringLiteral("Distance Units..."));
}

void frmCorvane::mnuFindPoint_Click() {
    NotYetAvailable(QStringLiteral("Find point in parcel"));
}

void frmCorvane::mnuDoubleLines_Click() {
    NotYetAvailable(QStringLiteral("Check for double lines"));
}

void frmCorvane::mnuPointErrors_Click() {
    NotYetAvailable(QStringLiteral("Check point errors"));
}

} // namespace corvane
