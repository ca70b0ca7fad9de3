#pragma once

#include "core/model/records.h"
#include "host/areadialog.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvane {

class Desktop;

// The area dialog: a parcel's area in hectares and whether it is calculated, approximate or
// deduced. The parcel list's "Area...", the closure summary and the traverse window's OK
// edit a parcel's area through it; its caption names the parcel. One dialog serves the whole
// run and is only hidden.
class frmAreaCalc : public QDialog, public AreaDialog {
    Q_OBJECT

  public:
    frmAreaCalc(PlanState& plan, Desktop& desktop, QWidget* parent = nullptr);

    // AreaDialog
    void setCaption(const QString& identifier) override;
    QString caption() const override;
    QString areaText() const override;
    void setArea(double squareMetres) override;
    Result<double> enteredArea() const override;
    AreaType areaType() const override;
    void setAreaType(AreaType type) override;
    void setRecalcVisible(bool visible) override;
    void setCancelVisible(bool visible) override;
    bool chkCancel() const override;
    void setChkCancel(bool cancelled) override;
    void showModal() override;

  public slots:
    void reject() override;

  private:
    void buildControls();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdRecalc_Click();

    PlanState& plan_;
    Desktop& desktop_;
    // The area the program put in the box last (the stored, computed or recalculated area)
    // and its text: OK takes the text as it is, whatever its form, for that area.
    QString offeredText_;
    double offeredArea_ = 0.0;

    QLineEdit* txtArea = nullptr;
    QGroupBox* fraAreaType = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QPushButton* cmdRecalc = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QCheckBox* chkCancelFlag = nullptr;
};

} // namespace corvane
