// The map grid window (the plan's known marks, their grid file and the fit onto them) and
// File > "Export GIS..." on the sample plan.
#include "../mainwin/mainwinharness.h"

#include "core/files/gridmarks.h"
#include "core/files/linesfile.h"
#include "core/geometry/adjustment.h"
#include "core/model/pointlabel.h"
#include "tools/frmmapgrid.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <cstdint>
#include <numbers>

using namespace corvane;
using namespace corvane::testing;

namespace {

struct MapGridSample : OpenedSample {
    frmMapGrid* window() const { return h->window->findChild<frmMapGrid*>(); }
    template <typename T> T* in(const char* name) const {
        return window()->findChild<T*>(QLatin1String(name));
    }
    QTableWidget* marks() const { return in<QTableWidget>("grdMarks"); }
    QTableWidget* residuals() const { return in<QTableWidget>("grdResiduals"); }
    void click(const char* name) const {
        auto* button = in<QPushButton>(name);
        QVERIFY2(button, name);
        button->click();
    }
    void open() { h->run(QStringLiteral("mnuMapGrid")); }
    // Types a mark into a new row of the table.
    void type(const QString& label, const QString& east, const QString& north) {
        click("cmdAddMark");
        const int row = marks()->rowCount() - 1;
        marks()->item(row, 0)->setText(label);
        marks()->item(row, 1)->setText(east);
        marks()->item(row, 2)->setText(north);
    }
    QString grd() const { return file(".grd"); }
    bool grdExists() const { return QFileInfo::exists(grd()); }
    QStringList column(const QTableWidget* table, int c) const {
        QStringList texts;
        for (int r = 0; r < table->rowCount(); ++r)
            texts << (table->item(r, c) ? table->item(r, c)->text() : QString());
        return texts;
    }
    bool red(int row) const {
        const QColor colour = residuals()->item(row, 0)->foreground().color();
        return colour.red() > 150 && colour.green() < 60 && colour.blue() < 60;
    }
    QString lastMessage() const { return h->desktop.lastMessage().text; }
};

// The grid coordinates of the sample plan's points under a known shift, clockwise rotation and
// scale: what a surveyor would find published for its marks.
struct KnownGrid {
    double shiftEast = 334000.0, shiftNorth = 6251000.0;
    double rotation = 0.5 * std::numbers::pi / 180; // 0°30′ clockwise
    double scale = 1.000025;                        // +25 ppm
    std::pair<double, double> of(double e, double n) const {
        const double c = std::cos(rotation), s = std::sin(rotation);
        return {shiftEast + scale * (e * c + n * s), shiftNorth + scale * (n * c - e * s)};
    }
};

// A grid file for the sample plan: its first marks' adjusted coordinates carried onto the
// known grid, the one at `moved` (if any) 0.2 m east of where it belongs.
QByteArray KnownGridFile(PlanState& plan, const QByteArray& header, std::size_t count,
                         std::vector<std::int32_t>& numbers, std::size_t moved = SIZE_MAX) {
    numbers.clear();
    if (!EnsureLinesCurrent(plan))
        return {};
    Result<PlanAdjustment> adjusted = AdjustPlan(plan, AdjustmentOptions{});
    if (!adjusted)
        return {};
    const KnownGrid grid;
    QByteArray text = header;
    for (const AdjustedPoint& p : adjusted.value().final.points) {
        if (numbers.size() == count)
            break;
        auto [e, n] = grid.of(p.east, p.north);
        if (numbers.size() == moved)
            e += 0.2;
        numbers.push_back(p.number);
        text += QByteArray::number(p.number) + ',' + QByteArray::number(e, 'f', 6) + ',' +
                QByteArray::number(n, 'f', 6) + "\r\n";
    }
    return text;
}

} // namespace

class MapGridWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Rows that are no mark, figures that are no number, a mark given twice or a zone out of
    // range are refused naming what is wrong, and nothing is written; good rows are saved and
    // come back on opening again, a datum the window does not offer kept as it was.
    void marksAreCheckedRowByRowBeforeAnythingIsSaved() {
        MapGridSample s;
        s.open();
        QVERIFY(s.window()->isVisible());
        QCOMPARE(s.window()->windowTitle(), QStringLiteral("Map Grid - D20417"));
        QCOMPARE(s.marks()->rowCount(), 0);

        s.type("PM1234", "334512.123", "6251234.456");
        s.type("XYZ", "1", "2");
        s.h->desktop.clearRecords();
        s.click("cmdSave");
        QVERIFY2(s.lastMessage().startsWith("Row 2: \"XYZ\""), qPrintable(s.lastMessage()));
        QVERIFY(!s.grdExists());

        s.marks()->item(1, 0)->setText("5");
        s.marks()->item(1, 2)->setText("6251200.0a");
        s.click("cmdSave");
        QVERIFY2(s.lastMessage().startsWith("Row 2: the north"), qPrintable(s.lastMessage()));
        QVERIFY(!s.grdExists());

        s.marks()->item(1, 2)->setText("6251200.0");
        s.type("PM 1234", "1", "2");
        s.click("cmdSave");
        QVERIFY2(s.lastMessage().contains("given twice"), qPrintable(s.lastMessage()));
        QVERIFY(!s.grdExists());
        s.marks()->removeRow(2);

        s.in<QLineEdit>("txtZone")->setText("61");
        s.click("cmdSave");
        QVERIFY2(s.lastMessage().contains("zone"), qPrintable(s.lastMessage()));
        QVERIFY(!s.grdExists());

        s.in<QLineEdit>("txtZone")->setText("56");
        s.in<QComboBox>("cboDatum")->setCurrentText("GDA94");
        s.type(QString(), QString(), QString()); // a row added and left blank is passed over
        s.click("cmdSave");
        QVERIFY(s.grdExists());
        Result<GridMarks> saved = ReadGridMarks(s.h->plan.PlanPath);
        QVERIFY(saved);
        QCOMPARE(saved.value().zone, 56);
        QCOMPARE(saved.value().datum, std::string("GDA94"));
        QCOMPARE(saved.value().marks.size(), std::size_t(2));
        QCOMPARE(saved.value().marks[0].number, PointLabelToNumber("PM1234"));
        QCOMPARE(saved.value().marks[0].north, 6251234.456);
        QCOMPARE(saved.value().marks[1].number, 5);

        // Closing without edits asks nothing; opening again shows the file.
        s.h->desktop.clearRecords();
        s.window()->close();
        QVERIFY(s.h->desktop.messages().empty());
        s.open();
        QCOMPARE(s.column(s.marks(), 0), (QStringList{"PM1234", "5"}));
        QCOMPARE(s.column(s.marks(), 1), (QStringList{"334512.123", "1.000"}));
        QCOMPARE(s.in<QComboBox>("cboDatum")->currentText(), QStringLiteral("GDA94"));
    }

    // A grid file the program cannot read is not opened: a save would write over it. Typed
    // marks not saved are not read over by opening again, and are offered for saving when
    // the window closes.
    void aRefusedFileStaysAndUnsavedMarksAreOffered() {
        MapGridSample s;
        const QByteArray bad("ZONE,56\r\nPM1,abc,2\r\n");
        WriteText(s.grd(), bad);
        s.open();
        QVERIFY(!s.window()->isVisible());
        QCOMPARE(s.h->desktop.lastMessage().title, QStringLiteral("Map grid error"));
        QCOMPARE(ReadText(s.grd()), bad);

        QFile::remove(s.grd());
        s.open();
        s.type("PM1", "100", "200");
        s.open();
        QCOMPARE(s.column(s.marks(), 0), QStringList{"PM1"});
        s.h->desktop.clearRecords();
        s.h->desktop.answers.push_back(Answer::Cancel);
        s.window()->close();
        QVERIFY(s.window()->isVisible());
        s.h->desktop.answers.push_back(Answer::Yes);
        s.window()->close();
        QVERIFY(!s.window()->isVisible());
        QVERIFY(s.grdExists());
    }

    // A CSV file's marks join the table; a mark already listed takes the file's figures. A
    // file refused leaves the table as it was.
    void csvMarksJoinTheTable() {
        MapGridSample s;
        s.open();
        s.type("PM1", "100.000", "200.000");
        const QString csv = s.dir.path() + QStringLiteral("/marks.csv");
        WriteText(csv, "mark,east,north\r\nPM2,300.5,400.25\r\nPM1,101.5,201.5\r\n");
        s.h->desktop.texts.push_back(csv);
        s.click("cmdImportCsv");
        QCOMPARE(s.column(s.marks(), 0), (QStringList{"PM1", "PM2"}));
        QCOMPARE(s.column(s.marks(), 1), (QStringList{"101.500", "300.500"}));
        QCOMPARE(s.column(s.marks(), 2), (QStringList{"201.500", "400.250"}));

        WriteText(csv, "PM3,1,2\r\nPM4,one,2\r\n");
        s.h->desktop.clearRecords();
        s.h->desktop.texts.push_back(csv);
        s.click("cmdImportCsv");
        QCOMPARE(s.h->desktop.messages().size(), std::size_t(1));
        QCOMPARE(s.column(s.marks(), 0), (QStringList{"PM1", "PM2"}));
    }

    // The plan's own coordinates carried onto a known grid, one mark moved 0.2 m: the fit
    // shows the scale in ppm and the rotation in seconds and d°m′s″, and the moved mark in
    // red as possibly disturbed. The tolerance used is remembered; too few marks stay local.
    void fitShowsTheDisturbedMarkInRed() {
        MapGridSample s;
        std::vector<std::int32_t> numbers;
        const QByteArray text =
            KnownGridFile(s.h->plan, "ZONE,56\r\nDATUM,GDA2020\r\n", 6, numbers, 2);
        QCOMPARE(numbers.size(), std::size_t(6));
        WriteText(s.grd(), text);
        s.open();
        QCOMPARE(s.in<QLineEdit>("txtTolerance")->text(), QStringLiteral("0.05"));
        s.in<QLineEdit>("txtTolerance")->setText("0.04");
        s.click("cmdFit");
        QVERIFY(s.window()->fit() && s.window()->fit()->fit.fitted);
        const QString summary = s.in<QLabel>("lblFit")->text();
        QVERIFY2(summary.contains("adjusted") || summary.contains("coordinate builder"),
                 qPrintable(summary));
        QVERIFY2(summary.contains("+25.0 ppm"), qPrintable(summary));
        QVERIFY2(summary.contains(QStringLiteral("+1800.0\u2033 (0\u00B030\u203200.0\u2033)")),
                 qPrintable(summary));
        QCOMPARE(s.residuals()->rowCount(), 6);
        for (int row = 0; row < 6; ++row) {
            const bool moved = s.residuals()->item(row, 0)->text() == QString::number(numbers[2]);
            QCOMPARE(s.red(row), moved);
            QCOMPARE(s.residuals()->item(row, 6)->text(),
                     moved ? QStringLiteral("possibly disturbed") : QString());
        }
        QVERIFY(s.in<QListWidget>("lstNotes")->count() > 0);
        QCOMPARE(s.h->desktop.settings[QStringLiteral("MapGrid/Tolerance")],
                 QStringLiteral("0.04"));

        // Editing the marks takes the fit away; one mark is no fit.
        while (s.marks()->rowCount() > 1) {
            s.marks()->setCurrentCell(1, 0);
            s.click("cmdDeleteMark");
        }
        QVERIFY(!s.window()->fit());
        s.h->desktop.clearRecords();
        s.in<QLineEdit>("txtTolerance")->setText("nil");
        s.click("cmdFit");
        QVERIFY(!s.window()->fit());
        QVERIFY2(s.lastMessage().contains("tolerance"), qPrintable(s.lastMessage()));
        s.in<QLineEdit>("txtTolerance")->setText("0.04");
        s.click("cmdFit");
        QVERIFY(s.window()->fit() && !s.window()->fit()->fit.fitted);
        QVERIFY(s.in<QLabel>("lblFit")->text().contains("stays local"));

        // Lines stored after the fit take it away: it was of a plan that is no more.
        QVERIFY(SaveLines(s.h->plan).ok());
        QTRY_VERIFY_WITH_TIMEOUT(!s.window()->fit(), 3000);
        QCOMPARE(s.in<QLabel>("lblStale")->text(),
                 QStringLiteral("The plan has changed since this fit: Fit again"));
        QVERIFY(s.in<QLabel>("lblFit")->text().isEmpty());
    }

    // File > "Export GIS...": the chosen file is written and summed up; a cancelled dialog or
    // a file kept when asked writes nothing; a name without extension is a GeoPackage.
    void exportGisWritesTheChosenFileOrNothing() {
        MapGridSample s;
        const QString out = s.dir.path() + QStringLiteral("/D20417 for GIS.gpkg");
        s.h->run(QStringLiteral("mnuExportGis"), {QString()});
        QVERIFY(!QFileInfo::exists(out));
        QVERIFY(s.h->desktop.messages().empty());

        s.h->run(QStringLiteral("mnuExportGis"), {out});
        QVERIFY(QFileInfo::exists(out));
        const DesktopCall said = s.h->desktop.lastMessage();
        QCOMPARE(said.title, QStringLiteral("Export GIS"));
        QCOMPARE(said.icon, Icon::Information);
        QVERIFY2(said.text.startsWith(out + QStringLiteral(" written")), qPrintable(said.text));
        QVERIFY2(said.text.contains(QStringLiteral("local")), qPrintable(said.text));
        QVERIFY2(said.text.contains(QStringLiteral(" parcels, ")), qPrintable(said.text));
        QCOMPARE(s.h->desktop.busyDepth, 0);

        const QByteArray before = ReadText(out);
        s.h->desktop.answers.push_back(Answer::No);
        s.h->run(QStringLiteral("mnuExportGis"), {out});
        QCOMPARE(ReadText(out), before);
        QCOMPARE(s.h->desktop.messages().size(), std::size_t(1)); // the question only

        s.h->run(QStringLiteral("mnuExportGis"), {s.dir.path() + QStringLiteral("/plain")});
        QVERIFY(QFileInfo::exists(s.dir.path() + QStringLiteral("/plain.gpkg")));
    }

    // A plan fitted to marks whose zone and datum are not known: the surveyor names the
    // system; an answer that is no EPSG code, or none, writes nothing.
    void exportAsksForTheSystemOfAFitWithoutADatum() {
        MapGridSample s;
        std::vector<std::int32_t> numbers;
        WriteText(s.grd(), KnownGridFile(s.h->plan, QByteArray(), 4, numbers));
        QCOMPARE(numbers.size(), std::size_t(4));
        const QString out = s.dir.path() + QStringLiteral("/fitted.geojson");

        s.h->run(QStringLiteral("mnuExportGis"), {out, QStringLiteral("MGA56")});
        QCOMPARE(s.h->desktop.callsOf(DesktopCall::Kind::InputBox).size(), std::size_t(1));
        QVERIFY2(s.h->desktop.lastMessage().text.contains(QStringLiteral("EPSG:N")),
                 qPrintable(s.h->desktop.lastMessage().text));
        QVERIFY(!QFileInfo::exists(out));
        s.h->run(QStringLiteral("mnuExportGis"), {out, QString()});
        QVERIFY(!QFileInfo::exists(out));
        QVERIFY(s.h->desktop.messages().empty());

        s.h->run(QStringLiteral("mnuExportGis"), {out, QStringLiteral("epsg:7856")});
        QVERIFY(QFileInfo::exists(out));
        QVERIFY2(s.h->desktop.lastMessage().text.contains(QStringLiteral("EPSG:7856")),
                 qPrintable(s.h->desktop.lastMessage().text));
    }
};

QTEST_MAIN(MapGridWindowsTest)
#include "tst_mapgridwindows.moc"
