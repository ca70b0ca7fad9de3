#include "tools/lineswatch.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace corvane {

namespace {

// Checks the lines whenever the window is brought to the front.
class ActivationFilter : public QObject {
  public:
    ActivationFilter(QWidget* window, LinesWatch* watch)
        : QObject(watch), window_(window), watch_(watch) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::ActivationChange &&
            window_->isActiveWindow())
            watch_->check();
        return false;
    }

  private:
    QWidget* window_;
    LinesWatch* watch_;
};

} // namespace

LinesWatch::LinesWatch(PlanHost& host, QWidget* window, QString staleNote,
                       std::function<void(const QString&)> clear)
    : QObject(window), host_(host), staleNote_(std::move(staleNote)), clear_(std::move(clear)) {
    note_ = new QLabel(window);
    note_->setObjectName(QStringLiteral("lblStale"));
    note_->setStyleSheet(QStringLiteral("color: #c80000; font-weight: bold"));
    note_->hide();
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, [this] { check(); });
    window->installEventFilter(new ActivationFilter(window, this));
}

void LinesWatch::start() {
    stamp_ = CurrentLinesStamp(host_.plan());
    watching_ = true;
    note_->hide();
    timer_->start();
}

void LinesWatch::stop(const QString& why) {
    watching_ = false;
    timer_->stop();
    note_->setText(why);
    note_->setVisible(!why.isEmpty());
}

bool LinesWatch::check() {
    if (!watching_ || !LinesChangedSince(host_.plan(), stamp_))
        return false;
    clear_(staleNote_);
    return true;
}

} // namespace corvane
