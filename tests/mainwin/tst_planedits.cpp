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
        // Nothing asked for, or a bearing that is none: nothing changes.
        o.h->run("mnuDatumBearing", {""});
        QVERIFY(o.h->messages().isEmpty());
        o.h->run("mnuDistanceUnits", {"0"});
        QVERIFY(o.h->messages().isEmpty());
        o.h->run("mnuDatumBearing", {"1.7000"});
        QCOMPARE(o.h->messages(), QStringList{"CORVANE: Bearing format incorrect"});
        QCOMPARE(o.h->desktop.lastMessage().icon, Icon::Question);
        for (const char* factor : {"-2", "2x"}) {
            o.h->run("mnuDistanceUnits", {factor});
            QCOMPARE(o.h->messages(),
                     QStringList{"Edit Distance Units: The scale factor must be a number above 0"});
        }
        QCOMPARE(ReadText(o.file(".lns")), before);

        o.h->run("mnuDatumBearing", {"-0.0030"});
        QCOMPARE(o.h->messages(),
                 QStringList{"Edit Datum Bearing: All bearings have been adjusted by -0.0030"});
        QVERIFY(ReadText(o.file(".lns")).startsWith("1,2,14.1826,36.024"));
        o.h->run("mnuDistanceUnits", {"0.5"});
        QCOMPARE(o.h->messages(),
                 QStringList{"Edit Distance Units: All distances have been scaled by 0.5"});
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
                 QStringLiteral("Double lines check: Printing completed"));
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
