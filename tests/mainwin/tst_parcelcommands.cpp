// The main window's parcel commands: the new parcel dialog, renaming, copying and deleting a
// parcel, the area dialog, the plan files in the text editor, the closure summary and the
// export of a parcel to another plan.
#include "mainwinharness.h"

#include "core/files/planlock.h"

#include "mainwin/frmareacalc.h"
#include "mainwin/frmparcel.h"
#include "platform/texteditor.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <functional>

using namespace corvane;
using namespace corvane::testing;

namespace {

// Two 20 m squares sharing the line 3-4: AL1 walks 1-2-3-4, AL2 walks 3-4-5-6 over two
// lines stored against its walk (5-4 and 3-6). 7-8 is a connection line of no parcel; AL3
// walks 8-9, which has no line.
const QByteArray kLines = "1,2,90.0000,20.000\r\n2,3,180.0000,20.000\r\n3,4,270.0000,20.000\r\n"
                          "4,1,0.0000,20.000\r\n5,4,0.0000,20.000\r\n5,6,90.0000,20.000\r\n"
                          "3,6,180.0000,20.000\r\n7,8,45.3000,12.500\r\n";
const QByteArray kAL1 = "\"AL1\",400,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n";
const QByteArray kAL2 = "\"AL2\",400,\"A\"\r\n3\r\n4\r\n5\r\n6\r\n3\r\n";
const QByteArray kAL3 = "\"AL3\",0,\"C\"\r\n7\r\n8\r\n9\r\n7\r\n";
const QByteArray kPolygons = kAL1 + kAL2 + kAL3;
const QString kDoubleQuote = "New Parcel error: A parcel identifier cannot contain a double quote";

// A plan written into a temporary folder and opened in a main window on a scripted desktop.
struct Plan {
    explicit Plan(const QByteArray& polygons = kPolygons, const char* linesExtension = ".lns",
                  const QByteArray& lines = kLines)
        : ext(linesExtension) {
        ok = WriteText(file(linesExtension), lines) && WriteText(file(".ply"), polygons) &&
             h.window->startUp();
        h.desktop.clearRecords();
    }
    QString file(const char* extension) const { return base + extension; }
    QListWidget* list() const { return h.find<QListWidget>("lstParcels"); }
    QStringList parcels() const { return ListTexts(list()); }
    void select(const QString& id) const {
        list()->setCurrentItem(list()->findItems(id, Qt::MatchExactly).value(0));
    }
    bool anyLineMarked() const {
        const auto& lines = h.plan.PlanLines;
        return std::any_of(lines.begin(), lines.end(), [](auto& l) { return l.Distance < 0; });
    }

    QString ext;
    QTemporaryDir dir;
    QString base = dir.path() + "/P";
    Harness h{base + ext};
    bool ok = false;
};

// The dialogs' controls.
struct Ui {
    static QComboBox* type(QWidget& d) { return d.findChild<QComboBox*>("cboParcelType"); }
    static QLineEdit* id(QWidget& d) { return d.findChild<QLineEdit*>("txtIdentifier"); }
    static QLineEdit* area(QWidget& d) { return d.findChild<QLineEdit*>("txtArea"); }
    static bool on(QWidget& d, const char* option) {
        return d.findChild<QRadioButton*>(option)->isChecked();
    }
    static void click(QWidget& d, const char* button) {
        d.findChild<QPushButton*>(button)->click();
    }
};

// Runs a command that shows one of the window's own dialogs modally, and acts on the dialog
// once it is up. A dialog the action leaves open is hidden, so no test waits on it. Returns
// how many times the dialog was seen open.
template <typename Dialog>
int Drive(const Harness& h, const char* command, const std::function<void(Dialog&)>& act) {
    int shown = 0;
    QObject guard; // a timer still pending at the return goes with it
    QTimer::singleShot(0, &guard, [&] {
        auto* dialog = h.window->findChild<Dialog*>();
        if (!dialog || !dialog->isVisible())
            return;
        ++shown;
        act(*dialog);
        if (dialog->isVisible())
            dialog->hide();
    });
    h.trigger(command);
    return shown;
}

// The parcel dialog of `command` filled in (with no type, the type stays as offered) and OK
// clicked, then Cancel if it stayed open. Returns whether it stayed open.
bool FillParcelDialog(const Harness& h, const char* command, const char* type,
                      const QString& typed) {
    bool stayedOpen = false;
    Drive<frmParcel>(h, command, [&](frmParcel& d) {
        if (type)
            Ui::type(d)->setCurrentText(type);
        Ui::id(d)->setText(typed);
        Ui::click(d, "cmdOK");
        stayedOpen = d.isVisible();
        if (stayedOpen)
            Ui::click(d, "cmdCancel");
    });
    return stayedOpen;
}

} // namespace

class tst_ParcelCommands : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The identifier is the type's code and the text typed, upper-cased: the codes the
    // parcel types know (a lot is LT, never FL, which was judged a construction parcel). The
    // dialog stays loaded: the next New Parcel follows on from a numbered identifier, and
    // Cancel clears it.
    void newParcelMakesAndSuggestsIdentifiers() {
        const char* const rows[][4] = {
            {"Allotment", "12", "AL12", "13"},     {"Allotment", "b7", "ALB7", nullptr},
            {"Lot", "5", "LT5", nullptr},          {"Reserve", "2", "RE2", nullptr},
            {"Piece", "9", "PI9", nullptr},        {"Road", "9", "RD9", nullptr},
            {"Thoroughfare", "9", "RD9", nullptr}, {"Part Lot", "9", "PT9", nullptr},
            {"Outer Boundary", "", "OB", nullptr}, {"Bold Black Line", "", "COBBL", nullptr},
            {"Easement", "4", "EA4", ""},          {"Allotment", "B", "ALB", ""},
        };
        for (const auto& row : rows) {
            Plan p;
            QVERIFY(p.ok);
            QString made = "<not shown>";
            Drive<frmParcel>(p.h, "mnuNewParcel", [&](frmParcel& d) {
                Ui::type(d)->setCurrentText(row[0]);
                Ui::id(d)->setText(row[1]);
                Ui::click(d, "cmdOK");
                made = d.parcelId();
            });
            QCOMPARE(made, QString(row[2]));
            // The files stay as they were until the parcel's lines are stored.
            QCOMPARE(ReadText(p.file(".ply")), kPolygons);
            if (!row[3])
                continue;
            QString offeredType, offeredText = "<not shown>";
            int caret = -1;
            Drive<frmParcel>(p.h, "mnuNewParcel", [&](frmParcel& d) {
                offeredType = Ui::type(d)->currentText();
                offeredText = Ui::id(d)->text();
                caret = Ui::id(d)->cursorPosition();
                Ui::click(d, "cmdCancel");
            });
            QCOMPARE(offeredText, QString(row[3]));
            QCOMPARE(offeredType, QString(row[0]));
            QCOMPARE(caret, offeredText.size());
            auto* dialog = p.h.window->findChild<frmParcel*>();
            QCOMPARE(dialog->parcelId(), QString());
            QCOMPARE(Ui::id(*dialog)->text(), QString());
        }
    }

    // A refused entry keeps the dialog open with a message; nothing is started. A typed
    // type that is none of the list's once started nothing without a word.
    void newParcelRefusesAnIncompleteOrQuotedIdentifier() {
        const char* const cases[][3] = {
            {"Allotment", "", "New Parcel error: You must supply an identifier"},
            {"", "5", "New Parcel error: You must select a parcel type"},
            {"Allotment", "1\"2", nullptr},
            {"Paddock", "3",
             "New Parcel error: Unknown parcel type \"Paddock\"\nChoose a type from the list"},
        };
        Plan p;
        QVERIFY(p.ok);
        for (const auto& c : cases) {
            p.h.desktop.clearRecords();
            QVERIFY(FillParcelDialog(p.h, "mnuNewParcel", c[0], c[1]));
            QCOMPARE(p.h.window->findChild<frmParcel*>()->parcelId(), QString());
            QCOMPARE(p.h.messages(), QStringList{c[2] ? QString(c[2]) : kDoubleQuote});
        }
        // Every type is in the list, a part lot among them: none has to be typed.
        QComboBox* types = Ui::type(*p.h.window->findChild<frmParcel*>());
        QCOMPARE(types->count(), 11);
        QVERIFY(types->findText("Part Lot") >= 0);
    }

    // Rename keeps the parcel's own type code when the type is left as offered, or takes
    // the type chosen, and keeps the parcel's place in the list and in the file.
    void renameKeepsTheTypeAndPlace() {
        const QByteArray points = "1\r\n2\r\n3\r\n4\r\n1\r\n";
        const QByteArray polygons =
            "\"OB1\",1600,\"C\"\r\n" + points + "\"FL5\",400,\"D\"\r\n" + points + kAL2;
        Plan p(polygons);
        QVERIFY(p.ok);
        const char* const steps[][5] = {{"FL5", nullptr, "6", "FL6", "5"},
                                        {"FL6", "Allotment", "7", "AL7", "6"}};
        for (const auto& step : steps) {
            p.select(step[0]);
            QString offered;
            Drive<frmParcel>(p.h, "mnuParcelIdentifier", [&](frmParcel& d) {
                offered = Ui::id(d)->text();
                if (step[1])
                    Ui::type(d)->setCurrentText(step[1]);
                Ui::id(d)->setText(step[2]);
                Ui::click(d, "cmdOK");
            });
            QCOMPARE(offered, QString(step[4]));
            QCOMPARE(p.parcels(), (QStringList{"OB1", step[3], "AL2"}));
            QCOMPARE(p.list()->currentItem()->text(), QString(step[3]));
            QCOMPARE(ReadText(p.file(".ply")),
                     QByteArray(polygons).replace("\"FL5\"", '"' + QByteArray(step[3]) + '"'));
        }
        QCOMPARE(p.h.messages(), QStringList());
    }

    // Commands on the selected parcel say so when none is selected; rename and copy refuse
    // an existing or quoted identifier. None of them changes anything. A copy goes to the end
    // of the file and the list with the source's area, code and points.
    void refusalsChangeNothingAndCopyAppends() {
        Plan p;
        QVERIFY(p.ok);
        const char* const commands[][2] = {
            {"mnuParcelIdentifier", "Edit Parcel ID error: You must select a parcel from the list"},
            {"mnuCopyParcel", "Edit Parcel ID error: You must select a parcel from the list"},
            {"mnuDeleteParcel", "Delete Parcel error: Select a parcel from the Parcel List"},
            {"mnuArea", "Edit Area error: You must select a parcel from the Parcel List"},
            {"mnuExportParcel", "Export Parcel error: No parcel has been selected"},
        };
        for (const auto& command : commands) {
            p.h.run(command[0]);
            QCOMPARE(p.h.messages(), QStringList{command[1]});
            QCOMPARE(p.h.desktop.calls.size(), size_t(1));
        }
        p.select("AL2");
        for (const char* command : {"mnuParcelIdentifier", "mnuCopyParcel"}) {
            p.h.desktop.clearRecords();
            QVERIFY(!FillParcelDialog(p.h, command, nullptr, "1"));
            QCOMPARE(p.h.messages(),
                     QStringList{"Edit Parcel ID error: This parcel identifier already exists"});
            p.h.desktop.clearRecords();
            QVERIFY(FillParcelDialog(p.h, command, nullptr, "7\""));
            QCOMPARE(p.h.messages(), QStringList{kDoubleQuote});
        }
        QCOMPARE(p.parcels(), (QStringList{"AL1", "AL2", "AL3"}));
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
        QCOMPARE(ReadText(p.file(".lns")), kLines);

        p.h.desktop.clearRecords();
        QString offeredType, offeredText = "<not shown>";
        Drive<frmParcel>(p.h, "mnuCopyParcel", [&](frmParcel& d) {
            offeredType = Ui::type(d)->currentText();
            offeredText = Ui::id(d)->text();
            Ui::id(d)->setText("7");
            Ui::click(d, "cmdOK");
        });
        QCOMPARE(offeredType, QStringLiteral("Allotment"));
        QCOMPARE(offeredText, QString());
        QCOMPARE(ReadText(p.file(".ply")),
                 kPolygons + "\"AL7\",400,\"A\"\r\n3\r\n4\r\n5\r\n6\r\n3\r\n");
        QCOMPARE(p.parcels(), (QStringList{"AL1", "AL2", "AL3", "AL7"}));
        QCOMPARE(p.h.messages(), QStringList{"Copy Parcel: Copy completed"});
    }

    // Delete: No at the first question changes nothing; No at the second keeps every line;
    // Yes drops exactly the lines of the deleted parcel that no other parcel walks, even a
    // line the parcel walks twice.
    void deleteParcel_data() {
        QTest::addColumn<bool>("deleteIt");
        QTest::addColumn<bool>("dropLines");
        QTest::newRow("not deleted") << false << false;
        QTest::newRow("lines kept") << true << false;
        QTest::newRow("unused lines dropped") << true << true;
    }
    void deleteParcel() {
        QFETCH(bool, deleteIt);
        QFETCH(bool, dropLines);
        // AL2 walks 6-3 and then 3-6 again.
        const QByteArray polygons = kAL1 + "\"AL2\",400,\"A\"\r\n3\r\n4\r\n5\r\n6\r\n3\r\n6\r\n";
        Plan p(polygons);
        QVERIFY(p.ok);
        p.select("AL2");
        p.h.desktop.answers = {deleteIt ? Answer::Yes : Answer::No,
                               dropLines ? Answer::Yes : Answer::No};
        p.h.trigger("mnuDeleteParcel");

        const std::vector<DesktopCall> asked = p.h.desktop.messages();
        QCOMPARE(asked.size(), size_t(deleteIt ? 2 : 1));
        QCOMPARE(asked[0].text, QStringLiteral("Delete AL2 ?"));
        QCOMPARE(asked[0].title, QStringLiteral("Delete Parcel"));
        QCOMPARE(asked[0].buttons, Buttons::YesNo);
        QCOMPARE(asked[0].defaultButton, Answer::No);
        QCOMPARE(asked[0].icon, Icon::Question);
        QVERIFY(!p.anyLineMarked());
        if (!deleteIt) {
            QCOMPARE(ReadText(p.file(".ply")), polygons);
            QCOMPARE(p.parcels(), (QStringList{"AL1", "AL2"}));
            QCOMPARE(ReadText(p.file(".lns")), kLines);
            return;
        }
        QCOMPARE(asked[1].text,
                 QStringLiteral("AL2 deleted from polygons file.\nDelete unused lines as well ?"));
        QCOMPARE(asked[1].defaultButton, Answer::No);
        QCOMPARE(ReadText(p.file(".ply")), kAL1);
        QCOMPARE(p.parcels(), QStringList{"AL1"});
        if (!dropLines) {
            QCOMPARE(ReadText(p.file(".lns")), kLines);
            QCOMPARE(p.h.plan.PlanLines.size(), size_t(8));
            return;
        }
        QCOMPARE(ReadText(p.file(".lns")),
                 kLines.left(kLines.indexOf("5,4")) + "7,8,45.3000,12.500\r\n");
        QVERIFY(p.h.plan.chkArray);
        QCOMPARE(p.h.plan.PlanLines.size(), size_t(5));
        QCOMPARE(p.h.desktop.busyDepth, 0);
    }

    // A polygons file that cannot be backed up is not rewritten: the command stops at the
    // message, the parcel stays in the list and no line is marked for dropping.
    void deleteStopsWhenTheBackupFails() {
        Plan p;
        QVERIFY(p.ok);
        // A folder where the backup copy must go.
        QVERIFY(QDir().mkpath(p.file(".~ly") + "/in the way"));
        p.select("AL2");
        p.h.desktop.answers = {Answer::Yes, Answer::Yes};
        p.h.trigger("mnuDeleteParcel");

        const std::vector<DesktopCall> shown = p.h.desktop.messages();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[1].title, QStringLiteral("Make backup error"));
        QCOMPARE(shown[1].buttons, Buttons::Ok); // the second question was not asked
        QCOMPARE(p.parcels(), (QStringList{"AL1", "AL2", "AL3"}));
        QVERIFY(!p.anyLineMarked());
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
        QCOMPARE(ReadText(p.file(".lns")), kLines);
    }

    // The polygons and lines files change in one commit after both answers: a lines file
    // that cannot be written keeps the parcel in the polygons file and in the list too.
    void deleteChangesNeitherFileWhenOneCannotBeWritten() {
        Plan p;
        QVERIFY(p.ok);
        QVERIFY(QFile::setPermissions(p.file(".lns"), QFile::ReadOwner));
        p.select("AL2");
        p.h.desktop.answers = {Answer::Yes, Answer::Yes};
        p.h.trigger("mnuDeleteParcel");
        const std::vector<DesktopCall> shown = p.h.desktop.messages();
        QCOMPARE(shown.size(), size_t(3));
        QCOMPARE(shown[2].title, QStringLiteral("Delete Parcel error"));
        QVERIFY2(shown[2].text.contains("read-only"), qPrintable(shown[2].text));
        QCOMPARE(p.parcels(), (QStringList{"AL1", "AL2", "AL3"}));
        QVERIFY(!p.anyLineMarked());
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
        QCOMPARE(ReadText(p.file(".lns")), kLines);
    }

    // The area dialog refuses what is not an area and stays open; it shows the stored area
    // and code and stores what the user sets: 0.0512 ha is 512 square metres.
    void areaDialogRefusesOrStoresTheArea() {
        Plan p;
        QVERIFY(p.ok);
        p.select("AL1");
        for (const char* typed : {"abc", "-1", "0.1 0.2", ""}) {
            p.h.desktop.clearRecords();
            bool stayedOpen = false;
            Drive<frmAreaCalc>(p.h, "mnuArea", [&](frmAreaCalc& d) {
                Ui::area(d)->setText(typed);
                Ui::click(d, "cmdOK");
                stayedOpen = d.isVisible();
                Ui::click(d, "cmdCancel");
            });
            QVERIFY2(stayedOpen, typed);
            QCOMPARE(p.h.desktop.messages().size(), size_t(1));
            QCOMPARE(p.h.desktop.lastMessage().title, QStringLiteral("Edit Area error"));
            QCOMPARE(ReadText(p.file(".ply")), kPolygons);
        }

        p.h.desktop.clearRecords();
        QString caption, offered;
        bool calculated = false;
        Drive<frmAreaCalc>(p.h, "mnuArea", [&](frmAreaCalc& d) {
            caption = d.windowTitle();
            offered = Ui::area(d)->text();
            calculated = Ui::on(d, "Option1");
            Ui::area(d)->setText("0.0512");
            d.findChild<QRadioButton*>("Option2")->setChecked(true);
            Ui::click(d, "cmdOK");
        });
        QCOMPARE(caption, QStringLiteral("AL1"));
        QCOMPARE(offered, QStringLiteral("0.0400"));
        QVERIFY(calculated);
        QCOMPARE(ReadText(p.file(".ply")),
                 "\"AL1\",512,\"A\"\r\n" + kPolygons.mid(kAL1.indexOf('\n') + 1));
        QCOMPARE(p.h.messages(), QStringList());
    }

    // The box shows hectares rounded; OK with the text as offered keeps the stored area to
    // the square metre and more.
    void areaDialogKeepsAnUnchangedAreaExactly() {
        const QByteArray points = "\r\n1\r\n2\r\n3\r\n4\r\n1\r\n";
        const QByteArray polygons =
            kAL1 + "\"AL4\",123456,\"D\"" + points + "\"AL5\",1234.5678,\"D\"" + points;
        Plan p(polygons);
        QVERIFY(p.ok);
        for (const auto& [parcel, offered] : {std::pair{"AL4", "12.35"}, {"AL5", "0.1235"}}) {
            p.select(parcel);
            QString shown;
            bool deduced = false;
            Drive<frmAreaCalc>(p.h, "mnuArea", [&](frmAreaCalc& d) {
                shown = Ui::area(d)->text();
                deduced = Ui::on(d, "Option3");
                Ui::click(d, "cmdOK");
            });
            QCOMPARE(shown, QString(offered));
            QVERIFY(deduced);
        }
        QCOMPARE(ReadText(p.file(".ply")), polygons);
    }

    // Recalc. computes the area from the parcel's lines, or says which data is missing and
    // leaves the area as it was.
    void areaDialogRecalculates() {
        const QByteArray polygons = "\"AL1\",390,\"A\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n" + kAL3;
        Plan p(polygons);
        QVERIFY(p.ok);
        QString area;
        bool calculated = false, approximate = false;
        p.select("AL1");
        Drive<frmAreaCalc>(p.h, "mnuArea", [&](frmAreaCalc& d) {
            Ui::click(d, "cmdRecalc");
            area = Ui::area(d)->text();
            calculated = Ui::on(d, "Option1");
            Ui::click(d, "cmdOK");
        });
        QCOMPARE(area, QStringLiteral("0.0400"));
        QVERIFY(calculated);
        QCOMPARE(ReadText(p.file(".ply")), "\"AL1\",400,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n" + kAL3);
        QCOMPARE(p.h.messages(), QStringList());

        p.select("AL3");
        Drive<frmAreaCalc>(p.h, "mnuArea", [&](frmAreaCalc& d) {
            Ui::click(d, "cmdRecalc");
            area = Ui::area(d)->text();
            approximate = Ui::on(d, "Option2");
            Ui::click(d, "cmdCancel");
        });
        QCOMPARE(area, QStringLiteral("no area"));
        QVERIFY(approximate);
        QCOMPARE(p.h.messages(),
                 QStringList{"Recalculate Area error: Cannot calculate due to missing data"});
        QCOMPARE(p.h.desktop.busyDepth, 0);
    }

    // Recalc. stores the area it computed to a tenth of a square metre, not the hectares the
    // box shows (469.12 m² once went in as 469); a parcel walked anticlockwise has the area
    // of the parcel walked the other way round (it once got none).
    void areaDialogRecalcStoresTheComputedArea() {
        const QByteArray lines = "1,2,90.0000,20.000\r\n2,3,180.0000,23.456\r\n"
                                 "3,4,270.0000,20.000\r\n4,1,0.0000,23.456\r\n";
        const QByteArray polygons = "\"AL1\",0,\"A\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n\"AL2\",0,"
                                    "\"A\"\r\n1\r\n4\r\n3\r\n2\r\n1\r\n";
        Plan p(polygons, ".lns", lines);
        QVERIFY(p.ok);
        for (const char* parcel : {"AL1", "AL2"}) {
            p.select(parcel);
            QString shown;
            Drive<frmAreaCalc>(p.h, "mnuArea", [&](frmAreaCalc& d) {
                Ui::click(d, "cmdRecalc");
                shown = Ui::area(d)->text();
                Ui::click(d, "cmdOK");
            });
            QCOMPARE(shown, QStringLiteral("0.0469"));
        }
        QCOMPARE(ReadText(p.file(".ply")), QByteArray(polygons)
                                               .replace("\"AL1\",0,\"A\"", "\"AL1\",469.1,\"C\"")
                                               .replace("\"AL2\",0,\"A\"", "\"AL2\",469.1,\"C\""));
        // A figure typed in the box is the user's: taken as typed.
        p.select("AL1");
        Drive<frmAreaCalc>(p.h, "mnuArea", [&](frmAreaCalc& d) {
            Ui::area(d)->setText("0.04691");
            Ui::click(d, "cmdOK");
        });
        QVERIFY(ReadText(p.file(".ply")).startsWith("\"AL1\",469.1,\"C\""));
        QCOMPARE(p.h.messages(), QStringList());
    }

    // The plan's files open in the text editor (found whatever the case of their names), and
    // the lines are read again afterwards. Without an editor the message says how to choose
    // one, and the lines in memory stay as read.
    void viewFilesOpenTheTextEditor() {
        Plan p(kPolygons, ".LNS");
        QVERIFY(p.ok && p.h.plan.chkArray);
        p.h.trigger("mnuViewLines");
        p.h.trigger("mnuViewPolygons");
        const std::vector<DesktopCall> opened =
            p.h.desktop.callsOf(DesktopCall::Kind::OpenInTextEditor);
        QCOMPARE(opened.size(), size_t(2));
        QCOMPARE(opened[0].text, p.file(".LNS"));
        QCOMPARE(opened[1].text, p.file(".ply"));
        QVERIFY(!p.h.plan.chkArray);
        QCOMPARE(p.h.messages(), QStringList());

        p.h.plan.chkArray = true; // as after the next command that reads the lines
        p.h.desktop.editorStarts = false;
        p.h.run("mnuViewLines");
        QCOMPARE(p.h.messages(),
                 QStringList{"View Lines File error: " + NoTextEditorMessage(p.file(".LNS"))});
        QVERIFY(p.h.messages().first().contains("VISUAL or EDITOR"));
        QVERIFY(p.h.plan.chkArray);
        p.h.desktop.editorStarts = true;

        QVERIFY(QFile::remove(p.file(".LNS")) && QFile::remove(p.file(".ply")));
        p.h.run("mnuViewLines");
        p.h.trigger("mnuViewPolygons");
        QCOMPARE(p.h.messages(), (QStringList{"View Lines File error: No lines file located",
                                              "View Polygons File error: No polygons file "
                                              "located"}));
        QVERIFY(p.h.desktop.callsOf(DesktopCall::Kind::OpenInTextEditor).empty());
    }

    // Export to a plan without files creates them; a second parcel adds only the lines the
    // target lacks, each written in the parcel's own direction. Refusals write nothing: a
    // parcel the target has, a cancelled file dialog and lines that cannot be loaded. The
    // open plan is not changed.
    void exportAppendsTheParcelAndItsMissingLines() {
        Plan p;
        QVERIFY(p.ok);
        QTemporaryDir target;
        const QString t = target.path() + "/T";
        const QByteArray al1Lines = kLines.left(kLines.indexOf("5,4"));
        const QByteArray al2Lines =
            "4,5,180.0000,20.000\r\n5,6,90.0000,20.000\r\n6,3,0.0000,20.000\r\n";

        p.select("AL1");
        p.h.run("mnuExportParcel", {t + ".LNS"});
        QCOMPARE(p.h.messages(), QStringList{"Export AL1: Export completed"});
        // The target is named in a save dialog of its own, starting in the plan's folder.
        const auto dialogs = p.h.desktop.callsOf(DesktopCall::Kind::SaveFileDialog);
        QCOMPARE(dialogs.size(), size_t(1));
        QCOMPARE(dialogs[0].title, QStringLiteral("Export Parcel To"));
        QCOMPARE(QDir(dialogs[0].detail).canonicalPath(),
                 QFileInfo(p.file(".lns")).canonicalPath());
        QCOMPARE(ReadText(t + ".ply"), kAL1);
        QCOMPARE(ReadText(t + ".lns"), al1Lines);

        p.select("AL2");
        p.h.run("mnuExportParcel", {t + ".lns"});
        QCOMPARE(p.h.messages(), QStringList{"Export AL2: Export completed"});
        QCOMPARE(ReadText(t + ".ply"), kAL1 + kAL2);
        QCOMPARE(ReadText(t + ".lns"), al1Lines + al2Lines);

        p.select("AL1");
        p.h.run("mnuExportParcel", {t + ".lns"});
        QCOMPARE(p.h.messages(),
                 QStringList{"Export parcel error: This parcel already exists in " + t});
        p.h.run("mnuExportParcel"); // the file dialog is cancelled
        QCOMPARE(p.h.messages(), QStringList());
        // A plan someone has open is not written behind their back.
        QVERIFY(TakePlanLock((t + ".lck").toStdString(),
                             LockHolder{"bob", "pc2", "7/12/2026 10:02", 1, 2})
                    .ok());
        p.select("AL3");
        p.h.run("mnuExportParcel", {t + ".lns"});
        QCOMPARE(p.h.messages(), QStringList{"Export Parcel error: T is open by bob on pc2 since "
                                             "7/12/2026 10:02.\nExport the parcel once it is "
                                             "closed."});
        QCOMPARE(ReadText(t + ".ply"), kAL1 + kAL2);
        QVERIFY(QFile::remove(t + ".lck"));
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
        QCOMPARE(ReadText(p.file(".lns")), kLines);

        // The lines are read again after the editor, and the file is now broken.
        p.h.trigger("mnuViewLines");
        QVERIFY(WriteText(p.file(".lns"), "1,2,bearing,20.000\r\n"));
        p.select("AL3");
        p.h.run("mnuExportParcel", {t + ".lns"});
        QCOMPARE(p.h.desktop.messages().size(), size_t(1));
        QVERIFY(!p.h.desktop.lastMessage().title.startsWith("Export AL3"));
        QCOMPARE(ReadText(t + ".ply"), kAL1 + kAL2);
        QCOMPARE(ReadText(t + ".lns"), al1Lines + al2Lines);
        QVERIFY(!QFile::exists(t + ".cve"));
    }

    // In network mode the target is named by its plan identifier and written on the share.
    // An arc needs its curve record in the target to have a chord there.
    void exportInNetworkModeWritesToTheShareWithCurveRecords() {
        Network net;
        QVERIFY(net.ok);
        Harness h(net.commandLine());
        h.desktop.texts = {"D20417"};
        QVERIFY(h.window->startUp());
        auto* list = h.find<QListWidget>("lstParcels");
        list->setCurrentItem(list->item(kSampleParcels.indexOf("AL1")));

        const QDir plans(net.share.path() + "/DP");
        const QStringList before = plans.entryList(QDir::Files);
        h.run("mnuExportParcel", {"X12"});
        QCOMPARE(h.messages(),
                 QStringList{"Export Parcel error: X12 is not a valid plan identifier"});
        QCOMPARE(plans.entryList(QDir::Files), before);

        // Typed with its lines file's extension, the identifier names the same plan.
        h.run("mnuExportParcel", {"D777.lns"});
        QCOMPARE(h.messages(), QStringList{"Export AL1: Export completed"});
        QVERIFY(!QFile::exists(net.onShare("D777.lns.ply")));
        QVERIFY(ReadText(net.onShare("D777.ply")).startsWith("\"AL1\","));
        QVERIFY(ReadText(net.onShare("D777.lns")).contains("20,3,1012.0000,19.269\r\n"));
        QVERIFY(ReadText(net.onShare("D777.cve")).startsWith("20,3,"));
    }
};

QTEST_MAIN(tst_ParcelCommands)
#include "tst_parcelcommands.moc"
