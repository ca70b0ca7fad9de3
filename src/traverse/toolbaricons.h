#pragma once

#include <QIcon>
#include <QString>

namespace corvane {

// The traverse toolbar's pictures, drawn by the program itself: one per button key
// ("Increment", "Decrement", "NewPoint", "NoData", "Curve", "Calculator", "Insert",
// "Delete").
QIcon TraverseToolIcon(const QString& key);

} // namespace corvane
