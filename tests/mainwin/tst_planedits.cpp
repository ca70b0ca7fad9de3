#include "mainwinharness.h"

#include "platform/recordingprintjob.h"

#include <QTest>

using namespace corvane;
using namespace corvane::testing;

using Opened = OpenedSample;

class PlanEditsTest : public QObject {
    Q_OBJECT

  private slots:
    void datumBearingAndDistanceUnits() {
        Opened o;
        const QByteArray before = ReadText(o.file(".lns"));
        // Nothing asked for, or nothing to turn or scale by: nothing changes.
        o.h->run("mnuDatumBearing", {""});
        QVERIFY(o.h->messages().isEmpty());
        o.h->run("mnuDistanceUnits", {"0"});
        QVERIFY(o.h->messages().isEmpty());
        // What is no angle or no factor is refused aloud, never dropped without a word.
        const QString badBearing = QStringLiteral(
            "CORVANE: Bearing format incorrect\nEnter the angle in DEG.MMSS: 0.0300 is 0°03'00\"");
        for (const char* typed : {"1.7000", "abc", "-", "0.3x"}) {
            o.h->run("mnuDatumBearing", {typed});
            QCOMPARE(o.h->messages(), QStringList{badBearing});
            QCOMPARE(o.h->desktop.lastMessage().icon, Icon::Question);
        }
        for (const char* factor : {"-2", "2x", "abc"}) {
            o.h->run("mnuDistanceUnits", {factor});
            QCOMPARE(o.h->messages(),
                     QStringList{"Edit Distance Units: The scale factor must be a number above 0"});
        }
        QCOMPARE(ReadText(o.file(".lns")), before);

        // "0.3" is 0°03', which the question shows before anything is turned; No turns
        // nothing, and No is what Enter gives.
        o.h->desktop.answers = {Answer::No};
        o.h->run("mnuDatumBearing", {"0.3"});
        QCOMPARE(o.h->messages(),
                 QStringList{"Edit Datum Bearing: Turn every bearing by 0°03'00\" ?"});
        QCOMPARE(o.h->desktop.lastMessage().buttons, Buttons::YesNo);
        QCOMPARE(o.h->desktop.lastMessage().defaultButton, Answer::No);
        QCOMPARE(ReadText(o.file(".lns")), before);

        o.h->desktop.answers = {Answer::Yes};
        o.h->run("mnuDatumBearing", {"-0.0030"});
        QCOMPARE(o.h->messages(),
                 (QStringList{"Edit Datum Bearing: Turn every bearing by -0°00'30\" ?",
                              "Edit Datum Bearing: All bearings have been adjusted by -0.0030 "
                              "(-0\u00B000'30\")"}));
        QVERIFY(ReadText(o.file(".lns")).startsWith("1,2,14.1826,36.024"));

        // The factor is confirmed with the number of lines it scales.
        const QByteArray turned = ReadText(o.file(".lns"));
        o.h->desktop.answers = {Answer::No};
        o.h->run("mnuDistanceUnits", {"0.50"});
        QCOMPARE(
            o.h->messages(),
            QStringList{"Edit Distance Units: Multiply the distances of all 34 lines by 0.5 ?"});
        QCOMPARE(ReadText(o.file(".lns")), turned);
        o.h->desktop.answers = {Answer::Yes};
        o.h->run("mnuDistanceUnits", {"0.5"});
        QCOMPARE(o.h->messages().last(),
                 QStringLiteral("Edit Distance Units: All distances have been scaled by 0.5"));
        QVERIFY(ReadText(o.file(".lns")).startsWith("1,2,14.1826,18.012"));
    }

    void checksAndFindPoint() {
        Opened clean;
        clean.h->run("mnuDoubleLines");
        QCOMPARE(clean.h->messages(), QStringList{"Double lines check: No double lines found"});
        clean.h->run("mnuPointErrors");
        QCOMPARE(clean.h->messages(), QStringList{"Check point errors: No point errors detected"});
        clean.h->run("mnuFindPoint", {"99"});
        QCOMPARE(clean.h->messages(), QStringList{"Find point: Point 99 not used in any parcel"});
        clean.h->run("mnuFindPoint", {"4"});
        QCOMPARE(clean.h->desktop.lastMessage().text, QStringLiteral("Search complete"));

        // Line 1 - 2 stored again the other way round, and measured far too short.
        Opened doubled("2,1,194.1856,3.000\r\n");
        doubled.h->desktop.clearRecords();
        doubled.h->desktop.answers = {Answer::Ok, Answer::Yes};
        doubled.h->trigger("mnuDoubleLines");
        QVERIFY(doubled.h->messages().contains(
            "Search for double lines: Double lines found\n1 to 2\n2 to 1"));
        QCOMPARE(doubled.h->messages().last(),
                 QStringLiteral("Double lines check: Printed to Scripted printer"));
        auto printed = doubled.h->desktop.lastPrintout();
        QVERIFY(printed);
        QCOMPARE(QString::fromStdString(printed->lines.front()),
                 "Check for double lines in " + doubled.h->planPath());
        QVERIFY(std::find(printed->lines.begin(), printed->lines.end(), "2 to 1") !=
                printed->lines.end());
        QCOMPARE(doubled.h->plan.PlanLines.back().ToPoint, 1); // no placeholder left behind

        // Cancel at the first of two reports ends the reports; printing can still be declined.
        Opened twice("2,1,194.1856,3.000\r\n3,2,194.1856,34.438\r\n");
        twice.h->desktop.clearRecords();
        twice.h->desktop.answers = {Answer::Cancel, Answer::No};
        twice.h->trigger("mnuDoubleLines");
        QCOMPARE(twice.h->messages(),
                 (QStringList{"Search for double lines: Double lines found\n1 to 2\n2 to 1",
                              "Double lines check: Print results ?"}));
        QVERIFY(!twice.h->desktop.lastPrintout());
    }

    void pointNumberReadsLabels() {
        Opened o;
        const QByteArray before = ReadText(o.file(".lns"));
        o.h->run("mnuPointNumber", {"12x"});
        QCOMPARE(o.h->messages(), QStringList{"Change Point Number: Invalid point number 12x"});
        // The mark is found by its label; the new number offered is one above the largest
        // ordinary point. Cancel at the first line leaves the lines as they were.
        o.h->desktop.answers = {Answer::Cancel};
        o.h->run("mnuPointNumber", {"PM1234", "30"});
        const auto asked = o.h->desktop.callsOf(DesktopCall::Kind::InputBox);
        QCOMPARE(asked.size(), std::size_t(2));
        QCOMPARE(asked[1].detail, QStringLiteral("24"));
        const QStringList shown = o.h->messages();
        QVERIFY2(
            shown.value(0).startsWith("Change Point Number: Point found in line  4 to  44441234"),
            qPrintable(shown.join('|')));
        QCOMPARE(ReadText(o.file(".lns")), before);
    }

    // A number another point already has is refused, naming the point: taking it would join
    // the two points into one (a line 21 to 21). Nothing is asked or written.
    void pointNumberRefusesANumberInUse() {
        Opened o;
        const QByteArray lines = ReadText(o.file(".lns"));
        const QByteArray polygons = ReadText(o.file(".ply"));
        for (const char* taken : {"21", "PM1234"}) {
            o.h->run("mnuPointNumber", {"20", taken});
            QCOMPARE(o.h->messages(),
                     QStringList{QStringLiteral("Edit Point Number error: Point ") + taken +
                                 QStringLiteral(" is already in the plan\nEnter a number no "
                                                "other point has")});
        }
        // A corner of a parcel that no line reaches is a point too.
        WriteText(o.file(".ply"), polygons + "\"CO9\",0,\"C\"\r\n20\r\n99\r\n");
        o.h->run("mnuPointNumber", {"20", "99"});
        QCOMPARE(o.h->messages().value(0).left(32),
                 QStringLiteral("Edit Point Number error: Point 9"));
        QCOMPARE(ReadText(o.file(".lns")), lines);
        QVERIFY(!QFile::exists(o.file(".~ns")));
    }

    // Point 20 ends the arc 20 - 3 and is a corner of two parcels: its renumbering rewrites
    // the lines, polygons and curve files. With the curve file read-only none of them
    // changes, so no parcel is left walking lines that are not there.
    void pointNumberChangesNoFileWhenOneCannotBeWritten() {
        Opened o;
        QVERIFY(QFile::setPermissions(o.file(".cve"), QFile::ReadOwner));
        const QByteArray lines = ReadText(o.file(".lns"));
        const QByteArray polygons = ReadText(o.file(".ply"));
        const QByteArray curves = ReadText(o.file(".cve"));
        o.h->desktop.answers.assign(6, Answer::Yes);
        o.h->run("mnuPointNumber", {"20", "30"});
        const DesktopCall shown = o.h->desktop.lastMessage();
        QCOMPARE(shown.title, QStringLiteral("Edit Point Number error"));
        QVERIFY2(shown.text.contains("D20417.cve: the file is read-only"), qPrintable(shown.text));
        QCOMPARE(ReadText(o.file(".lns")), lines);
        QCOMPARE(ReadText(o.file(".ply")), polygons);
        QCOMPARE(ReadText(o.file(".cve")), curves);
        for (const LineRecord& line : o.h->plan.PlanLines)
            QVERIFY(line.FromPoint != 30 && line.ToPoint != 30);

        // Once the file can be written the same answers change all three.
        QVERIFY(QFile::setPermissions(o.file(".cve"), QFile::ReadOwner | QFile::WriteOwner));
        o.h->desktop.answers.assign(6, Answer::Yes);
        o.h->run("mnuPointNumber", {"20", "30"});
        QVERIFY(ReadText(o.file(".lns")).contains("30,3,1012.0000"));
        QVERIFY(ReadText(o.file(".ply")).contains("\r\n30\r\n"));
        QVERIFY(ReadText(o.file(".cve")).startsWith("30,3,"));
    }
};

QTEST_MAIN(PlanEditsTest)
#include "tst_planedits.moc"
