#pragma once

#include "core/commandline.h"
#include "drawing/plancontent.h"

#include <QSize>
#include <QString>
#include <ostream>

namespace corvane {

// Draws the content's opening view into a picture file chosen by its extension: ".png",
// ".pdf" or ".svg". An empty text on success, else what went wrong.
QString WritePlanPicture(const PlanContent& content, const QString& file, QSize size, bool points,
                         bool parcels, bool bearings = false);

// The command-line drawing: "--draw PLAN --out FILE [--size WxH] [--parcels] [--points]
// [--bearings]
// [--scale S]". Needs a Qt application (the offscreen platform serves). Exit 0 written,
// 2 refused or the plan cannot be read (nothing written).
int RunDrawCommand(const CommandLine& command, std::ostream& out, std::ostream& err);

} // namespace corvane
