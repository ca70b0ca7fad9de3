#pragma once

#include "calculator/frmorvacalc.h"
#include "core/records.h"
#include "mainwin/planhost.h"
#include "platform/scripteddesktop.h"
#include "traverse/frmcurve.h"
#include "traverse/frmtraverse.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <functional>
#include <memory>
#include <vector>

namespace corvane::testing {

// An area window that keeps its fields and counts how often it was shown; onShow plays the
// user's part while it is "open".
class FakeAreaDialog : public AreaDialog {
  public:
    void setCaption(const QString& identifier) override { caption_ = identifier; }
    QString caption() const override { return caption_; }
    QString areaText() const override { return area; }
    void setAreaText(const QString& hectares) override { area = hectares; }
    AreaType areaType() const override { return type; }
    void setAreaType(AreaType t) override { type = t; }
    void setRecalcVisible(bool visible) override { recalcVisible = visible; }
    void setCancelVisible(bool visible) override { cancelVisible = visible; }
    bool chkCancel() const override { return cancelled; }
    void setChkCancel(bool c) override { cancelled = c; }
    void showModal() override {
        ++shown;
        if (onShow)
            onShow(*this);
    }

    QString caption_;
    QString area;
    AreaType type = AreaType::Calculated;
    bool recalcVisible = true;
    bool cancelVisible = true;
    bool cancelled = false;
    int shown = 0;
    std::function<void(FakeAreaDialog&)> onShow;
};

// The main window as the traverse window sees it.
class FakeHost : public PlanHost {
  public:
    FakeHost() : calculatorWindow(std::make_unique<frmOrvaCalc>(scripted)) {}

    PlanState& plan() override { return state; }
    Desktop& desktop() override { return scripted; }
    QString accuracyClass() const override { return accuracy; }
    FontChoice reportFont() const override { return font; }
    void setReportFont(const FontChoice& f) override { font = f; }
    bool networkMode() const override { return false; }
    void registerPlanWindow(PlanWindow* window) override { windows.push_back(window); }
    void unregisterPlanWindow(PlanWindow* window) override { std::erase(windows, window); }
    QStringList parcels() const override { return list; }
    QString selectedParcel() const override { return selected; }
    void addParcel(const QString& identifier, bool select) override {
        list << identifier;
        added << identifier;
        if (select)
            selected = identifier;
    }
    void removeParcel(const QString& identifier) override { list.removeOne(identifier); }
    void renameParcel(const QString& oldId, const QString& newId) override {
        list.replace(list.indexOf(oldId), newId);
    }
    AreaDialog* areaDialog() override { return &area; }
    frmOrvaCalc* calculator() override { return calculatorWindow.get(); }

    PlanState state;
    ScriptedDesktop scripted;
    FakeAreaDialog area;
    std::unique_ptr<frmOrvaCalc> calculatorWindow;
    QString accuracy = QStringLiteral("Surveyed Polygons");
    FontChoice font{QStringLiteral("Liberation Serif"), 12};
    QStringList list;
    QStringList added;
    QString selected;
    std::vector<PlanWindow*> windows;
};

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// The lines of a plan file, line ends dropped.
inline QStringList FileLines(const QString& path) {
    QStringList lines = QString::fromLatin1(ReadFile(path)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A traverse window over a copy of the sample plan in a temporary folder, with the helpers
// the tests type and click with.
class TraverseHarness {
  public:
    TraverseHarness() {
        const QString source = QStringLiteral(CORVANE_SOURCE_DIR "/examples/D20417");
        for (const char* ext : {".lns", ".ply", ".cve", ".sdb"})
            QFile::copy(source + QLatin1String(ext), base() + QLatin1String(ext));
        host.state.PlanPath = toCore(base());
        host.list = {"OB1", "AL1", "AL2", "AL3", "AL4", "AL5", "AL6", "AL7", "RD1", "EA1"};
        window = std::make_unique<frmTraverse>(host);
        grid = window->findChild<QTableView*>(QStringLiteral("Grid1"));
        editor = window->findChild<QLineEdit*>(QStringLiteral("ttext"));
    }

    QString base() const { return dir.path() + QStringLiteral("/D20417"); }
    QString file(const char* ext) const { return base() + QLatin1String(ext); }
    ScriptedDesktop& desktop() { return host.scripted; }
    const TraverseGrid& rows() const { return window->grid(); }
    QString cell(int row, int col) const { return fromCore(window->grid().cell(row, col)); }
    QStringList rowCells(int row) const {
        QStringList cells;
        for (int c = 1; c <= 4; ++c)
            cells << cell(row, c);
        return cells;
    }
    int currentRow() const { return window->grid().row; }
    int currentCol() const { return window->grid().col; }

    // Keys go where the user's would: to the editor while it is open, else to the grid.
    QWidget* keyTarget() const {
        return window->editorVisible() ? static_cast<QWidget*>(editor) : grid;
    }
    void key(Qt::Key k) const { QTest::keyClick(keyTarget(), k); }
    void type(const QString& text) const {
        for (QChar ch : text)
            QTest::keyClick(keyTarget(), ch.toLatin1());
    }
    // Types a text into the current cell and commits it with Enter.
    void enter(const QString& text) const {
        type(text);
        key(Qt::Key_Return);
    }
    void clickCell(int row, int col) const {
        const QRect r = grid->visualRect(grid->model()->index(row - 1, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    }
    void tool(const char* key) const {
        auto* toolbar = window->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        for (QAction* action : toolbar->actions())
            if (action->objectName() == QLatin1String(key))
                action->trigger();
    }
    void click(const char* name) const {
        auto* button = window->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // "title: text" of every message shown since the records were cleared.
    QStringList messages() const {
        QStringList shown;
        for (const DesktopCall& call : host.scripted.messages())
            shown << call.title + QStringLiteral(": ") + call.text;
        return shown;
    }

    QTemporaryDir dir;
    FakeHost host;
    std::unique_ptr<frmTraverse> window;
    QTableView* grid = nullptr;
    QLineEdit* editor = nullptr;
};

} // namespace corvane::testing
