#pragma once

#include "core/cli/commandline.h"
#include "drawing/plancontent.h"

#include <QSize>
#include <QString>
#include <ostream>

namespace corvane {

// Draws the content's opening view, with its north arrow, scale bar and a title line naming
// the scale it shows at, into a picture file chosen by its extension: ".png" or ".svg". An
// empty text on success, else what went wrong.
QString WritePlanPicture(const PlanContent& content, const QString& file, QSize size, bool points,
                         bool parcels, bool bearings = false);

// The command-line drawing: "--draw PLAN --out FILE [--size WxH] [--parcels] [--points]
// [--bearings] [--scale S]". A ".pdf" FILE is the printout: sheets with a title block at a
// standard scale, or at 1:S on as many sheets as it needs. Needs a Qt application (the
// offscreen platform serves). Exit 0 written, 2 refused or the plan cannot be read (nothing
// written).
int RunDrawCommand(const CommandLine& command, std::ostream& out, std::ostream& err);

} // namespace corvane
