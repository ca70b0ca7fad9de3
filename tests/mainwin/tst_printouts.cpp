// Every printout of the program, started as the user starts it: without a printer the save
// dialog offers a PDF named by the plan and what is printed, in the plan's folder, and the
// message names the file written; with a printer it names the printer; a cancelled dialog
// prints nothing and says nothing.
#include "mainwinharness.h"

#include "core/model/gridrow.h"
#include "drawing/frmdrawplan.h"
#include "platform/recordingprintjob.h"
#include "reports/frmreport.h"
#include "reports/frmsummary.h"
#include "tools/frmoffsides.h"
#include "tools/frmpsm.h"
#include "tools/frmscaled.h"
#include "traverse/frmtraverse.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <functional>
#include <map>

using namespace corvane;
using namespace corvane::testing;

namespace {

void Click(QWidget* window, const char* button) {
    auto* found = window->findChild<QPushButton*>(QLatin1String(button));
    QVERIFY2(found, button);
    found->click();
}

void OpenParcel(Harness& h, const QString& identifier) {
    auto* list = h.find<QListWidget>(QStringLiteral("lstParcels"));
    list->setCurrentItem(list->findItems(identifier, Qt::MatchExactly).first());
    emit list->itemDoubleClicked(list->currentItem());
}

// Types into a tool window's grid as the user does, each text ended with Enter.
void Type(ToolWindow* window, std::initializer_list<const char*> texts) {
    auto* grid = window->findChild<QTableView*>(QStringLiteral("Grid1"));
    for (const char* text : texts) {
        for (const char* c = text; *c; ++c) {
            QWidget* target = window->editorVisible()
                                  ? static_cast<QWidget*>(grid->viewport()->findChild<QLineEdit*>())
                                  : grid;
            QTest::keyClick(target, *c);
        }
        QWidget* target = window->editorVisible()
                              ? static_cast<QWidget*>(grid->viewport()->findChild<QLineEdit*>())
                              : grid;
        QTest::keyClick(target, Qt::Key_Return);
    }
}

// One printout: how the plan is opened, what is done before printing (its messages are not
// the printout's), the answers and texts the printout asks for before its print dialog, and
// the command that prints.
struct Printout {
    QByteArray extraLines;
    std::function<void(Harness&)> prepare;
    std::deque<Answer> answers;
    QStringList texts;
    std::function<void(Harness&)> print;
    QString pdfName; // a pattern: the plan view's names hold the scale
    QString title;   // of the message that says where the printout went
};

const std::map<QString, Printout>& Printouts() {
    static const std::map<QString, Printout> all{
        {"double lines",
         {"2,1,194.1856,3.000\r\n",
          [](Harness&) {},
          {Answer::Ok, Answer::Yes},
          {},
          [](Harness& h) { h.trigger("mnuDoubleLines"); },
          "D20417 double lines\\.pdf",
          "Double lines check"}},
        {"summary",
         {{},
          [](Harness& h) { h.run("mnuSummary"); },
          {},
          {},
          [](Harness& h) { Click(h.window->findChild<frmSummary*>(), "cmdPrint"); },
          "D20417 summary\\.pdf",
          "Print Summary"}},
        {"report",
         {{},
          [](Harness& h) { h.run("cmdPrint"); },
          {},
          {"J CHECKER"},
          [](Harness& h) { Click(h.window->findChild<frmReport*>(), "cmdOK"); },
          "D20417 report\\.pdf",
          "CORVANE Print"}},
        {"plan",
         {{},
          [](Harness& h) { h.run("mnuDrawPlan"); },
          {},
          {"0"}, // the scale that fits one sheet
          [](Harness& h) { h.window->planView()->toolButton("Print")->trigger(); },
          "D20417 plan 1-(\\d+)\\.pdf",
          "CORVANE"}},
        {"traverse drawing",
         {{},
          [](Harness& h) {
              OpenParcel(h, "AL1");
              Click(h.window->findChild<frmTraverse*>(), "cmdDraw");
          },
          {},
          {"0"},
          [](Harness& h) { h.window->planView()->toolButton("Print")->trigger(); },
          "D20417 AL1 drawing 1-(\\d+)\\.pdf",
          "CORVANE"}},
        {"traverse",
         {{},
          [](Harness& h) { OpenParcel(h, "AL1"); },
          {},
          {},
          [](Harness& h) { Click(h.window->findChild<frmTraverse*>(), "cmdPrint"); },
          "D20417 AL1 traverse\\.pdf",
          "CORVANE"}},
        {"PSM connections",
         {{},
          [](Harness& h) { h.run("mnuPSMs"); },
          {},
          {},
          [](Harness& h) { Click(h.window->findChild<frmPSM*>(), "cmdPrint"); },
          "D20417 PSM connections\\.pdf",
          "Print PSM List"}},
        {"scaled lines",
         {{},
          [](Harness& h) { h.run("mnuScaledData"); },
          {},
          {},
          [](Harness& h) { Click(h.window->findChild<frmScaled*>(), "cmdPrint"); },
          "D20417 scaled lines\\.pdf",
          "Print Scaled Lines"}},
        {"offsides",
         {{},
          [](Harness& h) {
              h.run("mnuCalcOffsides");
              auto* road = h.window->findChild<frmOffsides*>();
              Type(road,
                   {"800", "801", "0", "50", "10", "802", "90", "100", "", "803", "180", "50", ""});
              Click(road, "cmdCalc");
          },
          {},
          {},
          [](Harness& h) { Click(h.window->findChild<frmOffsides*>(), "cmdPrint"); },
          "D20417 offsides\\.pdf",
          "Road Offsides Calculation"}},
    };
    return all;
}

} // namespace

class PrintoutsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void eachPrintoutSaysWhereItWent_data() {
        QTest::addColumn<QString>("printout");
        for (const auto& [name, printout] : Printouts())
            QTest::newRow(qPrintable(name)) << name;
    }

    void eachPrintoutSaysWhereItWent() {
        QFETCH(QString, printout);
        const Printout& p = Printouts().at(printout);
        OpenedSample s(p.extraLines);
        Harness& h = *s.h;
        p.prepare(h);
        QVERIFY(!QTest::currentTestFailed());
        const QString folder = s.dir.path();
        auto start = [&](std::deque<Answer> answers, QStringList texts) {
            h.desktop.clearRecords();
            h.desktop.answers = p.answers;
            h.desktop.answers.insert(h.desktop.answers.end(), answers.begin(), answers.end());
            h.desktop.texts.assign(p.texts.begin(), p.texts.end());
            h.desktop.texts.insert(h.desktop.texts.end(), texts.begin(), texts.end());
            p.print(h);
        };

        // No printer: the PDF offered in the plan's folder, written where the user chose.
        h.desktop.printerInstalled = false;
        const QString chosen = folder + QStringLiteral("/checked by J.pdf");
        start({}, {chosen});
        const auto dialogs = h.desktop.callsOf(DesktopCall::Kind::SaveFileDialog);
        QCOMPARE(dialogs.size(), std::size_t(1));
        QCOMPARE(dialogs[0].title, QStringLiteral("Print to PDF"));
        const QString offered = dialogs[0].detail;
        QVERIFY2(offered.startsWith(folder + QLatin1Char('/')), qPrintable(offered));
        const QRegularExpressionMatch named =
            QRegularExpression(QRegularExpression::anchoredPattern(p.pdfName))
                .match(offered.mid(folder.size() + 1));
        QVERIFY2(named.hasMatch(), qPrintable(offered));
        QVERIFY(h.desktop.lastPrintout() && h.desktop.lastPrintout()->ended);
        QCOMPARE(h.messages().last(), p.title + QStringLiteral(": Printed to ") + chosen);
        // What the command asked before printing is asked again each time.
        const QStringList asked = h.messages().mid(0, h.messages().size() - 1);
        QVERIFY(h.desktop.scriptUsedUp());
        if (named.lastCapturedIndex() == 1) {
            // The scale in the name is the scale the title block gives.
            QStringList texts;
            for (const PrintedShape& text :
                 h.desktop.lastPrintout()->shapesOf(PrintedShape::Kind::Text))
                texts << text.text;
            QVERIFY2(texts.contains("Scale 1:" + named.captured(1)), qPrintable(texts.join('|')));
        }

        // The save dialog cancelled: nothing printed, nothing said.
        start({}, {QString()});
        QVERIFY(h.desktop.printouts.empty());
        QCOMPARE(h.messages(), asked);

        // A printer: the message names it; its dialog cancelled prints nothing.
        h.desktop.printerInstalled = true;
        start({Answer::Ok}, {});
        QCOMPARE(h.messages(),
                 asked + QStringList{p.title + QStringLiteral(": Printed to Scripted printer")});
        QVERIFY(h.desktop.callsOf(DesktopCall::Kind::SaveFileDialog).empty());
        start({Answer::Cancel}, {});
        QVERIFY(h.desktop.printouts.empty());
        QCOMPARE(h.messages(), asked);
        QVERIFY(h.desktop.scriptUsedUp());
        QCOMPARE(h.desktop.busyDepth, 0);
    }

    // The report's preview prints to the PDF it offers when there is no printer.
    void reportPreviewOffersThePlansPdf() {
        OpenedSample s;
        Harness& h = *s.h;
        h.run("cmdPrint");
        h.desktop.clearRecords();
        h.desktop.printerInstalled = false;
        h.desktop.texts = {QStringLiteral("J")};
        h.desktop.answers = {Answer::Ok};
        Click(h.window->findChild<frmReport*>(), "cmdPreview");
        const QString offered = s.dir.path() + QStringLiteral("/D20417 report.pdf");
        QCOMPARE(h.desktop.callsOf(DesktopCall::Kind::PreviewPrint).front().pdfPath, offered);
        QCOMPARE(h.messages(), QStringList{"CORVANE Print: Printed to " + offered});
    }
};

QTEST_MAIN(PrintoutsTest)
#include "tst_printouts.moc"
