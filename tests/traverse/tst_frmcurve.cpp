// The curve window, opened modal from the traverse grid: its check report, and what OK and
// Cancel do to the row and the curve file.

#include "traverseharness.h"

#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <array>
#include <functional>

using namespace corvane;
using namespace corvane::testing;

class TestFrmCurve : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void checkReportsTheArcsElements();
    void okReplacesTheRecordStoredTheOtherWay();
    void okCreatesTheFileWithTheRecord();
    void cancelChangesNothing();
};

namespace {

QLineEdit* box(frmCurve* curve, const char* name) {
    return curve->findChild<QLineEdit*>(QLatin1String(name));
}

void press(frmCurve* curve, const char* name) {
    curve->findChild<QPushButton*>(QLatin1String(name))->click();
}

// Opens the curve window with F8 on the bearing of row 1 after typing the line from -> to;
// the user looks at it, fills its boxes (radius, arc, tangent, chord; null leaves a box) and
// presses a button.
void curveOnRowOne(TraverseHarness& h, const char* from, const char* to,
                   std::array<const char*, 4> boxes, const char* button,
                   const std::function<void(frmCurve*)>& look = {}) {
    QVERIFY(h.window->openConnections());
    h.enter({from, to});
    h.clickCell(1, 3);
    QTimer::singleShot(0, [&h, boxes, button, look] {
        frmCurve* curve = h.window->curveWindow();
        if (look)
            look(curve);
        const char* names[] = {"txtRadius", "txtArc", "txtTangentBng", "txtChordBng"};
        for (int i = 0; i < 4; ++i)
            if (boxes[i])
                box(curve, names[i])->setText(boxes[i]);
        press(curve, button);
    });
    h.key(Qt::Key_F8);
}

} // namespace

void TestFrmCurve::checkReportsTheArcsElements() {
    TraverseHarness h;
    frmCurve* curve = h.window->curveWindow();
    curve->LoadCurve(CurveData{"1", "2", "100", "50", "R", "90", ""});
    press(curve, "cmdCheck");
    QCOMPARE(h.desktop().lastMessage().title, QString("Curve Data"));
    QCOMPARE(h.desktop().lastMessage().icon, Icon::Information);
    QCOMPARE(h.desktop().lastMessage().text,
             QString("Intersection angle = 28.3852\nTangent Distance = 25.534\n"
                     "Long Chord Bearing = 104.1926\nLong Chord Distance = 49.481"));
    QCOMPARE(box(curve, "txtChordBng")->text(), QString()); // Check changes no box
}

// The sample's arc is stored 20 -> 3; entered 3 -> 20 it shows turned left, and OK writes
// the record once, in the grid's order, after a backup of the file.
void TestFrmCurve::okReplacesTheRecordStoredTheOtherWay() {
    TraverseHarness h;
    QString shownRadius;
    bool left = false;
    curveOnRowOne(h, "3", "20", {"12.5", nullptr, "", "100"}, "cmdOK", [&](frmCurve* curve) {
        shownRadius = box(curve, "txtRadius")->text();
        left = curve->findChild<QRadioButton*>("optLeft")->isChecked();
    });
    QCOMPARE(shownRadius, QString("12.000"));
    QVERIFY(left);
    QCOMPARE(FileLines(h.file(".cve")), QStringList({"3,20,\"L\",999,100"}));
    QVERIFY(QFile::exists(h.file(".~ve")));
    // The row takes the radius and the arc length, and the cursor moves on.
    QCOMPARE(h.rowCells(1), QStringList({"3", "20", "R12.500", "19.269"}));
    QCOMPARE(h.currentRow(), 2);
}

void TestFrmCurve::okCreatesTheFileWithTheRecord() {
    TraverseHarness h;
    QVERIFY(QFile::remove(h.file(".cve")));
    curveOnRowOne(h, "100", "101", {"50", "10", "45", "-50"}, "cmdOK");
    QCOMPARE(FileLines(h.file(".cve")), QStringList({"100,101,\"R\",999,230.0000"}));
    QCOMPARE(h.rowCells(1), QStringList({"100", "101", "R50.000", "10.000"}));
}

void TestFrmCurve::cancelChangesNothing() {
    TraverseHarness h;
    const QByteArray curves = ReadFile(h.file(".cve"));
    curveOnRowOne(h, "3", "20", {"99", nullptr, nullptr, nullptr}, "cmdCancel");
    QCOMPARE(h.rowCells(1), QStringList({"3", "20", "R12.0000", "19.269"}));
    QCOMPARE(ReadFile(h.file(".cve")), curves);
    QVERIFY(!QFile::exists(h.file(".~ve")));
}

QTEST_MAIN(TestFrmCurve)
#include "tst_frmcurve.moc"
