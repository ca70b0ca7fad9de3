#include "core/base/textfile.h"
#include "core/files/polygons.h"
#include "host/planhost.h"
#include "platform/scripteddesktop.h"
#include "reports/frmsummary.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;

namespace {

// The main window as the summary sees it.
class TestHost : public PlanHost {
  public:
    PlanState state;
    ScriptedDesktop scripted;
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
    void renameParcel(const QString&, const QString&) override {}

    void openPlan(const QString& base) {
        state = PlanState();
        state.PlanPath = toCore(base);
        list.clear();
        auto ids = ParcelIdentifiers(state.PlanPath);
        if (ids)
            for (const auto& id : ids.value())
                list << fromCore(id);
    }
};

const QString kSquareMetres = QStringLiteral(" m\u00B2");

// Squares and rectangles whose closures give each status: AL1 and AL3 a calculated area
// other than the stored one ("+"), AL2 the same but approximate ("+" overwritten by "#"),
// AL4 a misclosure of 1 m ("*"), AL5 a missing line ("md"), CO1 a construction parcel.
// Records are separated by blanks here, by CR LF in the files.
constexpr const char* kSmallLines =
    "1,2,0,100 2,3,90,100 3,4,180,100 4,1,270,100 11,12,0,50 12,13,90,50 13,14,180,50 14,11,270,50 "
    "21,22,0,100 22,23,90,50 23,24,180,100 24,21,270,50 31,32,0,100 32,33,90,100 33,34,180,100 "
    "34,31,270,101 41,42,0,10 42,43,90,10 ";
constexpr const char* kSmallPolygons =
    "\"AL1\",9000,\"C\" 1 2 3 4 1 \"AL2\",2000,\"A\" 11 12 13 14 11 "
    "\"AL3\",4000,\"C\" 21 22 23 24 21 \"AL4\",10000,\"C\" 31 32 33 34 31 "
    "\"AL5\",0,\"C\" 41 42 43 41 \"CO1\",0,\"C\" 1 2 3 4 1 ";

} // namespace

class TestFrmSummary : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void samplePlanClosesWithoutMarks();
    void marksOfEachStatus();
    void queryAreasOffersEachRowsOwnCalculatedArea();
    void queryAreasStoresTheComputedAreaWhicheverWayTheParcelRuns();
    void refusedWithoutLines();
    void doubleClickOnARemovedParcel();
    void printsTheSummary();
    void printsTheLikelyMistakes();
    void closedWhenThePlanChanges();

  private:
    void writeFile(const QString& name, const char* records) {
        QFile f(dir->filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(records).replace(' ', "\r\n"));
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
    QString cell(int r, int c) const { return grid()->item(r, c)->text(); }
    QStringList column(int c) const {
        QStringList out;
        for (int r = 0; r < grid()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }
    void click(const char* name) {
        QTest::mouseClick(window->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
    }
    ScriptedDesktop& desktop() { return host->scripted; }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TestHost> host;
    frmSummary* window = nullptr;
};

void TestFrmSummary::init() {
    dir = std::make_unique<QTemporaryDir>();
    host = std::make_unique<TestHost>();
    window = new frmSummary(*host);
}

void TestFrmSummary::cleanup() {
    delete window;
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
    QCOMPARE(column(1), host->list);
    QCOMPARE(column(0), QStringList(host->list.size(), QString()));
    for (const QString& closure : column(2))
        QVERIFY2(closure.startsWith(QStringLiteral("OK (")), qPrintable(closure));
    QCOMPARE(cell(1, 3), QStringLiteral("942") + kSquareMetres); // AL1, 941.6 stored
    QCOMPARE(cell(0, 3), QStringLiteral("1.082 ha"));
    QVERIFY(desktop().messages().empty());
}

void TestFrmSummary::marksOfEachStatus() {
    openSmallPlan();
    QCOMPARE(column(1), (QStringList{"AL1", "AL2", "AL3", "AL4", "AL5", "CO1"}));
    QCOMPARE(column(0), (QStringList{"+", "#", "+", "*", "*", ""}));
    QCOMPARE(column(2),
             (QStringList{"OK (0.000)", "OK (0.000)", "OK (0.000)", "1.000", "md", "OK (0.000)"}));
    QCOMPARE(cell(1, 3), QStringLiteral("2000") + kSquareMetres + QStringLiteral(" approx."));
    QCOMPARE(cell(4, 3), QStringLiteral("no area"));

    // Beside the stored area: the ratio, the class's allowance and the computed area, for
    // every parcel that closes at all, whatever its mark; the title names the plan only.
    QCOMPARE(grid()->horizontalHeaderItem(6)->text(), QStringLiteral("Computed area"));
    QCOMPARE(column(4), (QStringList{"exact", "exact", "exact", "1 in 401", "", "exact"}));
    QCOMPARE(cell(0, 5), QStringLiteral("0.040"));
    QCOMPARE(cell(4, 5), QString());
    QCOMPARE(column(6), (QStringList{"1.000 ha", "2500" + kSquareMetres, "5000" + kSquareMetres,
                                     "1.005 ha", "", "1.000 ha"}));
    QCOMPARE(window->windowTitle(), QStringLiteral("Summary for p"));
}

void TestFrmSummary::queryAreasOffersEachRowsOwnCalculatedArea() {
    openSmallPlan();
    // AL2's "+" became "#": the second question must still offer AL3's own area.
    desktop().answers = {Answer::No, Answer::Yes};
    click("cmdAreas");
    const auto questions = desktop().messages();
    QCOMPARE(questions.size(), size_t(2));
    QCOMPARE(questions[0].text, QStringLiteral("The current area for AL1 is 9000") + kSquareMetres +
                                    QStringLiteral(".\nDo you wish to change it to 1.000 ha ?"));
    QCOMPARE(questions[1].text, QStringLiteral("The current area for AL3 is 4000") + kSquareMetres +
                                    QStringLiteral(".\nDo you wish to change it to 5000") +
                                    kSquareMetres + QStringLiteral(" ?"));
    QCOMPARE(questions[1].title, QStringLiteral("Change to Calculated Areas"));
    QCOMPARE(column(0), (QStringList{"+", "#", "", "*", "*", ""}));
    QCOMPARE(cell(2, 3), QStringLiteral("5000") + kSquareMetres);
    QVERIFY(readFile(QStringLiteral("p.ply")).contains("\"AL3\",5000,\"C\"\r\n"));
    QVERIFY(readFile(QStringLiteral("p.ply")).contains("\"AL1\",9000,\"C\"\r\n"));

    // A hectare text is stored in square metres; the next query asks about the rows still
    // marked "+" only, and then there is nothing left to ask.
    desktop().clearRecords();
    desktop().answers = {Answer::Yes};
    click("cmdAreas");
    QCOMPARE(desktop().messages().size(), size_t(1));
    QVERIFY(readFile(QStringLiteral("p.ply")).contains("\"AL1\",10000,\"C\"\r\n"));
    QCOMPARE(cell(0, 3), QStringLiteral("1.000 ha"));
    desktop().clearRecords();
    click("cmdAreas");
    QCOMPARE(desktop().messages().size(), size_t(1));
    QCOMPARE(desktop().lastMessage().text, QStringLiteral("No differences in areas found"));
    QCOMPARE(desktop().lastMessage().title, QStringLiteral("Query Areas error"));
    click("cmdRefresh");
    QCOMPARE(column(0), (QStringList{"", "#", "", "*", "*", ""}));
}

// Yes stores the area the closure computed, to a tenth of a square metre, not the text it
// shows (14449.3 m² shows as 1.445 ha, once stored as 14450). A parcel walked anticlockwise
// is offered the area of the parcel walked the other way round (it was once offered "No
// area", and Yes did nothing).
void TestFrmSummary::queryAreasStoresTheComputedAreaWhicheverWayTheParcelRuns() {
    writeFile(QStringLiteral("p.lns"), "1,2,0,144.493 2,3,90,100 3,4,180,144.493 4,1,270,100 ");
    writeFile(QStringLiteral("p.ply"),
              "\"AL1\",10000,\"C\" 1 2 3 4 1 \"AL2\",10000,\"C\" 1 4 3 2 1 ");
    host->openPlan(dir->filePath(QStringLiteral("p")));
    window->openSummary();
    QCOMPARE(column(0), (QStringList{"+", "+"}));
    desktop().answers = {Answer::Yes, Answer::Yes};
    click("cmdAreas");
    const auto questions = desktop().messages();
    QCOMPARE(questions.size(), size_t(2));
    for (const auto& question : questions)
        QVERIFY2(question.text.endsWith(QStringLiteral("Do you wish to change it to 1.445 ha ?")),
                 qPrintable(question.text));
    QCOMPARE(readFile(QStringLiteral("p.ply")),
             QByteArray("\"AL1\",14449.3,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n"
                        "\"AL2\",14449.3,\"C\"\r\n1\r\n4\r\n3\r\n2\r\n1\r\n"));
    QCOMPARE(column(3), (QStringList{"1.445 ha", "1.445 ha"}));
    // Stored as computed, the areas agree: nothing is left to offer.
    click("cmdRefresh");
    QCOMPARE(column(0), (QStringList{"", ""}));
}

void TestFrmSummary::refusedWithoutLines() {
    writeFile(QStringLiteral("p.ply"), kSmallPolygons);
    host->openPlan(dir->filePath(QStringLiteral("p")));
    window->openSummary();
    QCOMPARE(desktop().lastMessage().text, QStringLiteral("No lines loaded"));
    QCOMPARE(desktop().lastMessage().title, QStringLiteral("Summary error"));
    QVERIFY(!window->isVisible());
}

// The parcel was removed from the file since the summary was made.
void TestFrmSummary::doubleClickOnARemovedParcel() {
    openSmallPlan();
    writeFile(QStringLiteral("p.ply"), "\"AL2\",2000,\"A\" 11 12 13 14 11 ");
    emit grid()->cellDoubleClicked(0, 1);
    QCOMPARE(desktop().lastMessage().text, QStringLiteral("Data for parcel missing"));
    QCOMPARE(desktop().lastMessage().title, QStringLiteral("Load Parcel error"));
}

void TestFrmSummary::printsTheSummary() {
    openSmallPlan();
    click("cmdPrint");
    auto printout = desktop().lastPrintout();
    QVERIFY(printout && printout->ended);
    QCOMPARE(printout->fonts.front().name, QStringLiteral("Courier New"));

    // Cells start at print zones of 14 characters.
    const std::string m2 = " m\xB2";
    std::vector<std::string> lines = printout->lines;
    QVERIFY(lines.back().rfind("         Printed on ", 0) == 0);
    lines.pop_back();
    const std::vector<std::string> expected{
        "         Summary for " + toCore(dir->filePath(QStringLiteral("p"))),
        "",
        "         Accuracy criterion = Surveyed Polygons",
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
    QCOMPARE(desktop().lastMessage().text, QStringLiteral("Printed to Scripted printer"));
    QCOMPARE(desktop().lastMessage().title, QStringLiteral("Print Summary"));
    QCOMPARE(desktop().lastMessage().icon, Icon::Information); // a success is no warning
    QCOMPARE(desktop().busyDepth, 0);
}

// Ticked, the printout ends with the figure whose correction would close the failing parcel.
void TestFrmSummary::printsTheLikelyMistakes() {
    openSmallPlan();
    window->findChild<QCheckBox*>(QStringLiteral("chkDiagnose"))->setChecked(true);
    click("cmdPrint");
    auto printout = desktop().lastPrintout();
    QVERIFY(printout && printout->ended);
    const std::string text = printout->text();
    QVERIFY2(text.find("AL4: misclosure 1.000") != std::string::npos, text.c_str());
    QVERIFY2(text.find("distance of 34-31 probably 100.000 (entered 101.000)") != std::string::npos,
             text.c_str());
}

void TestFrmSummary::closedWhenThePlanChanges() {
    QCOMPARE(host->windows, std::vector<PlanWindow*>{window});
    openSmallPlan();
    QVERIFY(window->isPlanWindowOpen());
    // Opening another plan closes the window, and its rows go with it.
    window->closeForPlanChange();
    QVERIFY(!window->isPlanWindowOpen());
    QCOMPARE(grid()->rowCount(), 0);
    desktop().clearRecords();
    click("cmdAreas");
    QVERIFY(desktop().messages().empty());
}

QTEST_MAIN(TestFrmSummary)
#include "tst_frmsummary.moc"
