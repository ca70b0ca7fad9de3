#pragma once

#include "core/files/linesfile.h"
#include "host/planhost.h"

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
class QTimer;
class QWidget;

namespace corvane {

// The watch a window of figures computed from the plan's lines keeps over them: once lines
// are stored after the figures were made (checked every second and whenever the window comes
// to the front), the window is told to take its figures away, and the red note beside them
// says why, rather than leave figures standing for a plan that has changed.
class LinesWatch : public QObject {
  public:
    // clear: takes the window's figures away, with the note to show ("" for none).
    LinesWatch(PlanHost& host, QWidget* window, QString staleNote,
               std::function<void(const QString&)> clear);

    // The red note, for the window to lay out (hidden while there is nothing to say).
    QLabel* note() const { return note_; }
    // Figures were just made from the lines as they stand: watch from here.
    void start();
    // The figures are gone (taken away or the window closed): stop watching, say why.
    void stop(const QString& why = QString());
    // Takes the figures away when lines were stored since they were made; true when so.
    bool check();

  private:
    PlanHost& host_;
    QString staleNote_;
    std::function<void(const QString&)> clear_;
    LinesStamp stamp_;
    bool watching_ = false;
    QLabel* note_ = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace corvane
