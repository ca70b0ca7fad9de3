// The curve window: its check report, the Enter key in its boxes, and OK and Cancel reached
// from the traverse grid with what they do to the row and the curve file.

#include "traverseharness.h"

#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

using namespace corvane;
using namespace corvane::testing;

class TestFrmCurve : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void checkReportsTheArcsElements();
    void enterFormatsEachBox();
    void okWithoutRadiusOrArcStaysOpen();
    void okReplacesTheRecordStoredTheOtherWay();
    void okAddsARecordAndCreatesTheFile();
    void cancelChangesNothing();
};

namespace {

QLineEdit* box(frmCurve* curve, const char* name) {
    return curve->findChild<QLineEdit*>(QLatin1String(name));
}

void press(frmCurve* curve, const char* name) {
    curve->findChild<QPushButton*>(QLatin1String(name))->click();
}

CurveData arc(const char* radius, const char* length, const char* direction, const char* tangent,
              const char* chord) {
    CurveData data;
    data.FromPoint = "1";
    data.ToPoint = "2";
    data.Radius = radius;
    data.Arc = length;
    data.Direction = direction;
    data.TangentBearing = tangent;
    data.ChordBearing = chord;
    return data;
}

// Puts the grid's cursor on the bearing of row 1 after typing the line from -> to.
void lineOnRowOne(TraverseHarness& h, const char* from, const char* to) {
    h.enter(from);
    h.enter(to);
    h.clickCell(1, 3);
}

} // namespace

void TestFrmCurve::checkReportsTheArcsElements() {
    TraverseHarness h;
    frmCurve* curve = h.window->curveWindow();
    curve->LoadCurve(arc("100", "50", "R", "90", ""));
    press(curve, "cmdCheck");
    DesktopCall shown = h.desktop().lastMessage();
    QCOMPARE(shown.title, QString("Curve Data"));
    QCOMPARE(shown.icon, Icon::Information);
    QCOMPARE(shown.text, QString("Intersection angle = 28.3852\nTangent Distance = 25.534\n"
                                 "Long Chord Bearing = 104.1926\nLong Chord Distance = 49.481"));

    // From the chord bearing of a left-hand arc, the tangent; with both bearings given,
    // neither is derived; Check changes no box.
    curve->LoadCurve(arc("100", "50", "L", "", "104.1926"));
    press(curve, "cmdCheck");
    QVERIFY(h.desktop().lastMessage().text.contains("\nTangent Bearing = 118.3852\n"));
    curve->LoadCurve(arc("100", "50", "R", "90", "104.1926"));
    press(curve, "cmdCheck");
    QCOMPARE(h.desktop().lastMessage().text,
             QString("Intersection angle = 28.3852\nTangent Distance = 25.534\n"
                     "Long Chord Distance = 49.481"));
    QCOMPARE(box(curve, "txtTangentBng")->text(), QString("90"));

    curve->LoadCurve(arc("", "50", "R", "", ""));
    press(curve, "cmdCheck");
    QCOMPARE(h.desktop().lastMessage().text, QString("You need a radius"));
    QCOMPARE(h.desktop().lastMessage().title, QString("Check curve data error"));
    curve->LoadCurve(arc("100", "", "R", "", ""));
    press(curve, "cmdCheck");
    QCOMPARE(h.desktop().lastMessage().text, QString("You need an arc length"));
}

void TestFrmCurve::enterFormatsEachBox() {
    TraverseHarness h;
    frmCurve* curve = h.window->curveWindow();
    curve->LoadCurve(arc("12.5", "7", "R", "", "-45"));
    QTest::keyClick(box(curve, "txtRadius"), Qt::Key_Return);
    QCOMPARE(box(curve, "txtRadius")->text(), QString("12.500"));
    QTest::keyClick(box(curve, "txtArc"), Qt::Key_Return);
    QCOMPARE(box(curve, "txtArc")->text(), QString("7.000"));
    QTest::keyClick(box(curve, "txtChordBng"), Qt::Key_Return);
    QCOMPARE(box(curve, "txtChordBng")->text(), QString("225.0000"));
    box(curve, "txtTangentBng")->setText("45.7");
    QTest::keyClick(box(curve, "txtTangentBng"), Qt::Key_Return);
    QCOMPARE(box(curve, "txtTangentBng")->text(), QString("45.7"));
    QCOMPARE(h.desktop().lastMessage().text, QString("Invalid bearing"));
    // Enter never closes the window by pressing a button for the user.
    QVERIFY(!curve->checked());
    QVERIFY(QFile::exists(h.file(".cve")));
    QCOMPARE(FileLines(h.file(".cve")), QStringList({"20,3,\"R\",282.184,999"}));
}

void TestFrmCurve::okWithoutRadiusOrArcStaysOpen() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    lineOnRowOne(h, "100", "101");
    QTimer::singleShot(0, [&] {
        frmCurve* curve = h.window->curveWindow();
        QVERIFY(curve->isVisible());
        press(curve, "cmdOK");
        QCOMPARE(h.desktop().lastMessage().text, QString("No radius supplied"));
        QCOMPARE(h.desktop().lastMessage().title, QString("Curve Data error"));
        box(curve, "txtRadius")->setText("30");
        press(curve, "cmdOK");
        QCOMPARE(h.desktop().lastMessage().text, QString("No Arc Length supplied"));
        QVERIFY(curve->isVisible());
        press(curve, "cmdCancel");
    });
    h.key(Qt::Key_F8);
    QVERIFY(!h.window->curveWindow()->isVisible());
    QCOMPARE(h.cell(1, 3), QString());
    QCOMPARE(FileLines(h.file(".cve")).size(), 1);
}

// The sample's arc is stored 20 -> 3; entered 3 -> 20 it shows turned left, and OK writes
// the record once, in the grid's order.
void TestFrmCurve::okReplacesTheRecordStoredTheOtherWay() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    lineOnRowOne(h, "3", "20");
    QCOMPARE(h.cell(1, 3), QString("R12.0000"));
    QString radius, length;
    bool left = false;
    QTimer::singleShot(0, [&] {
        frmCurve* curve = h.window->curveWindow();
        radius = box(curve, "txtRadius")->text();
        length = box(curve, "txtArc")->text();
        left = curve->findChild<QRadioButton*>("optLeft")->isChecked();
        box(curve, "txtRadius")->setText("12.5");
        box(curve, "txtTangentBng")->clear();
        box(curve, "txtChordBng")->setText("100");
        press(curve, "cmdOK");
    });
    h.key(Qt::Key_F8);
    QCOMPARE(radius, QString("12.000"));
    QCOMPARE(length, QString("19.269"));
    QVERIFY(left);
    QCOMPARE(FileLines(h.file(".cve")), QStringList({"3,20,\"L\",999,100"}));
    QVERIFY(QFile::exists(h.file(".~ve")));
    // The row takes the radius and the arc length, and the cursor moves on.
    QCOMPARE(h.rowCells(1), QStringList({"3", "20", "R12.500", "19.269"}));
    QCOMPARE(h.currentRow(), 2);
    QVERIFY(h.rows().chkChange);
}

void TestFrmCurve::okAddsARecordAndCreatesTheFile() {
    TraverseHarness h;
    QVERIFY(h.window->openConnections());
    lineOnRowOne(h, "100", "101");
    auto fill = [&](const char* tangent, const char* chord) {
        QTimer::singleShot(0, [&h, tangent, chord] {
            frmCurve* curve = h.window->curveWindow();
            box(curve, "txtRadius")->setText("50");
            box(curve, "txtArc")->setText("10");
            box(curve, "txtTangentBng")->setText(tangent);
            box(curve, "txtChordBng")->setText(chord);
            press(curve, "cmdOK");
        });
    };
    // Both bearings given: an existing file keeps the tangent bearing.
    fill("45", "50.4345");
    h.tool("Curve");
    QCOMPARE(FileLines(h.file(".cve")),
             QStringList({"20,3,\"R\",282.184,999", "100,101,\"R\",45,999"}));
    QCOMPARE(h.rowCells(1), QStringList({"100", "101", "R50.000", "10.000"}));

    // Without a curve file the record starts one; both bearings given, the chord is kept.
    QVERIFY(QFile::remove(h.file(".cve")));
    h.clickCell(2, 2);
    h.enter("102");
    QCOMPARE(h.currentCol(), 3);
    fill("45", "-50");
    h.key(Qt::Key_F8);
    QCOMPARE(FileLines(h.file(".cve")), QStringList({"101,102,\"R\",999,230.0000"}));
    QCOMPARE(h.rowCells(2), QStringList({"101", "102", "R50.000", "10.000"}));
}

void TestFrmCurve::cancelChangesNothing() {
    TraverseHarness h;
    const QByteArray curves = ReadFile(h.file(".cve"));
    QVERIFY(h.window->openConnections());
    lineOnRowOne(h, "3", "20");
    QTimer::singleShot(0, [&] {
        frmCurve* curve = h.window->curveWindow();
        box(curve, "txtRadius")->setText("99");
        press(curve, "cmdCancel");
    });
    h.key(Qt::Key_F8);
    QCOMPARE(h.rowCells(1), QStringList({"3", "20", "R12.0000", "19.269"}));
    QCOMPARE(ReadFile(h.file(".cve")), curves);
    QVERIFY(!QFile::exists(h.file(".~ve")));
    // F8 works only in the bearing column.
    h.clickCell(1, 4);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        frmCurve* curve = h.window->curveWindow();
        opened = curve->isVisible();
        if (opened)
            press(curve, "cmdCancel");
    });
    h.key(Qt::Key_F8);
    QCoreApplication::processEvents();
    QVERIFY(!opened);
}

QTEST_MAIN(TestFrmCurve)
#include "tst_frmcurve.moc"
