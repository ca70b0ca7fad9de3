#pragma once

#include "core/files/gridmarks.h"
#include "core/geometry/gridfit.h"
#include "host/planhost.h"
#include "tools/lineswatch.h"

#include <QWidget>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace corvane {

// The plan's survey marks with known map-grid coordinates (its grid file), their zone and
// datum, and the fit of the plan onto them: scale, rotation, shift, each mark's residual, the
// marks possibly disturbed in red. Marks are typed into the table or imported from a CSV file;
// Save writes them to the grid file only when every row is a mark with two figures.
class frmMapGrid : public QWidget, public PlanWindow {
    Q_OBJECT

  public:
    explicit frmMapGrid(PlanHost& host, QWidget* parent = nullptr);
    ~frmMapGrid() override;

    // Options > "Map Grid...": shows the plan's grid file (the message shown instead, and the
    // window left closed, when the file is refused: a save would write over it).
    void openMapGrid();

    // The fit shown; nullopt before one, or once the marks or the plan have changed.
    const std::optional<PlanGridFit>& fit() const { return fit_; }

    // PlanWindow: typed marks not yet saved are offered for saving before the plan changes.
    void closeForPlanChange() override;
    bool isPlanWindowOpen() const override { return isVisible(); }
    bool hasUnsavedEdits() override { return isVisible() && changed_; }
    QString planWindowName() const override;
    bool saveEdits() override { return save(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void showMarks(const GridMarks& marks);
    void addMarkRow(const QString& label, double east, double north);
    // The marks as typed; nullopt (after naming the row at fault) when one is not a mark with
    // two figures, or a mark is given twice, or the zone is no zone.
    std::optional<GridMarks> typedMarks();
    std::optional<double> typedTolerance();
    bool save();
    void cmdImportCsv_Click();
    void cmdFit_Click();
    void showFit();
    // Takes the fit shown away, with the note saying why ("" for none).
    void clearFit(const QString& why = QString());
    void marksEdited();

    PlanHost& host_;
    std::string system_; // the coordinate system's name as the grid file gives it, kept
    std::optional<PlanGridFit> fit_;
    LinesWatch* watch_ = nullptr; // the fit goes once lines are stored after it
    bool changed_ = false;
    bool filling_ = false; // the table is being filled, not edited
    QTableWidget* grdMarks = nullptr;
    QLineEdit* txtZone = nullptr;
    QComboBox* cboDatum = nullptr;
    QLabel* lblSystem = nullptr;
    QLineEdit* txtTolerance = nullptr;
    QPushButton* cmdAddMark = nullptr;
    QPushButton* cmdDeleteMark = nullptr;
    QPushButton* cmdImportCsv = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdFit = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblFit = nullptr;
    QTableWidget* grdResiduals = nullptr;
    QListWidget* lstNotes = nullptr;
};

} // namespace corvane
