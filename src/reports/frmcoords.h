#pragma once

#include "host/planhost.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace corvane {

// The coordinate file window: writes the plan's ".cor" file of point coordinates, computed
// from the measured lines and shifted so that a chosen origin point gets the coordinates
// entered, optionally at a combined scale factor and with the survey marks.
class frmCoords : public QWidget, public PlanWindow {
    Q_OBJECT

  public:
    explicit frmCoords(PlanHost& host, QWidget* parent = nullptr);
    ~frmCoords() override;

    // File > "Create Coord file": shows the window with the entries of its last use.
    void openCoords();

    // PlanWindow
    void closeForPlanChange() override;
    bool isPlanWindowOpen() const override;

  private slots:
    void cmdOK_Click();
    void cmdCancel_Click();

  private:
    void buildControls();

    PlanHost& host_;
    QGroupBox* fraOrigin = nullptr;
    QLineEdit* txtPoint = nullptr;
    QLineEdit* txtNorth = nullptr;
    QLineEdit* txtEast = nullptr;
    QCheckBox* chkScaleFactor = nullptr;
    QLineEdit* txtScaleFactor = nullptr;
    QCheckBox* chkPSMNumbers = nullptr;
    QComboBox* cboSeparator = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

} // namespace corvane
