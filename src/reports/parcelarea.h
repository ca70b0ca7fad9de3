#pragma once

#include <QString>

namespace corvane {

class PlanHost;

// Edit > "Area..." for one parcel, also run by a double-click in the closure summary: the
// area dialog opens with the parcel's stored area in hectares and the option of its code;
// unless it is cancelled, the parcel's heading gets the area and the code chosen. The area
// box left as it was keeps the stored area exactly. A parcel the polygons file no longer
// holds gives "Data for parcel missing". Does nothing when the host has no area dialog.
void EditParcelArea(PlanHost& host, const QString& identifier);

} // namespace corvane
