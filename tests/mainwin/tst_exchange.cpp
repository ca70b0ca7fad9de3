// Plans exchanged as LandXML from the main window: the open plan exported, and a LandXML
// file made into a new plan that opens with its import report.
#include "mainwinharness.h"

#include "drawing/frmdrawplan.h"
#include "mainwin/frmimport.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using namespace corvane;
using namespace corvane::testing;

class ExchangeTest : public QObject {
    Q_OBJECT

  private slots:
    void exportThenImportOpensTheNewPlan() {
        OpenedSample s;
        Harness& h = *s.h;
        const QString xml = s.dir.path() + QStringLiteral("/D20417.xml");
        h.run(QStringLiteral("mnuExportLandXml"), {xml});
        QCOMPARE(h.messages(), QStringList{"Export LandXML: " + xml + " written"});
        QVERIFY(ReadText(xml).contains("<CgPoint name=\"PM1234\""));

        h.run(QStringLiteral("mnuImportLandXml"));
        auto* import = h.window->findChild<frmImport*>();
        QVERIFY(import && import->isVisible());
        import->findChild<QLineEdit*>(QStringLiteral("txtFile"))->setText(xml);
        // A plan that exists is never written over.
        import->findChild<QLineEdit*>(QStringLiteral("txtPlan"))->setText(s.file(".lns"));
        const QByteArray lines = ReadText(s.file(".lns"));
        h.desktop.clearRecords();
        h.click(QStringLiteral("cmdImport"));
        QCOMPARE(h.desktop.lastMessage().title, QStringLiteral("Import LandXML error"));
        QVERIFY(import->isVisible());
        QCOMPARE(ReadText(s.file(".lns")), lines);

        const QString fresh = s.dir.path() + QStringLiteral("/BACK.lns");
        import->findChild<QLineEdit*>(QStringLiteral("txtPlan"))->setText(fresh);
        import->findChild<QCheckBox*>(QStringLiteral("chkFill"))->setChecked(true);
        h.desktop.clearRecords();
        h.click(QStringLiteral("cmdImport"));
        QVERIFY(!import->isVisible());
        QCOMPARE(h.planPath(), s.dir.path() + QStringLiteral("/BACK"));
        QCOMPARE(h.find<QListWidget>(QStringLiteral("lstParcels"))->count(), 10);
        const auto shown = h.desktop.callsOf(DesktopCall::Kind::OpenInTextEditor);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown.front().text, s.dir.path() + QStringLiteral("/BACK-import.txt"));
    }

    // The plan view saves the whole plan as DXF; a single traverse is not offered.
    void planViewSavesTheDrawingAsDxf() {
        OpenedSample s;
        Harness& h = *s.h;
        h.run(QStringLiteral("cmdDrawPlan"));
        frmDrawPlan* view = h.window->planView();
        QVERIFY(view->isVisible());
        const QString dxf = s.dir.path() + QStringLiteral("/D20417.dxf");
        h.desktop.clearRecords();
        h.desktop.texts.assign({dxf});
        view->findChild<QAction*>(QStringLiteral("DXF"))->trigger();
        QCOMPARE(h.messages(), QStringList{"DXF export: " + dxf + " written"});
        const QByteArray text = ReadText(dxf);
        QVERIFY(text.contains("BOUNDARY") && text.contains("PARCELS") && text.contains("ARC"));
    }
};

QTEST_MAIN(ExchangeTest)
#include "tst_exchange.moc"
