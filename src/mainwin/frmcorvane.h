#pragma once

#include "core/base/result.h"
#include "core/files/network.h"
#include "core/model/records.h"
#include "mainwin/planhost.h"
#include "platform/desktop.h"

#include <QMainWindow>
#include <functional>
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

// The main window: it owns the open plan, starts the program, opens, saves and closes plans
// in local and network mode, shows the parcel list and the survey data base record, and
// opens every other window from its menus and buttons.
class frmCorvane : public QMainWindow, public PlanHost {
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
    void setLockIdentity(const LockHolder& identity) { lockIdentity_ = identity; }

    // How the program ends (after Exit or Close). By default it quits the application; tests
    // put something observable in its place. programEnded is emitted either way.
    void setQuitFunction(std::function<void()> quit);

    // PlanHost
    PlanState& plan() override { return plan_; }
    Desktop& desktop() override { return desktop_; }
    QString accuracyClass() const override;
    FontChoice reportFont() const override { return reportFont_; }
    void setReportFont(const FontChoice& font) override { reportFont_ = font; }
    bool networkMode() const override;
    SurveyRecord surveyRecord() const override;
    bool refuseWrite(const QString& command, const QString& title) override;
    PlanWindow* windowWithUnsavedEdits() override;
    void registerPlanWindow(PlanWindow* window) override;
    void unregisterPlanWindow(PlanWindow* window) override;
    QStringList parcels() const override;
    QString selectedParcel() const override;
    void addParcel(const QString& identifier, bool select) override;
    void removeParcel(const QString& identifier) override;
    void renameParcel(const QString& oldIdentifier, const QString& newIdentifier) override;
    // Created hidden at start-up when the program has its calculator.
    frmOrvaCalc* calculator() override { return calculator_; }
    // Created hidden at start-up.
    AreaDialog* areaDialog() override;
    frmDrawPlan* planView() override { return planView_; }

  signals:
    void programEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private slots:
    // Plan lifecycle (planlifecycle.cpp).
    void mnuOpen_Click(); // also New and cmdOpen
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuClose_Click();
    void mnuExit_Click(); // also cmdExit

    // Help (helpcommands.cpp).
    void mnuContents_Click();
    void mnuAbout_Click();

    // Survey data base record (surveyrecord.cpp).
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

  private:
    // Window construction (frmcorvane.cpp).
    void buildMenus();
    void buildControls();
    QAction* addCommand(QMenu* menu, const QString& name, const QString& caption,
                        void (frmCorvane::*slot)(), const QKeySequence& shortcut = {});
    QPushButton* addButton(const QString& name, const QString& caption, const QString& tooltip,
                           void (frmCorvane::*slot)());
    void SetFileOptions(bool foptions);
    // The accuracy box's text taken as the class in force when it names a class; typed text
    // that is no class is refused ("Unknown accuracy class ...") and the class in force shown
    // again. Const: reading the class checks what was typed last.
    bool acceptAccuracyText() const;

    // Plan lifecycle (planlifecycle.cpp).
    void OpenCorvane(const QString& planfile);
    // Takes the lock of the plan about to open, asking the user when someone holds it.
    enum class LockChoice { Editing, ReadOnly, Cancelled };
    LockChoice TakeLock(const std::string& lockFile, const QString& planName);
    // This window's user and computer, with the time and process of now, for a lock.
    LockHolder LockHolderNow() const;
    // Finishes or undoes a change of the plan's files cut short (the lock holder only); false,
    // after saying why, when it cannot be finished.
    bool RecoverFiles(const std::string& base);
    // Tells a reader of a locked plan that a change of its files is under way or was cut short.
    void WarnOfChangeUnderWay();
    // Gives the open plan's lock back (it stays when someone else has taken it over).
    void ReleaseLock();
    void ShowPlanCaption();
    // Asks a question of a network transfer (Yes: true).
    NetQuestionFn NetQuestion();
    void UpdateParcelList();
    void ClearPlan();
    // Before the plan is left (Open, Exit, Close, an import): every plan window holding
    // unstored edits is asked about (store, drop, or go back), then every plan window is
    // closed. False when the user went back to a window, or its edits could not be stored.
    bool LeavePlanWindows(const QString& title);
    // The survey record when the plan is left: stored when changed; a record that cannot be
    // stored (no surveyor's name, a write error) is said, and the user may go back to it.
    // False when the user went back.
    bool SettleSurveyRecord(const QString& title);
    // Runs the exit steps once; false when the user chose to stay (an unsaved record).
    bool ExitCorvane();
    void EndProgram();
    std::string NetworkRootText() const;
    // Stores the working copies to the share (mode 1 or 2) and reports what went wrong.
    void StoreToNet(int mode);
    // In network mode, refuses an identifier the share cannot hold; true when refused.
    bool RefuseIdentifier(const QString& planId, const QString& title);
    bool SaveAsNetworkName(QString& newBase);
    bool SaveAsLocalName(QString& newBase);

    // Survey data base record (surveyrecord.cpp).
    // Fills the frame from the plan's file; false (the error shown) when it cannot be read.
    bool LoadSDBfile();
    // Writes the record when it changed; false when a write failed (the flag stays set).
    bool SaveSDBfile();
    void ClearSDB();
    bool sdbChanged() const;
    void setSdbChanged(bool changed);

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
    QString commandLine_;
    FontChoice reportFont_;
    std::function<void()> quit_;
    LockHolder lockIdentity_;
    bool exitDone_ = false;
    std::vector<PlanWindow*> planWindows_;
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
    // The date of field survey as the file held it: kept as it is, whatever its form.
    std::string loadedFieldDate_;
    std::string refusedFieldDate_; // said once, not again each time the box loses the focus

    // What SetFileOptions enables and disables.
    std::vector<QAction*> fileOptionActions_;
    std::vector<QWidget*> fileOptionWidgets_;
};

} // namespace corvane
