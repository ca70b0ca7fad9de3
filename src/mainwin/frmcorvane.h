#pragma once

#include "core/base/result.h"
#include "core/files/network.h"
#include "core/model/records.h"
#include "host/planhost.h"
#include "mainwin/plansession.h"
#include "platform/desktop.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace corvane {

class frmAreaCalc;
class frmDrawPlan;
class frmOrvaCalc;
class frmParcel;
class frmSummary;
class frmReport;
class frmCoords;
class frmTraverse;
class frmPartyWall;
class frmImport;
class frmOffsides;
class frmPSM;
class frmScaled;
class frmAdjust;
class frmPlanCheck;
class frmMapGrid;

// The main window: it starts the program, shows the open plan's parcel list and survey data
// base record, and opens every other window from its menus and buttons. The plan session it
// holds opens, saves and closes plans in local and network mode and serves those windows.
class frmCorvane : public QMainWindow, public PlanSessionView {
    Q_OBJECT

  public:
    // commandLine: the program's arguments joined by single blanks. It decides the mode each
    // time it matters: "VRX..." is network mode, anything else local mode.
    frmCorvane(PlanState& plan, Desktop& desktop, const QString& commandLine,
               QWidget* parent = nullptr);
    ~frmCorvane() override;

    // Runs the start-up: refuses a second instance (false: the program must end at once),
    // prepares the window, reads the report font, shows the window and opens the plan the
    // command line names (local mode) or asks for one (network mode).
    bool startUp();

    // The user and computer the plan locks of this window name (by default this program's
    // user and computer; tests name others to play two users).
    void setLockIdentity(const LockHolder& identity) { session_->setLockIdentity(identity); }

    // How the program ends (after Exit or Close). By default it quits the application; tests
    // put something observable in its place. programEnded is emitted either way.
    void setQuitFunction(std::function<void()> quit);

    // The open plan's session, which the windows this window opens work through.
    PlanSession& session() { return *session_; }

    // PlanSessionView
    void showCaption(const QString& caption) override { setWindowTitle(caption); }
    void SetFileOptions(bool foptions) override;
    QStringList parcels() const override;
    QString selectedParcel() const override;
    void addParcel(const QString& identifier, bool select) override;
    void removeParcel(const QString& identifier) override;
    void renameParcel(const QString& oldIdentifier, const QString& newIdentifier) override;
    void clearParcels() override;
    QString accuracyClass() const override;
    SurveyRecord shownRecord() const override;
    void showRecord(const SurveyRecord& record) override;
    bool recordChanged() const override;
    void setRecordChanged(bool changed) override;
    void lockRecord() override;
    // Created hidden at start-up, before any command can run.
    frmOrvaCalc* calculator() override { return calculator_; }
    // Created hidden at start-up.
    AreaDialog* areaDialog() override;
    frmDrawPlan* planView() override { return planView_; }
    void endProgram() override;

  signals:
    void programEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private slots:
    // Plan lifecycle, run by the plan session.
    void mnuOpen_Click(); // also New and cmdOpen
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuClose_Click();
    void mnuExit_Click(); // also cmdExit

    // Help (helpcommands.cpp).
    void mnuContents_Click();
    void mnuAbout_Click();

    // Survey data base frame (recordframe.cpp).
    void cmdAddPSM_Click();
    void cmdDeletePSM_Click();
    void txtSurveyor_Change();
    void txtFieldDate_Change();
    void txtFieldDate_Finished();

    // Parcel list and parcel commands (parcelcommands.cpp).
    void lstParcels_DblClick();
    void mnuNewParcel_Click();
    void mnuPartyWalls_Click();
    void mnuEditParcel_Click();
    void mnuParcelIdentifier_Click();
    void mnuArea_Click();
    void mnuDeleteParcel_Click();
    void mnuCopyParcel_Click();
    void mnuViewParcel_Click();
    void mnuViewLines_Click();
    void mnuViewPolygons_Click();
    void mnuExportParcel_Click();
    void mnuImportLandXml_Click();
    void mnuExportLandXml_Click();
    // The plan for a GIS (gisexportcommand.cpp).
    void mnuExportGis_Click();

    // Whole-plan edits and checks (planedits.cpp).
    void mnuConnections_Click();
    void mnuEditLines_Click();
    void mnuPointNumber_Click();
    void mnuDatumBearing_Click();
    void mnuDistanceUnits_Click();
    void mnuFindPoint_Click();
    void mnuDoubleLines_Click();
    void mnuPointErrors_Click();

    // Reports, drawing, derived-line tools and the calculator (toolcommands.cpp).
    void mnuCreateCoords_Click();
    void mnuScaledData_Click();
    void mnuPSMs_Click();
    void mnuCalcOffsides_Click();
    void mnuPrint_Click();
    // The "Summary..." button and View > "Summary..." (the closure summary window).
    void cmdSummary_Click();
    void mnuDrawPlan_Click();
    void mnuCalculator_Click();
    // The least-squares adjustment of the whole plan and the plan check before lodgement.
    void mnuAdjustPlan_Click();
    void mnuCheckPlan_Click();
    // The plan's marks with known map-grid coordinates and the fit onto them.
    void mnuMapGrid_Click();

  private:
    // The menu bar, from one table of its entries (mainmenus.cpp).
    void buildMenus();
    // The buttons and frames (frmcorvane.cpp).
    void buildControls();
    QPushButton* addButton(const QString& name, const QString& caption, const QString& tooltip,
                           void (frmCorvane::*slot)());
    // The accuracy box's text taken as the class in force when it names a class; typed text
    // that is no class is refused ("Unknown accuracy class ...") and the class in force shown
    // again. Const: reading the class checks what was typed last.
    bool acceptAccuracyText() const;

    // What the plan session answers for the commands of this window.
    bool networkMode() const { return session_->networkMode(); }
    bool refuseWrite(const QString& command, const QString& title) {
        return session_->refuseWrite(command, title);
    }
    PlanWindow* windowWithUnsavedEdits() { return session_->windowWithUnsavedEdits(); }

    // Refuses (after saying why) a command that changes the plan's files while the plan is
    // read-only or taken over, and a whole-plan edit while a window holds unsaved line edits;
    // true when refused.
    bool RefusePlanEdit(const QString& command, const QString& title, bool wholePlan);
    // The polygons file's lines (none without the file); false, after saying why, when the file
    // cannot be read.
    bool ReadPlanPolygons(std::vector<std::string>& polygons);

    // Parcel commands (parcelcommands.cpp).
    // Loads the lines file when PlanLines does not hold it; false (after saying why) when it
    // cannot be loaded.
    bool EnsureLinesLoaded();
    std::vector<std::string> ParcelListEntries() const;
    void ViewPlanFile(std::string_view extension, const QString& missing, const QString& title);

    void ShowError(const Error& error);
    void ShowErrors(const std::vector<Error>& errors);

    PlanState& plan_;
    Desktop& desktop_;
    std::unique_ptr<PlanSession> session_;
    std::function<void()> quit_;
    frmOrvaCalc* calculator_ = nullptr;
    frmParcel* parcelDialog_ = nullptr;
    frmAreaCalc* areaDialog_ = nullptr;
    frmSummary* summary_ = nullptr;
    frmReport* report_ = nullptr;
    frmCoords* coords_ = nullptr;
    frmPartyWall* partyWall_ = nullptr;
    frmImport* import_ = nullptr;
    frmOffsides* offsides_ = nullptr;
    frmPSM* psm_ = nullptr;
    frmScaled* scaled_ = nullptr;
    frmAdjust* adjust_ = nullptr;
    frmPlanCheck* planCheck_ = nullptr;
    frmMapGrid* mapGrid_ = nullptr;
    frmTraverse* traverse_ = nullptr;
    frmDrawPlan* planView_ = nullptr;
    // Draw Plan's menu entry and button: off while the whole plan is drawn.
    QAction* mnuDrawPlan = nullptr;
    QPushButton* cmdDrawPlan = nullptr;

    // Menus and menu entries.
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuView = nullptr;
    QMenu* mnuOptions = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuClose = nullptr;

    // The plan frame.
    QListWidget* lstParcels = nullptr;
    QComboBox* cboAccuracy = nullptr;
    // The class in force: the closures are never judged by text that is no class.
    mutable QString accuracy_;

    // The survey data base frame.
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtSurveyor = nullptr;
    QLineEdit* txtFieldDate = nullptr;
    QListWidget* lstPSMsGone = nullptr;
    QPushButton* cmdAddPSM = nullptr;
    QPushButton* cmdDeletePSM = nullptr;
    QCheckBox* chkSDBchange = nullptr;
    std::string refusedFieldDate_; // said once, not again each time the box loses the focus

    // What SetFileOptions enables and disables.
    std::vector<QAction*> fileOptionActions_;
    std::vector<QWidget*> fileOptionWidgets_;
};

} // namespace corvane
