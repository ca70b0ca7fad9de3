#pragma once

#include "core/files/linesfile.h"
#include "core/geometry/adjustment.h"
#include "host/planhost.h"
#include "tools/lineswatch.h"

#include <QStringList>
#include <QWidget>
#include <optional>

class QLabel;
class QModelIndex;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTimer;

namespace corvane {

// The weights last used in the Adjust Plan window (the defaults until any are stored): the
// plan check's adjustment uses them too, so both windows judge the plan alike.
AdjustmentOptions StoredAdjustmentOptions(Desktop& desktop);

struct PlanContent;
struct PlanOverlay;

// The results of the least-squares adjustment of the open plan: the summary figures and the
// global test, the blunder search's removals, the observations (flagged first, in red) and the
// adjusted points in sortable tables, the weights in use (changeable, then Adjust again), and
// the error ellipses and flagged lines shown on the plan view. Figures of lines that have since
// changed are taken away, not shown as if they still held.
class frmAdjust : public QWidget, public PlanWindow {
    Q_OBJECT

  public:
    explicit frmAdjust(PlanHost& host, QWidget* parent = nullptr);
    ~frmAdjust() override;

    // Options > "Adjust Plan...": adjusts the plan with the weights last used and shows the
    // results (the message shown instead when it cannot be adjusted).
    void openAdjustment();

    // The adjustment shown; nullopt before one, or once the plan has changed since.
    const std::optional<PlanAdjustment>& adjustment() const { return adjustment_; }
    // Takes the figures away when the plan's lines have changed since they were adjusted;
    // true when they had (the window checks by itself as well, every second).
    bool checkStale();

    // PlanWindow
    void closeForPlanChange() override;
    bool isPlanWindowOpen() const override { return isVisible(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    // Reads the three weights from their fields; nullopt (after saying why) when one is not a
    // fit figure.
    std::optional<AdjustmentOptions> typedOptions();
    void showOptions(const AdjustmentOptions& options);
    AdjustmentOptions storedOptions();
    void storeOptions(const AdjustmentOptions& options);
    // Adjusts with the options and shows the results; false (the message shown) when the plan
    // cannot be adjusted.
    bool runAdjustment(const AdjustmentOptions& options);
    void showResults();
    void clearResults(const QString& why);
    void cmdAdjust_Click();
    void cmdShowOnPlan_Click();
    void cmdClose_Click();
    void tblObservations_DblClick(const QModelIndex& index);
    // The ellipses and flagged lines as laid over the plan view.
    PlanOverlay ellipseOverlay(const PlanContent& drawn) const;

    PlanHost& host_;
    std::optional<PlanAdjustment> adjustment_;
    AdjustmentOptions options_;
    QStringList removedTexts_; // the blunder search's removals, as listed
    QString owner_;
    QLabel* lblSummary = nullptr;
    QListWidget* lstRemoved = nullptr;
    QLineEdit* txtDistanceMm = nullptr;
    QLineEdit* txtDistancePpm = nullptr;
    QLineEdit* txtBearingSeconds = nullptr;
    QPushButton* cmdAdjust = nullptr;
    QPushButton* cmdShowOnPlan = nullptr;
    QPushButton* cmdClose = nullptr;
    QTabWidget* tabResults = nullptr;
    QTableView* tblObservations = nullptr;
    QTableView* tblPoints = nullptr;
    QStandardItemModel* observations_ = nullptr;
    QStandardItemModel* points_ = nullptr;
    QSortFilterProxyModel* sortedObservations_ = nullptr;
    QSortFilterProxyModel* sortedPoints_ = nullptr;
    LinesWatch* watch_ = nullptr;
};

} // namespace corvane
