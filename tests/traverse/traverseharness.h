#pragma once

#include "calculator/frmorvacalc.h"
#include "core/model/records.h"
#include "host/planhost.h"
#include "platform/scripteddesktop.h"
#include "traverse/frmcurve.h"
#include "traverse/frmtraverse.h"

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
#include <memory>
#include <vector>

namespace corvane::testing {

// The main window as the traverse window sees it, without an area window: the closure's
// area is stored as calculated.
class FakeHost : public PlanHost {
  public:
    PlanState& plan() override { return state; }
    Desktop& desktop() override { return scripted; }
    QString accuracyClass() const override { return accuracy; }
    FontChoice reportFont() const override { return {QStringLiteral("Liberation Serif"), 12}; }
    void setReportFont(const FontChoice&) override {}
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
    void renameParcel(const QString&, const QString&) override {}
    frmOrvaCalc* calculator() override { return &calculatorWindow; }

    QString accuracy = QStringLiteral("Surveyed Polygons");
    PlanState state;
    ScriptedDesktop scripted;
    frmOrvaCalc calculatorWindow{scripted};
    QStringList list, added;
    QString selected;
    std::vector<PlanWindow*> windows;
};

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of a plan file, line ends dropped.
inline QStringList FileLines(const QString& path) {
    QStringList lines = QString::fromLatin1(ReadFile(path)).split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A traverse window over a copy of the sample plan in a temporary folder, with the helpers
// the tests type and click with.
class TraverseHarness {
  public:
    TraverseHarness() {
        for (const char* ext : {".lns", ".ply", ".cve", ".sdb"})
            QFile::copy(QStringLiteral(CORVANE_SOURCE_DIR "/examples/D20417") + ext, file(ext));
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
        return {cell(row, 1), cell(row, 2), cell(row, 3), cell(row, 4)};
    }
    int currentRow() const { return window->grid().row; }
    int currentCol() const { return window->grid().col; }

    // Keys go where the user's would: to the editor while it is open, else to the grid.
    void key(Qt::Key k) const {
        QTest::keyClick(window->editorVisible() ? static_cast<QWidget*>(editor) : grid, k);
    }
    void type(const QString& text) const {
        for (QChar ch : text)
            QTest::keyClick(window->editorVisible() ? static_cast<QWidget*>(editor) : grid,
                            ch.toLatin1());
    }
    // Types each text into the current cell and commits it with Enter.
    void enter(std::initializer_list<const char*> texts) const {
        for (const char* text : texts) {
            type(QString::fromLatin1(text));
            key(Qt::Key_Return);
        }
    }
    void clickCell(int row, int col) const {
        const QRect r = grid->visualRect(grid->model()->index(row - 1, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    }
    void tool(const char* key) const {
        for (QAction* action : window->findChild<QToolBar*>(QStringLiteral("Toolbar1"))->actions())
            if (action->objectName() == QLatin1String(key))
                action->trigger();
    }
    void click(const char* name, Qt::MouseButton button = Qt::LeftButton) const {
        QTest::mouseClick(window->findChild<QPushButton*>(QLatin1String(name)), button);
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
