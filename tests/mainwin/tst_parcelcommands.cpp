// The main window's parcel commands: the new parcel dialog, renaming, copying and deleting a
// parcel, the area dialog, the plan files in the text editor, the closure summary and the
// export of a parcel to another plan.
#include "mainwinharness.h"

#include "mainwin/frmareacalc.h"
#include "mainwin/frmparcel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

using namespace corvane;
using namespace corvane::testing;

namespace {

// Two 20 m squares sharing the line 3-4: AL1 walks 1-2-3-4, AL2 walks 3-4-5-6 over two
// lines stored against its walk (5-4 and 3-6). 7-8 is a connection line of no parcel; AL3
// walks 8-9, which has no line.
const QByteArray kLines = "1,2,90.0000,20.000\r\n"
                          "2,3,180.0000,20.000\r\n"
                          "3,4,270.0000,20.000\r\n"
                          "4,1,0.0000,20.000\r\n"
                          "5,4,0.0000,20.000\r\n"
                          "5,6,90.0000,20.000\r\n"
                          "3,6,180.0000,20.000\r\n"
                          "7,8,45.3000,12.500\r\n";
const QByteArray kAL1 = "\"AL1\",400,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n";
const QByteArray kAL2 = "\"AL2\",400,\"A\"\r\n3\r\n4\r\n5\r\n6\r\n3\r\n";
const QByteArray kAL3 = "\"AL3\",0,\"C\"\r\n7\r\n8\r\n9\r\n7\r\n";
const QByteArray kPolygons = kAL1 + kAL2 + kAL3;

const QString kNewParcelError = QStringLiteral("New Parcel error");
const QString kDoubleQuote = QStringLiteral("A parcel identifier cannot contain a double quote");

// A plan written into a temporary folder and opened in a main window on a scripted desktop.
class Plan {
  public:
    explicit Plan(const QByteArray& polygons = kPolygons, const QByteArray& lines = kLines,
                  const QString& linesExtension = QStringLiteral(".lns")) {
        base = dir.path() + QStringLiteral("/P");
        ok = WriteText(base + linesExtension, lines) &&
             WriteText(base + QStringLiteral(".ply"), polygons);
        h = std::make_unique<Harness>(base + linesExtension);
        ok = ok && h->window->startUp();
        h->desktop.clearRecords();
    }

    QString file(const char* extension) const { return base + QLatin1String(extension); }
    QListWidget* list() const { return h->find<QListWidget>(QStringLiteral("lstParcels")); }
    void select(const QString& identifier) const {
        const QList<QListWidgetItem*> found = list()->findItems(identifier, Qt::MatchExactly);
        if (!found.isEmpty())
            list()->setCurrentItem(found.first());
    }
    bool anyLineMarked() const {
        for (const LineRecord& line : h->plan.PlanLines)
            if (line.Distance < 0)
                return true;
        return false;
    }

    QTemporaryDir dir;
    QString base;
    std::unique_ptr<Harness> h;
    bool ok = false;
};

// Runs a command that shows one of the window's own dialogs modally, and acts on the dialog
// once it is up. A dialog the action leaves open is hidden, so no test waits on it. Returns
// how many times the dialog was seen open.
template <typename Dialog>
int Drive(const Harness& h, const std::function<void()>& command,
          const std::function<void(Dialog&)>& act) {
    int shown = 0;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = h.window->findChild<Dialog*>();
        if (!dialog || !dialog->isVisible())
            return;
        ++shown;
        act(*dialog);
        if (dialog->isVisible())
            dialog->hide();
    });
    timer.start();
    command();
    return shown;
}

template <typename T> T* Child(QWidget& dialog, const char* name) {
    return dialog.findChild<T*>(QLatin1String(name));
}
QComboBox* TypeBox(frmParcel& d) {
    return Child<QComboBox>(d, "cboParcelType");
}
QLineEdit* IdentifierBox(frmParcel& d) {
    return Child<QLineEdit>(d, "txtIdentifier");
}
void Click(QWidget& dialog, const char* name) {
    Child<QPushButton>(dialog, name)->click();
}
void Fill(frmParcel& d, const QString& type, const QString& typed) {
    TypeBox(d)->setCurrentText(type);
    IdentifierBox(d)->setText(typed);
}

// The point pairs of a lines file, "from-to" in file order.
QStringList LinePairs(const QString& path) {
    QStringList pairs;
    for (const QByteArray& line : ReadText(path).split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields.size() >= 2)
            pairs << QString::fromLatin1(fields[0] + '-' + fields[1]);
    }
    return pairs;
}

// Makes a folder current (where network mode keeps its working copies) for its lifetime.
class CurrentFolder {
  public:
    explicit CurrentFolder(const QString& folder) : previous_(QDir::currentPath()) {
        ok = QDir::setCurrent(folder);
    }
    ~CurrentFolder() { QDir::setCurrent(previous_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    bool ok = false;

  private:
    QString previous_;
};

QStringList ListTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

class tst_ParcelCommands : public QObject {
    Q_OBJECT

  private:
    // New Parcel with the dialog filled in and OK clicked; the dialog's complete identifier.
    static QString newParcel(Plan& p, const QString& type, const QString& typed) {
        QString identifier;
        const int shown = Drive<frmParcel>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuNewParcel")); },
            [&](frmParcel& d) {
                Fill(d, type, typed);
                Click(d, "cmdOK");
                identifier = d.parcelId();
            });
        return shown == 1 ? identifier : QStringLiteral("<not shown>");
    }

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The dialog's fixed parts: what it offers and how it is first filled.
    void newParcelDialogOffersTheParcelTypesInOrder() {
        Plan p;
        QVERIFY(p.ok);
        auto* dialog = p.h->window->findChild<frmParcel*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("New Parcel Form"));
        QComboBox* types = TypeBox(*dialog);
        QStringList offered;
        for (int i = 0; i < types->count(); ++i)
            offered << types->itemText(i);
        QCOMPARE(offered,
                 (QStringList{"Outer Boundary", "Bold Black Line", "Allotment", "Lot", "Piece",
                              "Easement", "Reserve", "Road", "Thoroughfare", "Construction"}));
        QCOMPARE(types->currentText(), QStringLiteral("Outer Boundary"));
        QVERIFY(!Child<QLineEdit>(*dialog, "txtParcelID")->isVisibleTo(dialog));
        QCOMPARE(Child<QPushButton>(*dialog, "cmdOK")->toolTip(),
                 QStringLiteral("Click here to start data entry"));
        QCOMPARE(Child<QPushButton>(*dialog, "cmdCancel")->toolTip(),
                 QStringLiteral("Click here to cancel this task"));
    }

    void newParcelMakesTheIdentifierFromTypeAndText_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("identifier");
        QTest::newRow("allotment") << "Allotment"
                                   << "12"
                                   << "AL12";
        QTest::newRow("lower case is stored upper") << "Allotment"
                                                    << "b7"
                                                    << "ALB7";
        QTest::newRow("lot") << "Lot"
                             << "5"
                             << "FL5";
        QTest::newRow("piece") << "Piece"
                               << "3"
                               << "QP3";
        QTest::newRow("road") << "Road"
                              << "1"
                              << "AR1";
        QTest::newRow("reserve") << "Reserve"
                                 << "2"
                                 << "AE2";
        QTest::newRow("thoroughfare") << "Thoroughfare"
                                      << "4"
                                      << "AT4";
        QTest::newRow("outer boundary alone") << "Outer Boundary"
                                              << ""
                                              << "OB";
        QTest::newRow("bold black line alone") << "Bold Black Line"
                                               << ""
                                               << "COBBL";
        QTest::newRow("unknown type starts nothing") << "Paddock"
                                                     << "3"
                                                     << "";
    }
    void newParcelMakesTheIdentifierFromTypeAndText() {
        QFETCH(QString, type);
        QFETCH(QString, typed);
        QFETCH(QString, identifier);
        Plan p;
        QVERIFY(p.ok);
        QCOMPARE(newParcel(p, type, typed), identifier);
        // The files stay as they were until the parcel's lines are stored.
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
    }

    // The dialog stays loaded: the next New Parcel follows on from the last identifier.
    void newParcelOffersTheNextNumber() {
        Plan p;
        QVERIFY(p.ok);
        QCOMPARE(newParcel(p, QStringLiteral("Allotment"), QStringLiteral("12")),
                 QStringLiteral("AL12"));

        QString offeredType, offered;
        int caret = -1;
        QCOMPARE(Drive<frmParcel>(
                     *p.h, [&] { p.h->trigger(QStringLiteral("mnuNewParcel")); },
                     [&](frmParcel& d) {
                         offeredType = TypeBox(d)->currentText();
                         offered = IdentifierBox(d)->text();
                         caret = IdentifierBox(d)->cursorPosition();
                         Click(d, "cmdCancel");
                     }),
                 1);
        QCOMPARE(offeredType, QStringLiteral("Allotment"));
        QCOMPARE(offered, QStringLiteral("13"));
        QCOMPARE(caret, 2);

        // Cancel clears the identifier, so nothing follows on from it.
        auto* dialog = p.h->window->findChild<frmParcel*>();
        QCOMPARE(dialog->parcelId(), QString());
        QCOMPARE(IdentifierBox(*dialog)->text(), QString());
    }

    void newParcelOffersNothingAfterAnEasementOrAName_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("typed");
        QTest::newRow("easement") << "Easement"
                                  << "4";
        QTest::newRow("no leading number") << "Allotment"
                                           << "B";
    }
    void newParcelOffersNothingAfterAnEasementOrAName() {
        QFETCH(QString, type);
        QFETCH(QString, typed);
        Plan p;
        QVERIFY(p.ok);
        QVERIFY(!newParcel(p, type, typed).isEmpty());
        QString offered = QStringLiteral("<not shown>");
        Drive<frmParcel>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuNewParcel")); },
            [&](frmParcel& d) {
                offered = IdentifierBox(d)->text();
                Click(d, "cmdCancel");
            });
        QCOMPARE(offered, QString());
    }

    // A refused entry keeps the dialog open with a message; nothing is started.
    void newParcelRefusesAnIncompleteOrQuotedIdentifier_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("no identifier") << "Allotment"
                                       << ""
                                       << "You must supply an identifier";
        QTest::newRow("no type") << ""
                                 << "5"
                                 << "You must select a parcel type";
        QTest::newRow("double quote") << "Allotment"
                                      << "1\"2" << kDoubleQuote;
    }
    void newParcelRefusesAnIncompleteOrQuotedIdentifier() {
        QFETCH(QString, type);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Plan p;
        QVERIFY(p.ok);
        bool stayedOpen = false;
        QString result = QStringLiteral("<not shown>");
        Drive<frmParcel>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuNewParcel")); },
            [&](frmParcel& d) {
                Fill(d, type, typed);
                Click(d, "cmdOK");
                stayedOpen = d.isVisible();
                Click(d, "cmdCancel");
                result = d.parcelId();
            });
        QVERIFY(stayedOpen);
        QCOMPARE(result, QString());
        QCOMPARE(p.h->messages(), QStringList{kNewParcelError + QStringLiteral(": ") + message});
    }

    // Enter moves from the type to the identifier, Up goes back, and Enter with both filled
    // is OK.
    void newParcelKeys() {
        Plan p;
        QVERIFY(p.ok);
        QWidget* afterEnter = nullptr;
        QWidget* afterUp = nullptr;
        QString identifier;
        bool openWithEmptyIdentifier = false;
        Drive<frmParcel>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuNewParcel")); },
            [&](frmParcel& d) {
                Fill(d, QStringLiteral("Piece"), QString());
                QTest::keyClick(TypeBox(d), Qt::Key_Return);
                afterEnter = d.focusWidget();
                QTest::keyClick(IdentifierBox(d), Qt::Key_Return);
                openWithEmptyIdentifier = d.isVisible();
                QTest::keyClick(IdentifierBox(d), Qt::Key_Up);
                afterUp = d.focusWidget();
                IdentifierBox(d)->setText(QStringLiteral("8"));
                QTest::keyClick(IdentifierBox(d), Qt::Key_Return);
                identifier = d.parcelId();
            });
        auto* dialog = p.h->window->findChild<frmParcel*>();
        QCOMPARE(afterEnter, static_cast<QWidget*>(IdentifierBox(*dialog)));
        QVERIFY(openWithEmptyIdentifier);
        QVERIFY(afterUp == TypeBox(*dialog) || afterUp == TypeBox(*dialog)->lineEdit());
        QCOMPARE(identifier, QStringLiteral("QP8"));
        QVERIFY(!dialog->isVisible());
    }

    // Commands on the selected parcel say so when none is selected, and change nothing.
    void commandsNeedASelectedParcel() {
        Plan p;
        QVERIFY(p.ok);
        const struct {
            const char* command;
            const char* message;
        } commands[] = {
            {"mnuParcelIdentifier", "Edit Parcel ID error: You must select a parcel from the list"},
            {"mnuCopyParcel", "Edit Parcel ID error: You must select a parcel from the list"},
            {"mnuDeleteParcel", "Delete Parcel error: Select a parcel from the Parcel List"},
            {"mnuArea", "Edit Area error: You must select a parcel from the Parcel List"},
            {"mnuExportParcel", "Export Parcel error: No parcel has been selected"},
        };
        for (const auto& command : commands) {
            p.h->desktop.clearRecords();
            p.h->trigger(QLatin1String(command.command));
            QCOMPARE(p.h->messages(), QStringList{QLatin1String(command.message)});
            QCOMPARE(p.h->desktop.calls.size(), size_t(1));
        }
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
        QCOMPARE(ReadText(p.file(".lns")), kLines);
    }

    // Rename keeps the parcel's own type code when the type is left as offered, and keeps the
    // parcel's place in the list and in the file.
    void renameKeepsTheTypeAndPlace_data() {
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("renamed");
        QTest::newRow("allotment") << "AL1"
                                   << "1"
                                   << ""
                                   << "9"
                                   << "AL9";
        QTest::newRow("FL stays FL") << "FL5"
                                     << "5"
                                     << ""
                                     << "6"
                                     << "FL6";
        QTest::newRow("lot stays LT") << "LT4"
                                      << "4"
                                      << ""
                                      << "7"
                                      << "LT7";
        QTest::newRow("bold black line") << "COBBL1"
                                         << "1"
                                         << ""
                                         << "2"
                                         << "COBBL2";
        QTest::newRow("type changed") << "AL1"
                                      << "1"
                                      << "Lot"
                                      << "1"
                                      << "FL1";
    }
    void renameKeepsTheTypeAndPlace() {
        QFETCH(QString, old);
        QFETCH(QString, offered);
        QFETCH(QString, type);
        QFETCH(QString, typed);
        QFETCH(QString, renamed);
        const QByteArray points = "1\r\n2\r\n3\r\n4\r\n1\r\n";
        const QByteArray before = "\"OB1\",1600,\"C\"\r\n" + points + "\"" + old.toLatin1() +
                                  "\",400,\"D\"\r\n" + points + kAL2;
        Plan p(before);
        QVERIFY(p.ok);
        p.select(old);
        QString offeredText;
        Drive<frmParcel>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuParcelIdentifier")); },
            [&](frmParcel& d) {
                offeredText = IdentifierBox(d)->text();
                if (!type.isEmpty())
                    TypeBox(d)->setCurrentText(type);
                IdentifierBox(d)->setText(typed);
                Click(d, "cmdOK");
            });
        QCOMPARE(offeredText, offered);
        QCOMPARE(ListTexts(p.list()), (QStringList{"OB1", renamed, "AL2"}));
        QCOMPARE(p.list()->currentItem()->text(), renamed);
        const QByteArray after = "\"OB1\",1600,\"C\"\r\n" + points + "\"" + renamed.toLatin1() +
                                 "\",400,\"D\"\r\n" + points + kAL2;
        QCOMPARE(ReadText(p.file(".ply")), after);
        QCOMPARE(p.h->messages(), QStringList());
    }

    void renameRefusesAnExistingOrQuotedIdentifier() {
        Plan p;
        QVERIFY(p.ok);
        p.select(QStringLiteral("AL1"));
        Drive<frmParcel>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuParcelIdentifier")); },
            [&](frmParcel& d) {
                IdentifierBox(d)->setText(QStringLiteral("2"));
                Click(d, "cmdOK");
            });
        QCOMPARE(p.h->messages(),
                 QStringList{"Edit Parcel ID error: This parcel identifier already exists"});

        p.h->desktop.clearRecords();
        bool stayedOpen = false;
        Drive<frmParcel>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuParcelIdentifier")); },
            [&](frmParcel& d) {
                IdentifierBox(d)->setText(QStringLiteral("1\""));
                Click(d, "cmdOK");
                stayedOpen = d.isVisible();
                Click(d, "cmdCancel");
            });
        QVERIFY(stayedOpen);
        QCOMPARE(p.h->messages(),
                 QStringList{kNewParcelError + QStringLiteral(": ") + kDoubleQuote});

        QCOMPARE(ListTexts(p.list()), (QStringList{"AL1", "AL2", "AL3"}));
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
    }

    // A copy goes to the end of the polygons file and the list with the source's area, code
    // and points; an existing or quoted identifier is refused.
    void copyAppendsTheParcelUnderItsNewIdentifier() {
        Plan p;
        QVERIFY(p.ok);
        p.select(QStringLiteral("AL2"));
        QString offeredType, offeredText = QStringLiteral("<not shown>");
        Drive<frmParcel>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuCopyParcel")); },
            [&](frmParcel& d) {
                offeredType = TypeBox(d)->currentText();
                offeredText = IdentifierBox(d)->text();
                IdentifierBox(d)->setText(QStringLiteral("7"));
                Click(d, "cmdOK");
            });
        QCOMPARE(offeredType, QStringLiteral("Allotment"));
        QCOMPARE(offeredText, QString());
        QCOMPARE(ReadText(p.file(".ply")),
                 kPolygons + "\"AL7\",400,\"A\"\r\n3\r\n4\r\n5\r\n6\r\n3\r\n");
        QCOMPARE(ListTexts(p.list()), (QStringList{"AL1", "AL2", "AL3", "AL7"}));
        QCOMPARE(p.h->messages(), QStringList{"Copy Parcel: Copy completed"});

        const QByteArray copied = ReadText(p.file(".ply"));
        for (const QString& typed : {QStringLiteral("1"), QStringLiteral("7\"")}) {
            p.h->desktop.clearRecords();
            Drive<frmParcel>(
                *p.h, [&] { p.h->trigger(QStringLiteral("mnuCopyParcel")); },
                [&](frmParcel& d) {
                    IdentifierBox(d)->setText(typed);
                    Click(d, "cmdOK");
                    if (d.isVisible())
                        Click(d, "cmdCancel");
                });
            QCOMPARE(p.h->messages().size(), 1);
            QVERIFY(!p.h->messages().first().startsWith(QStringLiteral("Copy Parcel:")));
        }
        QCOMPARE(ReadText(p.file(".ply")), copied);
        QCOMPARE(p.list()->count(), 4);
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
        p.select(QStringLiteral("AL2"));
        p.h->desktop.answers = {deleteIt ? Answer::Yes : Answer::No,
                                dropLines ? Answer::Yes : Answer::No};
        p.h->trigger(QStringLiteral("mnuDeleteParcel"));

        const std::vector<DesktopCall> asked = p.h->desktop.messages();
        QCOMPARE(asked.size(), size_t(deleteIt ? 2 : 1));
        QCOMPARE(asked[0].text, QStringLiteral("Delete AL2 ?"));
        QCOMPARE(asked[0].title, QStringLiteral("Delete Parcel"));
        QCOMPARE(asked[0].buttons, Buttons::YesNo);
        QCOMPARE(asked[0].defaultButton, Answer::No);
        QCOMPARE(asked[0].icon, Icon::Question);
        if (!deleteIt) {
            QCOMPARE(ReadText(p.file(".ply")), polygons);
            QCOMPARE(ListTexts(p.list()), (QStringList{"AL1", "AL2"}));
            QVERIFY(!p.anyLineMarked());
            return;
        }
        QCOMPARE(asked[1].text,
                 QStringLiteral("AL2 deleted from polygons file.\nDelete unused lines as well ?"));
        QCOMPARE(asked[1].defaultButton, Answer::No);
        QCOMPARE(ReadText(p.file(".ply")), kAL1);
        QCOMPARE(ListTexts(p.list()), QStringList{"AL1"});
        QVERIFY(!p.anyLineMarked());
        if (!dropLines) {
            QCOMPARE(ReadText(p.file(".lns")), kLines);
            QCOMPARE(p.h->plan.PlanLines.size(), size_t(8));
            return;
        }
        const QStringList kept{"1-2", "2-3", "3-4", "4-1", "7-8"};
        QCOMPARE(LinePairs(p.file(".lns")), kept);
        QVERIFY(p.h->plan.chkArray);
        QCOMPARE(p.h->plan.PlanLines.size(), size_t(kept.size()));
        QCOMPARE(p.h->desktop.busyDepth, 0);
    }

    // A polygons file that cannot be backed up is not rewritten: the command stops at the
    // message, the parcel stays in the list and no line is marked for dropping.
    void deleteStopsWhenTheBackupFails() {
        Plan p;
        QVERIFY(p.ok);
        // A folder where the backup copy must go.
        QVERIFY(QDir().mkpath(p.file(".~ly") + QStringLiteral("/in the way")));
        p.select(QStringLiteral("AL2"));
        p.h->desktop.answers = {Answer::Yes, Answer::Yes};
        p.h->trigger(QStringLiteral("mnuDeleteParcel"));

        const std::vector<DesktopCall> shown = p.h->desktop.messages();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[1].title, QStringLiteral("Make backup error"));
        QCOMPARE(shown[1].buttons, Buttons::Ok); // the second question was not asked
        QCOMPARE(ListTexts(p.list()), (QStringList{"AL1", "AL2", "AL3"}));
        QVERIFY(!p.anyLineMarked());
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
        QCOMPARE(ReadText(p.file(".lns")), kLines);
    }

    // The area dialog shows the stored area and code and stores what the user sets: 0.0512
    // ha is 512 square metres.
    void areaDialogStoresTheArea() {
        Plan p;
        QVERIFY(p.ok);
        p.select(QStringLiteral("AL1"));
        QString caption, offered;
        bool calculated = false, recalcShown = false, cancelShown = false;
        QCOMPARE(Drive<frmAreaCalc>(
                     *p.h, [&] { p.h->trigger(QStringLiteral("mnuArea")); },
                     [&](frmAreaCalc& d) {
                         caption = d.windowTitle();
                         offered = Child<QLineEdit>(d, "txtArea")->text();
                         calculated = Child<QRadioButton>(d, "Option1")->isChecked();
                         recalcShown = Child<QPushButton>(d, "cmdRecalc")->isVisible();
                         cancelShown = Child<QPushButton>(d, "cmdCancel")->isVisible();
                         Child<QLineEdit>(d, "txtArea")->setText(QStringLiteral("0.0512"));
                         Child<QRadioButton>(d, "Option2")->setChecked(true);
                         Click(d, "cmdOK");
                     }),
                 1);
        QCOMPARE(caption, QStringLiteral("AL1"));
        QCOMPARE(offered, QStringLiteral("0.0400"));
        QVERIFY(calculated && recalcShown && cancelShown);
        QCOMPARE(ReadText(p.file(".ply")),
                 "\"AL1\",512,\"A\"\r\n" + kPolygons.mid(kAL1.indexOf('\n') + 1));
        QCOMPARE(p.h->messages(), QStringList());
    }

    // The box shows hectares rounded; OK with the text as offered keeps the stored area to
    // the square metre and more.
    void areaDialogKeepsAnUnchangedAreaExactly_data() {
        QTest::addColumn<QByteArray>("heading");
        QTest::addColumn<QString>("offered");
        QTest::newRow("12.3456 ha") << QByteArray("\"AL4\",123456,\"D\"") << "12.35";
        QTest::newRow("square metres") << QByteArray("\"AL4\",1234.5678,\"D\"") << "0.1235";
    }
    void areaDialogKeepsAnUnchangedAreaExactly() {
        QFETCH(QByteArray, heading);
        QFETCH(QString, offered);
        const QByteArray polygons = kAL1 + heading + "\r\n1\r\n2\r\n3\r\n4\r\n1\r\n";
        Plan p(polygons);
        QVERIFY(p.ok);
        p.select(QStringLiteral("AL4"));
        QString shown;
        bool deduced = false;
        Drive<frmAreaCalc>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuArea")); },
            [&](frmAreaCalc& d) {
                shown = Child<QLineEdit>(d, "txtArea")->text();
                deduced = Child<QRadioButton>(d, "Option3")->isChecked();
                Click(d, "cmdOK");
            });
        QCOMPARE(shown, offered);
        QVERIFY(deduced);
        QCOMPARE(ReadText(p.file(".ply")), polygons);
    }

    void areaDialogRefusesWhatIsNotAnArea_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("text") << "abc";
        QTest::newRow("negative") << "-1";
        QTest::newRow("two numbers") << "0.1 0.2";
        QTest::newRow("empty") << "";
    }
    void areaDialogRefusesWhatIsNotAnArea() {
        QFETCH(QString, typed);
        Plan p;
        QVERIFY(p.ok);
        p.select(QStringLiteral("AL1"));
        bool stayedOpen = false;
        Drive<frmAreaCalc>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuArea")); },
            [&](frmAreaCalc& d) {
                Child<QLineEdit>(d, "txtArea")->setText(typed);
                Click(d, "cmdOK");
                stayedOpen = d.isVisible();
                Click(d, "cmdCancel");
            });
        QVERIFY(stayedOpen);
        QCOMPARE(p.h->desktop.messages().size(), size_t(1));
        QCOMPARE(p.h->desktop.lastMessage().title, QStringLiteral("Edit Area error"));
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
    }

    // Recalc. computes the area from the parcel's lines, or says which data is missing and
    // leaves the area as it was.
    void areaDialogRecalculates() {
        const QByteArray polygons = "\"AL1\",390,\"A\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n" + kAL3;
        Plan p(polygons);
        QVERIFY(p.ok);
        p.select(QStringLiteral("AL1"));
        QString area;
        bool calculated = false;
        Drive<frmAreaCalc>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuArea")); },
            [&](frmAreaCalc& d) {
                Click(d, "cmdRecalc");
                area = Child<QLineEdit>(d, "txtArea")->text();
                calculated = Child<QRadioButton>(d, "Option1")->isChecked();
                Click(d, "cmdOK");
            });
        QCOMPARE(area, QStringLiteral("0.0400"));
        QVERIFY(calculated);
        QCOMPARE(ReadText(p.file(".ply")), "\"AL1\",400,\"C\"\r\n1\r\n2\r\n3\r\n4\r\n1\r\n" + kAL3);
        QCOMPARE(p.h->messages(), QStringList());

        p.select(QStringLiteral("AL3"));
        bool approximate = false;
        Drive<frmAreaCalc>(
            *p.h, [&] { p.h->trigger(QStringLiteral("mnuArea")); },
            [&](frmAreaCalc& d) {
                Click(d, "cmdRecalc");
                area = Child<QLineEdit>(d, "txtArea")->text();
                approximate = Child<QRadioButton>(d, "Option2")->isChecked();
                Click(d, "cmdCancel");
            });
        QCOMPARE(area, QStringLiteral("no area"));
        QVERIFY(approximate);
        QCOMPARE(p.h->messages(), QStringList{"Recalculate Area error: Cannot calculate due to "
                                              "missing data"});
        QCOMPARE(p.h->desktop.busyDepth, 0);
    }

    // The plan's files open in the text editor (found whatever the case of their names), and
    // the lines are read again afterwards.
    void viewFilesOpenTheTextEditor() {
        Plan p(kPolygons, kLines, QStringLiteral(".LNS"));
        QVERIFY(p.ok);
        QVERIFY(p.h->plan.chkArray);
        p.h->trigger(QStringLiteral("mnuViewLines"));
        p.h->trigger(QStringLiteral("mnuViewPolygons"));
        const std::vector<DesktopCall> opened =
            p.h->desktop.callsOf(DesktopCall::Kind::OpenInTextEditor);
        QCOMPARE(opened.size(), size_t(2));
        QCOMPARE(opened[0].text, p.file(".LNS"));
        QCOMPARE(opened[1].text, p.file(".ply"));
        QVERIFY(!p.h->plan.chkArray);
        QCOMPARE(p.h->messages(), QStringList());

        QVERIFY(QFile::remove(p.file(".LNS")));
        QVERIFY(QFile::remove(p.file(".ply")));
        p.h->desktop.clearRecords();
        p.h->trigger(QStringLiteral("mnuViewLines"));
        p.h->trigger(QStringLiteral("mnuViewPolygons"));
        QCOMPARE(p.h->messages(), (QStringList{"View Lines File error: No lines file located",
                                               "View Polygons File error: No polygons file "
                                               "located"}));
        QVERIFY(p.h->desktop.callsOf(DesktopCall::Kind::OpenInTextEditor).empty());
    }

    void summaryOpensTheSummaryWindow() {
        Plan p;
        QVERIFY(p.ok);
        auto* summary = p.h->find<QWidget>(QStringLiteral("frmSummary"));
        QVERIFY(summary);
        QVERIFY(!summary->isVisible());
        for (const char* control : {"cmdSummary", "mnuSummary"}) {
            summary->hide();
            if (control[0] == 'c')
                p.h->click(QLatin1String(control));
            else
                p.h->trigger(QLatin1String(control));
            QVERIFY2(summary->isVisible(), control);
            QCOMPARE(summary->windowTitle(), QStringLiteral("Summary for ") + p.base);
        }
        summary->hide();
    }

    // Export to a plan without files creates them; a second parcel adds only the lines the
    // target lacks, each written in the parcel's own direction.
    void exportAppendsTheParcelAndItsMissingLines() {
        Plan p;
        QVERIFY(p.ok);
        QTemporaryDir target;
        const QString t = target.path() + QStringLiteral("/T");

        p.select(QStringLiteral("AL1"));
        p.h->desktop.texts = {t + QStringLiteral(".LNS")};
        p.h->trigger(QStringLiteral("mnuExportParcel"));
        QCOMPARE(p.h->messages(), QStringList{"Export AL1: Export completed"});
        QCOMPARE(ReadText(t + QStringLiteral(".ply")), kAL1);
        QCOMPARE(ReadText(t + QStringLiteral(".lns")), kLines.left(kLines.indexOf("5,4")));

        p.select(QStringLiteral("AL2"));
        p.h->desktop.clearRecords();
        p.h->desktop.texts = {t + QStringLiteral(".lns")};
        p.h->trigger(QStringLiteral("mnuExportParcel"));
        QCOMPARE(p.h->messages(), QStringList{"Export AL2: Export completed"});
        QCOMPARE(ReadText(t + QStringLiteral(".ply")), kAL1 + kAL2);
        QCOMPARE(ReadText(t + QStringLiteral(".lns")),
                 kLines.left(kLines.indexOf("5,4")) +
                     "4,5,180.0000,20.000\r\n5,6,90.0000,20.000\r\n6,3,0.0000,20.000\r\n");

        // The open plan is not changed.
        QCOMPARE(ReadText(p.file(".ply")), kPolygons);
        QCOMPARE(ReadText(p.file(".lns")), kLines);
    }

    // Refusals write nothing: a parcel the target has, a cancelled file dialog, and lines
    // that cannot be loaded.
    void exportRefusals() {
        Plan p;
        QVERIFY(p.ok);
        QTemporaryDir target;
        const QString t = target.path() + QStringLiteral("/T");
        QVERIFY(WriteText(t + QStringLiteral(".ply"), kAL2 + kAL1));
        QVERIFY(WriteText(t + QStringLiteral(".lns"), "1,2,90.0000,20.000\r\n"));

        p.select(QStringLiteral("AL1"));
        p.h->desktop.texts = {t + QStringLiteral(".lns")};
        p.h->trigger(QStringLiteral("mnuExportParcel"));
        QCOMPARE(p.h->messages(),
                 QStringList{"Export parcel error: This parcel already exists in " + t});

        p.h->desktop.clearRecords();
        p.h->trigger(QStringLiteral("mnuExportParcel")); // the file dialog is cancelled
        QCOMPARE(p.h->messages(), QStringList());

        // The lines are read again after the editor, and the file is now broken.
        p.h->trigger(QStringLiteral("mnuViewLines"));
        QVERIFY(WriteText(p.file(".lns"), "1,2,bearing,20.000\r\n"));
        p.select(QStringLiteral("AL3"));
        p.h->desktop.clearRecords();
        p.h->desktop.texts = {t + QStringLiteral(".lns")};
        p.h->trigger(QStringLiteral("mnuExportParcel"));
        QCOMPARE(p.h->desktop.messages().size(), size_t(1));
        QVERIFY(!p.h->desktop.lastMessage().title.startsWith(QStringLiteral("Export AL3")));

        QCOMPARE(ReadText(t + QStringLiteral(".ply")), kAL2 + kAL1);
        QCOMPARE(ReadText(t + QStringLiteral(".lns")), QByteArray("1,2,90.0000,20.000\r\n"));
        QVERIFY(!QFile::exists(t + QStringLiteral(".cve")));
    }

    // An arc needs its curve record in the target to have a chord there.
    void exportCarriesTheCurveRecordsOfArcs() {
        QTemporaryDir dir;
        QVERIFY(CopySamplePlan(dir.path()));
        Harness h(dir.path() + QStringLiteral("/D20417.lns"));
        QVERIFY(h.window->startUp());
        QTemporaryDir target;
        const QString t = target.path() + QStringLiteral("/T");
        const QList<QListWidgetItem*> al1 =
            h.find<QListWidget>(QStringLiteral("lstParcels"))->findItems("AL1", Qt::MatchExactly);
        QCOMPARE(al1.size(), 1);
        h.find<QListWidget>(QStringLiteral("lstParcels"))->setCurrentItem(al1.first());
        h.desktop.texts = {t};
        h.trigger(QStringLiteral("mnuExportParcel"));
        QCOMPARE(h.desktop.lastMessage().title, QStringLiteral("Export AL1"));
        QVERIFY(ReadText(t + QStringLiteral(".lns")).contains("20,3,1012.0000,19.269\r\n"));
        QVERIFY(ReadText(t + QStringLiteral(".cve")).startsWith("20,3,"));
    }

    // In network mode the target is named by its plan identifier and written on the share.
    void exportInNetworkModeWritesToTheShare() {
        QTemporaryDir share, work;
        QVERIFY(QDir().mkpath(share.path() + QStringLiteral("/DP")));
        QVERIFY(CopySamplePlan(share.path() + QStringLiteral("/DP")));
        const CurrentFolder current(work.path());
        QVERIFY(current.ok);
        {
            Harness h(QStringLiteral("VRX") + share.path());
            h.desktop.texts = {QStringLiteral("D20417")};
            QVERIFY(h.window->startUp());
            auto* list = h.find<QListWidget>(QStringLiteral("lstParcels"));
            list->setCurrentItem(list->findItems("AL2", Qt::MatchExactly).value(0));
            QVERIFY(list->currentItem());

            const QDir plans(share.path() + QStringLiteral("/DP"));
            const QStringList before = plans.entryList(QDir::Files);
            h.desktop.clearRecords();
            h.desktop.texts = {QStringLiteral("X12")};
            h.trigger(QStringLiteral("mnuExportParcel"));
            QCOMPARE(h.messages(),
                     QStringList{"Export Parcel error: X12 is not a valid plan identifier"});
            QCOMPARE(plans.entryList(QDir::Files), before);

            h.desktop.clearRecords();
            h.desktop.texts = {QStringLiteral("D777")};
            h.trigger(QStringLiteral("mnuExportParcel"));
            QCOMPARE(h.messages(), QStringList{"Export AL2: Export completed"});
            QVERIFY(ReadText(share.path() + QStringLiteral("/DP/D777.ply")).startsWith("\"AL2\","));
            QVERIFY(QFile::exists(share.path() + QStringLiteral("/DP/D777.lns")));
        }
    }
};

QTEST_MAIN(tst_ParcelCommands)
#include "tst_parcelcommands.moc"
