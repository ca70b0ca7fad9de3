// The adjustment results window and the plan check window on the sample plan, the tables they
// fill, and what they lay over the plan view.
#include "../mainwin/mainwinharness.h"

#include "core/files/linesfile.h"
#include "drawing/frmdrawplan.h"
#include "platform/recordingprintjob.h"
#include "tools/adjusttables.h"
#include "tools/frmadjust.h"
#include "tools/frmplancheck.h"
#include "tools/planplaces.h"
#include "traverse/frmtraverse.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <numbers>

using namespace corvane;
using namespace corvane::testing;

namespace {

constexpr double kPi = std::numbers::pi;

ObservationResult observed(std::int32_t from, std::int32_t to, ObservationKind kind, double w,
                           bool flagged, double residual = 0.001, double redundancy = 0.5) {
    ObservationResult r;
    r.observation.from = from;
    r.observation.to = to;
    r.observation.kind = kind;
    r.observation.observed = kind == ObservationKind::Distance ? 36.204 : kPi / 4;
    r.w = w;
    r.flagged = flagged;
    r.residual = residual;
    r.redundancy = redundancy;
    r.error = -residual / redundancy;
    return r;
}

QStringList column(const QAbstractItemModel& model, int c) {
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts << model.index(r, c).data().toString();
    return texts;
}

bool red(const QAbstractItemModel& model, int row) {
    const QColor colour = model.index(row, 0).data(Qt::ForegroundRole).value<QBrush>().color();
    return colour.red() > 150 && colour.green() < 60 && colour.blue() < 60;
}

// The sample plan with one distance booked 0.180 m too long: 6-22 is a side of two lots and
// closes two loops, so the adjustment has the figures to find it.
struct Blundered {
    QTemporaryDir dir;
    std::unique_ptr<Harness> h;
    Blundered() {
        CopySamplePlan(dir.path());
        QByteArray lines = ReadText(file(".lns"));
        lines.replace("6,22,192.1840,40.654", "6,22,192.1840,40.834");
        WriteText(file(".lns"), lines);
        // A scaled line reaching west of point 1 moves the plan view's origin, so its
        // coordinates are not the adjustment's.
        WriteText(file(".sca"), QByteArray("1,0,270.0000,50.000\r\n"));
        h = std::make_unique<Harness>(file(".lns"));
        h->window->startUp();
    }
    QString file(const char* ext) const {
        return dir.path() + QStringLiteral("/D20417") + QLatin1String(ext);
    }
    frmAdjust* adjust() const { return h->window->findChild<frmAdjust*>(); }
    frmPlanCheck* check() const { return h->window->findChild<frmPlanCheck*>(); }
    frmDrawPlan* view() const { return h->window->planView(); }
    QTableView* table(const char* name) const {
        return adjust()->findChild<QTableView*>(QLatin1String(name));
    }
    template <typename T> T* in(QWidget* window, const char* name) const {
        return window->findChild<T*>(QLatin1String(name));
    }
    void click(QWidget* window, const char* name) const {
        auto* button = in<QPushButton>(window, name);
        QVERIFY2(button, name);
        button->click();
    }
    const PointRecord& drawn(std::int32_t number) const {
        for (const PointRecord& p : view()->content().Points)
            if (p.Number == number)
                return p;
        static const PointRecord none;
        return none;
    }
    PlotLine line(std::int32_t from, std::int32_t to) const {
        return PlotLine{drawn(from).East, drawn(from).North, drawn(to).East, drawn(to).North};
    }
};

bool hasLine(const PlanOverlay& overlay, const PlotLine& line) {
    for (const PlotLine& l : overlay.Lines)
        if (l.E1 == line.E1 && l.N1 == line.N1 && l.E2 == line.E2 && l.N2 == line.N2)
            return true;
    return false;
}

} // namespace

class AnalysisWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Flagged observations lead, the worst first, in red; a heading sorts by the figure, not
    // by its text; a figure of an unchecked observation is left blank, each residual in its
    // own unit.
    void observationTableLeadsWithTheFlaggedAndSortsByFigure() {
        AdjustmentResult result;
        result.observations = {
            observed(1, 2, ObservationKind::Distance, 2.0, false),
            observed(2, 3, ObservationKind::Bearing, -0.8, false, 3.5),
            observed(3, 4, ObservationKind::Distance, 9.7, true),
            observed(4, 5, ObservationKind::Distance, 0, false, 0, 0.0002),
            observed(5, 6, ObservationKind::Bearing, 10.2, true, -12.0),
        };
        QStandardItemModel model;
        FillObservationTable(model, result);
        QCOMPARE(column(model, 0), (QStringList{"5", "3", "1", "2", "4"}));
        QVERIFY(red(model, 0) && red(model, 1));
        QVERIFY(!red(model, 2) && !red(model, 3) && !red(model, 4));
        QCOMPARE(column(model, 6), (QStringList{"10.2", "9.7", "2.0", "-0.8", ""}));
        QCOMPARE(model.index(0, 4).data().toString(), QStringLiteral("-12.0") + QChar(0x2033));
        QCOMPARE(model.index(1, 4).data().toString(), QStringLiteral("0.001 m"));
        QCOMPARE(model.index(4, 7).data().toString(), QString());

        QSortFilterProxyModel sorted;
        sorted.setSourceModel(&model);
        sorted.setSortRole(Qt::UserRole);
        sorted.sort(6, Qt::AscendingOrder);
        QCOMPARE(column(sorted, 6), (QStringList{"-0.8", "", "2.0", "9.7", "10.2"}));
        // Each row still knows its observation after sorting.
        const QModelIndex first = model.index(sorted.mapToSource(sorted.index(0, 0)).row(), 0);
        QCOMPARE(first.data(kObservationRole).toULongLong(), qulonglong(1));
    }

    // The points' figures and the summary as a surveyor reads them: the held point named, the
    // ellipse's bearing packed DDD.MMSS, each group with its held point.
    void pointTableAndSummaryReadAsASurveyorBooksThem() {
        AdjustmentResult result;
        AdjustedPoint held;
        held.number = 1;
        held.held = true;
        AdjustedPoint mark;
        mark.number = 44441234;
        mark.east = 104.2154;
        mark.north = 88.0021;
        mark.ellipseMajor = 0.005;
        mark.ellipseBearing = kPi / 4 + (30.0 / 60) * kPi / 180;
        result.points = {held, mark};
        QStandardItemModel model;
        FillPointTable(model, result);
        QCOMPARE(column(model, 0), (QStringList{"1 (held)", "PM1234"}));
        QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("104.215"));
        QCOMPARE(model.index(1, 7).data().toString(), QStringLiteral("45.3000"));

        result.converged = true;
        result.iterations = 3;
        result.seuw = 1.04;
        result.dof = 17;
        result.chi2 = 18.4;
        result.chi2Lower = 7.56;
        result.chi2Upper = 30.19;
        result.groups = {{1, 16}, {44441234, 5}};
        const QStringList summary = AdjustmentSummary(result, 3.29);
        QVERIFY2(summary.contains(QStringLiteral("SEUW 1.04, 17 degrees of freedom")),
                 qPrintable(summary.join('|')));
        QVERIFY(summary.contains(
            QStringLiteral("2 groups of points, held at 1 (16 points), PM1234 (5 points)")));
    }

    // An ellipse lies along its bearing (clockwise from north), and is enlarged by a round
    // factor that makes the largest a fortieth of the drawing or so.
    void ellipsesLieAlongTheirBearingAndAreEnlargedToBeSeen() {
        auto farthest = [](const PlotEllipse& e) {
            QPointF far;
            double reach = -1;
            for (const QPointF& p : EllipseOutline(e)) {
                const double d = std::hypot(p.x() - e.E, p.y() - e.N);
                if (d > reach) {
                    reach = d;
                    far = p;
                }
            }
            return std::pair(far, reach);
        };
        const auto [north, reachN] = farthest({100, 200, 3, 1, 0});
        QVERIFY(std::abs(north.x() - 100) < 1e-9 && std::abs(std::abs(north.y() - 200) - 3) < 1e-9);
        QCOMPARE(reachN, 3.0);
        const auto [east, reachE] = farthest({100, 200, 3, 1, kPi / 2});
        QVERIFY(std::abs(std::abs(east.x() - 100) - 3) < 1e-9 && std::abs(east.y() - 200) < 1e-9);
        // North-east: east and north grow together.
        const auto [ne, reachNE] = farthest({0, 0, 2, 0.5, kPi / 4});
        QVERIFY(ne.x() * ne.y() > 0);
        QVERIFY(std::abs(std::abs(ne.x()) - std::sqrt(2.0)) < 1e-9);

        QCOMPARE(EllipseExaggeration(0.005, 100), 500.0);
        QCOMPARE(EllipseExaggeration(0.003, 100), 500.0);
        QCOMPARE(EllipseExaggeration(0.0001, 1000), 200000.0);
        QCOMPARE(EllipseExaggeration(0.0025, 100), 1000.0);
        QCOMPARE(EllipseExaggeration(0, 100), 1.0);
        QCOMPARE(EllipseExaggeration(10, 100), 1.0);
        for (double largest : {0.0007, 0.0031, 0.012, 0.09})
            for (double size : {40.0, 350.0, 2600.0}) {
                const double drawn = largest * EllipseExaggeration(largest, size);
                QVERIFY2(drawn <= size / 40 && drawn > size / 100,
                         qPrintable(QString("%1 on %2").arg(largest).arg(size)));
            }
        QCOMPARE(PrintableText("distance of 12\xE2\x80\x93"
                               "13: 32\xE2\x80\xB3 too far"),
                 std::string("distance of 12-13: 32\" too far"));
    }

    // The planted blunder leads the observations, red, and is the first the blunder search
    // takes out; a heading sorts; "Show on plan" lays the ellipses, enlarged to be seen, and
    // the flagged line over the whole plan (the printout too); a double-click shows a line;
    // closing the window takes the overlay away.
    void adjustWindowLeadsWithTheBlunderAndShowsItOnThePlan() {
        Blundered b;
        b.h->run(QStringLiteral("mnuAdjustPlan"));
        frmAdjust* w = b.adjust();
        QVERIFY2(w->isVisible() && w->adjustment(), qPrintable(b.h->messages().join('|')));
        QCOMPARE(w->windowTitle(), QStringLiteral("Adjust Plan - D20417"));
        QCOMPARE(b.h->desktop.busyDepth, 0);
        QTableView* table = b.table("tblObservations");
        QAbstractItemModel* rows = table->model();
        QCOMPARE(column(*rows, 0).front(), QStringLiteral("6"));
        QCOMPARE(column(*rows, 1).front(), QStringLiteral("22"));
        QCOMPARE(column(*rows, 2).front(), QStringLiteral("distance"));
        QVERIFY(red(*rows, 0));
        QVERIFY(!red(*rows, rows->rowCount() - 1));
        auto* removed = b.in<QListWidget>(w, "lstRemoved");
        QVERIFY(removed->count() >= 2);
        const QString first = removed->item(1)->text();
        QVERIFY2(first.startsWith(QStringLiteral("1. distance of 6") + QChar(0x2013) +
                                  QStringLiteral("22: 40.834 is ")) &&
                     first.contains(QStringLiteral("too long")),
                 qPrintable(first));

        // A click on the w heading: the figures in order, blanks aside.
        QHeaderView* header = table->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(6) + 4, header->height() / 2));
        double previous = -1e300;
        for (int r = 0; r < rows->rowCount(); ++r) {
            const double wFigure = rows->index(r, 6).data(Qt::UserRole).toDouble();
            QVERIFY2(wFigure >= previous, qPrintable(column(*rows, 6).join(' ')));
            previous = wFigure;
        }

        b.click(w, "cmdShowOnPlan");
        frmDrawPlan* view = b.view();
        QVERIFY(view->isVisible() && view->chkLines());
        QVERIFY(!b.h->action(QStringLiteral("mnuDrawPlan"))->isEnabled());
        const PlanOverlay overlay = view->picture().Overlay;
        QCOMPARE(overlay.Ellipses.size(), w->adjustment()->all.points.size() - 1);
        QVERIFY(hasLine(overlay, b.line(6, 22)));
        for (const PlotEllipse& e : overlay.Ellipses) {
            const auto& points = view->content().Points;
            QVERIFY2(std::any_of(points.begin(), points.end(),
                                 [&e](const PointRecord& p) {
                                     return p.Number > 0 && p.East == e.E && p.North == e.N;
                                 }),
                     "an ellipse stands where the plan view draws no point");
        }
        QVERIFY2(overlay.Caption.startsWith(QStringLiteral("Error ellipses ") + QChar(0x00D7)),
                 qPrintable(overlay.Caption));
        double largest = 0;
        for (const PlotEllipse& e : overlay.Ellipses)
            largest = std::max(largest, e.Major);
        const ViewScale extent = DrawingExtent(view->content(), false, false);
        const double size = std::max(std::abs(extent.Width), std::abs(extent.Height));
        QVERIFY2(largest > size / 100 && largest <= size / 40, qPrintable(overlay.Caption));

        // The printout of the view draws the overlay as the screen does.
        b.h->desktop.clearRecords();
        b.h->desktop.texts = {QStringLiteral("0")};
        view->toolButton(QStringLiteral("Print"))->trigger();
        const auto printed = b.h->desktop.lastPrintout();
        QVERIFY(printed && !printed->pages.empty());
        const QImage page = printed->pages.front().image;
        int redInk = 0, blueInk = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                redInk += c.red() > 170 && c.green() < 50 && c.blue() < 50;
                blueInk += c.blue() > 150 && c.red() < 60 && c.green() < 130;
            }
        QVERIFY2(redInk > 40 && blueInk > 40,
                 qPrintable(QString("%1 %2").arg(redInk).arg(blueInk)));

        // A double-click shows a line the adjustment did not flag, over the ellipses.
        int row = 0;
        while (row < rows->rowCount() &&
               !(rows->index(row, 0).data() == "1" && rows->index(row, 1).data() == "2"))
            ++row;
        QVERIFY(row < rows->rowCount());
        emit table->doubleClicked(rows->index(row, 3));
        const PlanOverlay shown = view->picture().Overlay;
        QVERIFY(hasLine(shown, b.line(1, 2)) && hasLine(shown, b.line(6, 22)));
        QVERIFY(!shown.Ellipses.empty());
        const ViewScale centred = view->viewScale();
        const PlotLine oneTwo = b.line(1, 2);
        QVERIFY(std::abs(centred.Left + centred.Width / 2 - (oneTwo.E1 + oneTwo.E2) / 2) < 0.01);
        QVERIFY(std::abs(centred.Top + centred.Height / 2 - (oneTwo.N1 + oneTwo.N2) / 2) < 0.01);

        w->close();
        QVERIFY(view->picture().Overlay.empty());
        QVERIFY(view->isVisible());
    }

    // Weights that are no figures are refused and change nothing; fit ones are used, stored
    // and offered again; figures of lines changed since are taken away, and come back with
    // Adjust.
    void adjustWeightsAreCheckedStoredAndStaleFiguresGoAway() {
        Blundered b;
        b.h->run(QStringLiteral("mnuAdjustPlan"));
        frmAdjust* w = b.adjust();
        QVERIFY(w->adjustment());
        auto* mm = b.in<QLineEdit>(w, "txtDistanceMm");
        auto* ppm = b.in<QLineEdit>(w, "txtDistancePpm");
        auto* seconds = b.in<QLineEdit>(w, "txtBearingSeconds");
        QCOMPARE((QStringList{mm->text(), ppm->text(), seconds->text()}),
                 (QStringList{"5", "10", "10"}));
        const double seuw = w->adjustment()->all.seuw;
        const std::map<QString, QString> settings = b.h->desktop.settings;

        const QString refused[][4] = {
            {"5 mm", "10", "10",
             "The distance's standard deviation must be a number of millimetres from 0 to 1000"},
            {"5", "-1", "10",
             "The distance's part in proportion must be a number of parts per "
             "million from 0 to 1000"},
            {"5", "10", "",
             "The bearing's standard deviation must be a number of seconds from 0 "
             "to 3600"},
            {"0", "0", "10",
             "A distance needs a standard deviation: the millimetres and the "
             "parts per million cannot both be 0"},
        };
        for (const auto& typed : refused) {
            mm->setText(typed[0]);
            ppm->setText(typed[1]);
            seconds->setText(typed[2]);
            b.h->desktop.clearRecords();
            b.click(w, "cmdAdjust");
            QCOMPARE(b.h->messages(), QStringList{"Adjust Plan error: " + typed[3]});
            QCOMPARE(w->adjustment()->all.seuw, seuw);
            QVERIFY(b.h->desktop.settings == settings);
        }

        mm->setText("2");
        ppm->setText("3");
        seconds->setText("20");
        b.h->desktop.clearRecords();
        b.click(w, "cmdAdjust");
        QCOMPARE(b.h->messages(), QStringList());
        QCOMPARE(b.h->desktop.settings[QStringLiteral("Adjustment/DistanceMm")],
                 QStringLiteral("2"));
        for (const ObservationResult& r : w->adjustment()->all.observations)
            if (r.observation.kind == ObservationKind::Distance) {
                QVERIFY(std::abs(r.observation.sigma - (0.002 + 3e-6 * r.observation.observed)) <
                        1e-9);
                break;
            }
        QVERIFY(w->adjustment()->all.seuw != seuw);
        w->close();
        b.h->run(QStringLiteral("mnuAdjustPlan"));
        QCOMPARE((QStringList{mm->text(), ppm->text(), seconds->text()}),
                 (QStringList{"2", "3", "20"}));

        // Another window stores the lines: the window sees it by itself.
        b.click(w, "cmdShowOnPlan");
        QVERIFY(!b.view()->picture().Overlay.empty());
        QVERIFY(SaveLines(b.h->plan).ok());
        QTRY_VERIFY_WITH_TIMEOUT(!w->adjustment(), 3000);
        auto* stale = b.in<QLabel>(w, "lblStale");
        QCOMPARE(stale->text(),
                 QStringLiteral("The plan has changed since this adjustment: Adjust again"));
        QVERIFY(stale->isVisibleTo(w));
        QCOMPARE(b.table("tblObservations")->model()->rowCount(), 0);
        QCOMPARE(b.table("tblPoints")->model()->rowCount(), 0);
        QVERIFY(!b.in<QPushButton>(w, "cmdShowOnPlan")->isEnabled());
        QVERIFY(b.view()->picture().Overlay.empty());
        b.click(w, "cmdAdjust");
        QVERIFY(w->adjustment() && !stale->isVisibleTo(w));
        QVERIFY(b.table("tblObservations")->model()->rowCount() > 0);
    }

    // The findings of a plan that breaks rules, errors first and red; a double-click on a
    // parcel's finding opens the parcel, on a line's shows the line; Print prints the list.
    void checkWindowListsFindingsAndLeadsToThem() {
        Blundered b;
        QByteArray polygons = ReadText(b.file(".ply"));
        polygons.replace("\"AL1\",941.6", "\"AL1\",951.6");
        QVERIFY(WriteText(b.file(".ply"), polygons));
        b.h->run(QStringLiteral("mnuCheckPlan"));
        frmPlanCheck* w = b.check();
        QVERIFY2(w->isVisible() && w->check(), qPrintable(b.h->messages().join('|')));
        QCOMPARE(w->windowTitle(), QStringLiteral("Check Plan - D20417"));
        auto* grid = b.in<QTableWidget>(w, "grdFindings");
        const std::vector<Finding>& findings = w->check()->findings;
        QCOMPARE(grid->rowCount(), int(findings.size()));
        int area = -1, line = -1;
        for (int r = 0; r < grid->rowCount(); ++r) {
            const Finding& f = findings[std::size_t(r)];
            if (f.rule == "area-stated" && f.parcel == "AL1")
                area = r;
            if (line < 0 && f.parcel.empty() && f.from != 0 && f.to != 0)
                line = r;
        }
        QVERIFY2(area >= 0 && line >= 0, qPrintable(column(*grid->model(), 1).join(' ')));
        QCOMPARE(grid->item(area, 0)->text(), QStringLiteral("error"));
        QCOMPARE(grid->item(area, 2)->text(), QStringLiteral("AL1"));
        QVERIFY(red(*grid->model(), area));
        QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("error"));

        emit grid->cellDoubleClicked(area, 3);
        auto* traverse = b.h->window->findChild<frmTraverse*>();
        QVERIFY(traverse->isVisible());
        QVERIFY2(traverse->windowTitle().contains(QStringLiteral("AL1")),
                 qPrintable(traverse->windowTitle()));
        traverse->closeForPlanChange();

        emit grid->cellDoubleClicked(line, 3);
        const Finding& f = findings[std::size_t(line)];
        QVERIFY(b.view()->isVisible() && b.view()->chkLines());
        const PlanOverlay overlay = b.view()->picture().Overlay;
        QCOMPARE(overlay.Lines.size(), std::size_t(1));
        QVERIFY(hasLine(overlay, b.line(f.from, f.to)));

        b.h->desktop.clearRecords();
        b.click(w, "cmdPrint");
        const auto printed = b.h->desktop.lastPrintout();
        QVERIFY(printed && printed->ended);
        const QString text = QString::fromStdString(printed->text());
        QVERIFY2(text.contains(QStringLiteral("area-stated")) &&
                     text.contains(QStringLiteral("Accuracy criterion = ")),
                 qPrintable(text));
        QCOMPARE(b.h->messages(), QStringList{"Print Plan Check: Printed to Scripted printer"});

        QVERIFY(SaveLines(b.h->plan).ok());
        QTRY_VERIFY_WITH_TIMEOUT(!w->check(), 3000);
        QCOMPARE(b.in<QLabel>(w, "lblStale")->text(),
                 QStringLiteral("The plan has changed since this check: Check again"));
        QCOMPARE(grid->rowCount(), 0);
        QVERIFY(b.view()->picture().Overlay.empty());

        // The check's adjustment weighs the lines as the Adjust Plan window last did: weights
        // loose enough to hide the blunder leave no adjustment error.
        Blundered loose;
        loose.h->desktop.settings[QStringLiteral("Adjustment/DistanceMm")] = QStringLiteral("500");
        loose.h->desktop.settings[QStringLiteral("Adjustment/DistancePpm")] = QStringLiteral("0");
        loose.h->desktop.settings[QStringLiteral("Adjustment/BearingSeconds")] =
            QStringLiteral("3000");
        loose.h->run(QStringLiteral("mnuCheckPlan"));
        QVERIFY(loose.check()->check());
        for (const Finding& f : loose.check()->check()->findings)
            QVERIFY2(!(f.rule == "adjustment" && f.grade == FindingGrade::Error),
                     f.message.c_str());
    }
};

QTEST_MAIN(AnalysisWindowsTest)
#include "tst_analysiswindows.moc"
