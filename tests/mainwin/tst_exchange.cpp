// Plans exchanged as LandXML from the main window: the open plan exported, and a LandXML
// file made into a new plan that opens with its import report.
#include "mainwinharness.h"

#include "drawing/frmdrawplan.h"
#include "mainwin/frmimport.h"

#include "../core/landxmlschema.h"

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
        QCOMPARE(test::LandXmlSchemaErrors(ReadText(xml).toStdString()), std::string());

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

    // A parcel with a corner no line fixes is named in the message, with the point; the
    // file holds the rest.
    void exportNamesTheParcelsLeftOut() {
        OpenedSample s;
        Harness& h = *s.h;
        WriteText(s.file(".ply"),
                  ReadText(s.file(".ply")) + "\"AL9\",120,\"C\"\r\n1\r\n2\r\n901\r\n1\r\n");
        const QString xml = s.dir.path() + QStringLiteral("/D20417.xml");
        h.run(QStringLiteral("mnuExportLandXml"), {xml});
        QCOMPARE(h.messages(), QStringList{"Export LandXML: " + xml +
                                           " written\nParcels left out:\n  AL9, no coordinates "
                                           "for point 901"});
        QCOMPARE(h.desktop.lastMessage().icon, Icon::Exclamation);
        const QByteArray text = ReadText(xml);
        QVERIFY(text.contains("name=\"7\" class=\"Allotment\""));
        QVERIFY(!text.contains("name=\"9\" class="));
        QCOMPARE(test::LandXmlSchemaErrors(text.toStdString()), std::string());
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
