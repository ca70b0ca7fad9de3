#include "core/polygons.h"
#include "core/textfile.h"
#include "mainwin/planhost.h"
#include "platform/scripteddesktop.h"
#include "reports/frmsummary.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace corvane;

namespace {

// The main window as the summary sees it: the plan, a scripted desktop, the parcel list and
// an area dialog whose user is a function of the test.
class TestAreaDialog : public AreaDialog {
  public:
    QString captionText, area;
    AreaType type = AreaType::Calculated;
    bool cancelled = false;
    int shown = 0;
    std::function<void(TestAreaDialog&)> user;

    void setCaption(const QString& identifier) override { captionText = identifier; }
    QString caption() const override { return captionText; }
    QString areaText() const override { return area; }
    void setAreaText(const QString& hectares) override { area = hectares; }
    AreaType areaType() const override { return type; }
    void setAreaType(AreaType t) override { type = t; }
    void setRecalcVisible(bool) override {}
    void setCancelVisible(bool) override {}
    bool chkCancel() const override { return cancelled; }
    void setChkCancel(bool c) override { cancelled = c; }
    void showModal() override {
        ++shown;
        if (user)
            user(*this);
    }
};

class TestHost : public PlanHost {
  public:
    PlanState state;
    ScriptedDesktop scripted;
    TestAreaDialog dialog;
    QStringList list;
    std::vector<PlanWindow*> windows;
    FontChoice font{QStringLiteral("Courier New"), 9};

    PlanState& plan() override { return state; }
    Desktop& desktop() override { return scripted; }
    QString accuracyClass() const override { return QStringLiteral("Surveyed Polygons"); }
    FontChoice reportFont() const override { return font; }
    void setReportFont(const FontChoice& f) override { font = f; }
    bool networkMode() const override { return false; }
    void registerPlanWindow(PlanWindow* w) override { windows.push_back(w); }
    void unregisterPlanWindow(PlanWindow* w) override { std::erase(windows, w); }
    QStringList parcels() const override { return list; }
    QString selectedParcel() const override { return {}; }
    void addParcel(const QString& id, bool) override { list << id; }
    void removeParcel(const QString& id) override { list.removeOne(id); }
    void renameParcel(const QString& o, const QString& n) override {
        list.replace(list.indexOf(o), n);
    }
    AreaDialog* areaDialog() override { return &dialog; }

    void openPlan(const QString& base) {
        state = PlanState();
        state.PlanPath = toCore(base);
        list.clear();
        for (const auto& id : ParcelIdentifiers(state.PlanPath))
            list << fromCore(id);
    }
};

const QString kSquareMetres = QStringLiteral(" m\u00B2");

// Squares and rectangles whose closures give each status: AL1 and AL3 a calculated area
// other than the stored one ("+"), AL2 the same but approximate ("+" overwritten by "#"),
// AL4 a misclosure of 1 m ("*"), AL5 a missing line ("md"), CO1 a construction parcel.
constexpr const char* kSmallLines = "1,2,0.0000,100.000\r\n2,3,90.0000,100.000\r\n"
                                    "3,4,180.0000,100.000\r\n4,1,270.0000,100.000\r\n"
                                    "11,12,0.0000,50.000\r\n12,13,90.0000,50.000\r\n"
                                    "13,14,180.0000,50.000\r\n14,11,270.0000,50.000\r\n"
                                    "21,22,0.0000,100.000\r\n22,23,90.0000,50.000\r\n"
                                    "23,24,180.0000,100.000\r\n24,21,270.0000,50.000\r\n"
                                    "31,32,0.0000,100.000\r\n32,33,90.0000,100.000\r\n"
                                    "33,34,180.0000,100.000\r\n34,31,270.0000,101.000\r\n"
                                    "41,42,0.0000,10.000\r\n42,43,90.0000,10.000\r\n";
constexpr const char* kSmallPolygons = "\"AL1\",9000,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n"
                                       "\"AL2\",2000,\"A\"\r\n11\r\n12\r\n13\r\n14\r\n11\r\n"
                                       "\"AL3\",4000,\"C\"\r\n21\r\n22\r\n23\r\n24\r\n21\r\n"
                                       "\"AL4\",10000,\"C\"\r\n31\r\n32\r\n33\r\n34\r\n31\r\n"
                                       "\"AL5\",0,\"C\"\r\n41\r\n42\r\n43\r\n41\r\n"
                                       "\"CO1\",0,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n";

} // namespace

class TestFrmSummary : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void samplePlanClosesWithoutMarks();
    void marksOfEachStatus();
    void queryAreasOffersEachRowsOwnCalculatedArea();
    void queryAreasWithoutDifferences();
    void refusalsWhenNothingToClose();
    void doubleClickEditsTheAreaThroughTheAreaDialog();
    void doubleClickOnARemovedParcel();
    void printsTheSummary();
    void belongsToTheOpenPlan();

  private:
    void writeFile(const QString& name, const char* content) {
        QFile f(dir->filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray readFile(const QString& name) const {
        QFile f(dir->filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void openSmallPlan() {
        writeFile(QStringLiteral("p.lns"), kSmallLines);
        writeFile(QStringLiteral("p.ply"), kSmallPolygons);
        host->openPlan(dir->filePath(QStringLiteral("p")));
        window->openSummary();
    }
    QTableWidget* grid() const { return window->findChild<QTableWidget*>(QStringLiteral("Grid1")); }
    QString cell(int r, int c) const {
        auto* item = grid()->item(r, c);
        return item ? item->text() : QString();
    }
    QStringList column(int c) const {
        QStringList out;
        for (int r = 0; r < grid()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }
    void click(const char* name) {
        auto* b = window->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TestHost> host;
    frmSummary* window = nullptr;
};

void TestFrmSummary::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    host = std::make_unique<TestHost>();
    window = new frmSummary(*host);
}

void TestFrmSummary::cleanup() {
    delete window;
    window = nullptr;
    QVERIFY(host->windows.empty());
    host.reset();
    dir.reset();
}

void TestFrmSummary::samplePlanClosesWithoutMarks() {
    for (const char* ext : {".lns", ".ply", ".cve", ".sdb"})
        QVERIFY(QFile::copy(QStringLiteral(CORVANE_SOURCE_DIR "/examples/D20417") + ext,
                            dir->filePath(QStringLiteral("D20417") + ext)));
    host->openPlan(dir->filePath(QStringLiteral("D20417")));
    window->openSummary();

    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Summary for ") + dir->filePath(QStringLiteral("D20417")));
    QCOMPARE(column(1), host->list);
    QCOMPARE(column(0), QStringList(host->list.size(), QString()));
    for (const QString& closure : column(2))
        QVERIFY2(closure.startsWith(QStringLiteral("OK (")), qPrintable(closure));
    QCOMPARE(cell(1, 3), QStringLiteral("942") + kSquareMetres); // AL1, 941.6 stored
    QCOMPARE(cell(0, 3), QStringLiteral("1.082 ha"));
    QCOMPARE(grid()->horizontalHeaderItem(1)->text(), QStringLiteral("Parcel"));
    QCOMPARE(host->scripted.messages().size(), size_t(0));
    QCOMPARE(host->scripted.busyDepth, 0);
}

void TestFrmSummary::marksOfEachStatus() {
    openSmallPlan();
    QCOMPARE(column(1), (QStringList{"AL1", "AL2", "AL3", "AL4", "AL5", "CO1"}));
    QCOMPARE(column(0), (QStringList{"+", "#", "+", "*", "*", ""}));
    QCOMPARE(cell(0, 2), QStringLiteral("OK (0.000)"));
    QCOMPARE(cell(3, 2), QStringLiteral("1.000"));
    QCOMPARE(cell(4, 2), QStringLiteral("md"));
    QCOMPARE(cell(1, 3), QStringLiteral("2000") + kSquareMetres + QStringLiteral(" approx."));
    QCOMPARE(cell(4, 3), QStringLiteral("no area"));
}

void TestFrmSummary::queryAreasOffersEachRowsOwnCalculatedArea() {
    openSmallPlan();
    // AL2's "+" became "#": the second question must still offer AL3's own area.
    host->scripted.answers = {Answer::No, Answer::Yes};
    click("cmdAreas");
    const auto questions = host->scripted.messages();
    QCOMPARE(questions.size(), size_t(2));
    QCOMPARE(questions[0].text, QStringLiteral("The current area for AL1 is 9000") + kSquareMetres +
                                    QStringLiteral(".\nDo you wish to change it to 1.000 ha ?"));
    QCOMPARE(questions[1].text, QStringLiteral("The current area for AL3 is 4000") + kSquareMetres +
                                    QStringLiteral(".\nDo you wish to change it to 5000") +
                                    kSquareMetres + QStringLiteral(" ?"));
    QCOMPARE(questions[1].title, QStringLiteral("Change to Calculated Areas"));
    QCOMPARE(questions[1].icon, Icon::Question);
    QCOMPARE(questions[1].buttons, Buttons::YesNo);

    QCOMPARE(column(0), (QStringList{"+", "#", "", "*", "*", ""}));
    QCOMPARE(cell(2, 3), QStringLiteral("5000") + kSquareMetres);
    const QByteArray ply = readFile(QStringLiteral("p.ply"));
    QVERIFY(ply.contains("\"AL3\",5000,\"C\"\r\n"));
    QVERIFY(ply.contains("\"AL1\",9000,\"C\"\r\n"));

    // A hectare text is stored in square metres; the next query asks about the rows still
    // marked "+" only.
    host->scripted.clearRecords();
    host->scripted.answers = {Answer::Yes};
    click("cmdAreas");
    QCOMPARE(host->scripted.messages().size(), size_t(1));
    QVERIFY(readFile(QStringLiteral("p.ply")).contains("\"AL1\",10000,\"C\"\r\n"));
    QCOMPARE(cell(0, 3), QStringLiteral("1.000 ha"));
}

void TestFrmSummary::queryAreasWithoutDifferences() {
    openSmallPlan();
    host->scripted.answers = {Answer::Yes, Answer::Yes};
    click("cmdAreas");
    host->scripted.clearRecords();
    click("cmdAreas");
    QCOMPARE(host->scripted.messages().size(), size_t(1));
    QCOMPARE(host->scripted.lastMessage().text, QStringLiteral("No differences in areas found"));
    QCOMPARE(host->scripted.lastMessage().title, QStringLiteral("Query Areas error"));
    // Refresh finds the stored areas now agree.
    click("cmdRefresh");
    QCOMPARE(column(0), (QStringList{"", "#", "", "*", "*", ""}));
}

void TestFrmSummary::refusalsWhenNothingToClose() {
    writeFile(QStringLiteral("p.ply"), kSmallPolygons);
    host->openPlan(dir->filePath(QStringLiteral("p")));
    host->list.clear();
    window->openSummary();
    QCOMPARE(host->scripted.lastMessage().text, QStringLiteral("No parcels to close"));
    QCOMPARE(host->scripted.lastMessage().title, QStringLiteral("Summary error"));

    host->openPlan(dir->filePath(QStringLiteral("p"))); // parcels, but no lines file
    window->openSummary();
    QCOMPARE(host->scripted.lastMessage().text, QStringLiteral("No lines loaded"));
    QVERIFY(!window->isVisible());
}

void TestFrmSummary::doubleClickEditsTheAreaThroughTheAreaDialog() {
    openSmallPlan();
    host->dialog.user = [](TestAreaDialog& d) {
        QCOMPARE(d.captionText, QStringLiteral("AL1"));
        QCOMPARE(d.area, QStringLiteral("0.9000"));
        d.area = QStringLiteral("0.0512");
        d.type = AreaDialog::AreaType::Approximate;
    };
    emit grid()->cellDoubleClicked(0, 1);
    QCOMPARE(host->dialog.shown, 1);
    QVERIFY(readFile(QStringLiteral("p.ply")).startsWith("\"AL1\",512,\"A\"\r\n"));
    QCOMPARE(cell(0, 3), QStringLiteral("9000") + kSquareMetres); // until Refresh
    click("cmdRefresh");
    QCOMPARE(cell(0, 3), QStringLiteral("512") + kSquareMetres + QStringLiteral(" approx."));

    // Left as shown, the area box keeps the stored area, not its rounded text; Cancel
    // changes nothing.
    host->dialog.user = [](TestAreaDialog& d) { d.type = AreaDialog::AreaType::Deduced; };
    writeFile(QStringLiteral("p.ply"), "\"AL1\",123456.4,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n");
    emit grid()->cellDoubleClicked(0, 0);
    QCOMPARE(readFile(QStringLiteral("p.ply")),
             QByteArray("\"AL1\",123456.4,\"D\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n"));
    host->dialog.user = [](TestAreaDialog& d) {
        d.area = QStringLiteral("3");
        d.cancelled = true;
    };
    emit grid()->cellDoubleClicked(0, 0);
    QCOMPARE(readFile(QStringLiteral("p.ply")),
             QByteArray("\"AL1\",123456.4,\"D\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n"));
    QCOMPARE(host->scripted.messages().size(), size_t(0));
}

void TestFrmSummary::doubleClickOnARemovedParcel() {
    openSmallPlan();
    writeFile(QStringLiteral("p.ply"), "\"AL2\",2000,\"A\"\r\n11\r\n12\r\n13\r\n14\r\n11\r\n");
    emit grid()->cellDoubleClicked(0, 1);
    QCOMPARE(host->dialog.shown, 0);
    QCOMPARE(host->scripted.lastMessage().text, QStringLiteral("Data for parcel missing"));
    QCOMPARE(host->scripted.lastMessage().title, QStringLiteral("Load Parcel error"));
}

void TestFrmSummary::printsTheSummary() {
    openSmallPlan();
    click("cmdPrint");
    auto printout = host->scripted.lastPrintout();
    QVERIFY(printout);
    QVERIFY(printout->ended);
    QCOMPARE(printout->fonts.front().name, QStringLiteral("Courier New"));
    QCOMPARE(printout->fonts.front().size, 9.0);

    // Cells start at print zones of 14 characters.
    const std::string m2 = " m\xB2";
    const std::string base = toCore(dir->filePath(QStringLiteral("p")));
    std::vector<std::string> lines = printout->lines;
    QCOMPARE(lines.size(), size_t(16));
    QVERIFY(lines.back().rfind("         Printed on ", 0) == 0);
    lines.pop_back();
    const std::vector<std::string> expected{
        "         Summary for " + base,
        "",
        "              Parcel        Closure       Area",
        "+             AL1           OK (0.000)    9000" + m2,
        "#             AL2           OK (0.000)    2000" + m2 + " approx.",
        "+             AL3           OK (0.000)    4000" + m2,
        "*             AL4           1.000         1.000 ha",
        "*             AL5           md            no area",
        "              CO1           OK (0.000)    no area",
        "",
        "         OK - closure is satisfactory.",
        "         md - missing data in closure.",
        "         *  - edit parcel data or area.",
        "         +  - calculated area does not agree.",
        "",
    };
    QCOMPARE(lines, expected);
    QCOMPARE(host->scripted.lastMessage().text, QStringLiteral("Printing completed"));
    QCOMPARE(host->scripted.lastMessage().title, QStringLiteral("Print Summary"));
    QVERIFY(window->findChild<QPushButton*>(QStringLiteral("cmdPrint"))->isEnabled());
    QCOMPARE(host->scripted.busyDepth, 0);
}

void TestFrmSummary::belongsToTheOpenPlan() {
    QCOMPARE(host->windows.size(), size_t(1));
    QCOMPARE(host->windows.front(), static_cast<PlanWindow*>(window));
    openSmallPlan();
    QVERIFY(window->isPlanWindowOpen());
    // Opening another plan closes the window, and its rows go with it.
    window->closeForPlanChange();
    QVERIFY(!window->isPlanWindowOpen());
    QCOMPARE(grid()->rowCount(), 0);
    host->scripted.clearRecords();
    click("cmdAreas");
    QCOMPARE(host->scripted.messages().size(), size_t(0));

    click("cmdClose"); // Close only hides
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(TestFrmSummary)
#include "tst_frmsummary.moc"
