#pragma once

#include "core/base/result.h"
#include "core/files/network.h"
#include "core/files/planlock.h"
#include "core/model/records.h"
#include "host/planhost.h"
#include "platform/desktop.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace corvane {

// What the plan session asks of the window that shows the plan: its caption, the commands
// that need an open plan, the parcel list, the accuracy class and the survey record frame.
class PlanSessionView {
  public:
    virtual ~PlanSessionView() = default;

    // The window's caption: the plan's path, or the program's name when no plan is open.
    virtual void showCaption(const QString& caption) = 0;
    // Turns on or off every command that needs an open plan.
    virtual void SetFileOptions(bool foptions) = 0;

    virtual QStringList parcels() const = 0;
    virtual QString selectedParcel() const = 0;
    virtual void addParcel(const QString& identifier, bool select) = 0;
    virtual void removeParcel(const QString& identifier) = 0;
    virtual void renameParcel(const QString& oldIdentifier, const QString& newIdentifier) = 0;
    // Empties the parcel list and forgets the parcel last named in the parcel dialog.
    virtual void clearParcels() = 0;
    virtual QString accuracyClass() const = 0;

    // The survey record as the frame shows it, unsaved changes included.
    virtual SurveyRecord shownRecord() const = 0;
    // Fills the frame with a record (an empty one clears it).
    virtual void showRecord(const SurveyRecord& record) = 0;
    // The frame's change flag: set by every edit of the record, cleared when it is stored.
    virtual bool recordChanged() const = 0;
    virtual void setRecordChanged(bool changed) = 0;
    // Closes the frame to edits (a record that was not read, or a read-only plan).
    virtual void lockRecord() = 0;

    virtual AreaDialog* areaDialog() = 0;
    virtual frmOrvaCalc* calculator() = 0;
    virtual frmDrawPlan* planView() = 0;

    // The program ends: the window stores its size and quits.
    virtual void endProgram() = 0;
};

// The open plan's lifecycle, apart from any window: opening a plan (its lock, the recovery of
// a change cut short, the fetch from the network share), Save and Save As, leaving it (the
// plan windows and the survey record settled first), and the survey record's file. It serves
// the windows the main window opens through PlanHost.
class PlanSession : public PlanHost {
  public:
    // commandLine: the program's arguments joined by single blanks. It decides the mode each
    // time it matters: "VRX..." is network mode, anything else local mode.
    PlanSession(PlanState& plan, Desktop& desktop, const QString& commandLine,
                PlanSessionView& view);
    // Gives the plan back to the office, even when the program is stopped without Exit.
    ~PlanSession() override;
    PlanSession(const PlanSession&) = delete;
    PlanSession& operator=(const PlanSession&) = delete;

    // The user and computer the plan locks name (by default this program's user and
    // computer; tests name others to play two users).
    void setLockIdentity(const LockHolder& identity) { lockIdentity_ = identity; }
    const QString& commandLine() const { return commandLine_; }

    // Opens the plan a name gives (a lines file or a plan identifier); the plan left before
    // must have been let go (leavePlan).
    void OpenCorvane(const QString& planfile);
    // File > Open and New: the record settled, a name asked for, the open plan left, and the
    // plan named opened.
    void openAsked();
    // Opens a plan just written by an import in place of the open one; false when the user
    // stayed with the open plan (a window or the record was not settled).
    bool openImported(const QString& planfile, const QString& title);
    void save();
    void saveAs();
    // Close (network mode): ends the program without storing to the share.
    void closeProgram();
    // Runs the exit steps once; false when the user chose to stay.
    bool ExitCorvane();
    bool exitDone() const { return exitDone_; }

    // Writes the record when it changed; false when a write failed (the flag stays set).
    bool SaveSDBfile();
    // This session's user and computer, with the time and process of now, for a lock.
    LockHolder LockHolderNow() const;
    // The share's folder the command line names (network mode).
    std::string NetworkRootText() const;

    // The date of field survey as the plan's file held it.
    const std::string& loadedFieldDate() const { return loadedFieldDate_; }

    // PlanHost
    PlanState& plan() override { return plan_; }
    Desktop& desktop() override { return desktop_; }
    QString accuracyClass() const override { return view_.accuracyClass(); }
    FontChoice reportFont() const override { return reportFont_; }
    void setReportFont(const FontChoice& font) override { reportFont_ = font; }
    SurveyRecord surveyRecord() const override { return view_.shownRecord(); }
    bool networkMode() const override;
    bool refuseWrite(const QString& command, const QString& title) override;
    PlanWindow* windowWithUnsavedEdits() override;
    void registerPlanWindow(PlanWindow* window) override;
    void unregisterPlanWindow(PlanWindow* window) override;
    QStringList parcels() const override { return view_.parcels(); }
    QString selectedParcel() const override { return view_.selectedParcel(); }
    void addParcel(const QString& identifier, bool select) override {
        view_.addParcel(identifier, select);
    }
    void removeParcel(const QString& identifier) override { view_.removeParcel(identifier); }
    void renameParcel(const QString& oldIdentifier, const QString& newIdentifier) override {
        view_.renameParcel(oldIdentifier, newIdentifier);
    }
    AreaDialog* areaDialog() override { return view_.areaDialog(); }
    frmOrvaCalc* calculator() override { return view_.calculator(); }
    frmDrawPlan* planView() override { return view_.planView(); }

  private:
    // Takes the lock of the plan about to open, asking the user when someone holds it.
    enum class LockChoice { Editing, ReadOnly, Cancelled };
    LockChoice TakeLock(const std::string& lockFile, const QString& planName);
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
    void EndProgram();
    // Stores the working copies to the share (mode 1 or 2) and reports what went wrong.
    void StoreToNet(int mode);
    // In network mode, refuses an identifier the share cannot hold; true when refused.
    bool RefuseIdentifier(const QString& planId, const QString& title);
    bool SaveAsNetworkName(QString& newBase);
    bool SaveAsLocalName(QString& newBase);

    // Survey data base record (surveyrecord.cpp).
    // Fills the frame from the plan's file; false (the error shown) when it cannot be read.
    bool LoadSDBfile();
    void ClearSDB();

    void ShowError(const Error& error, Icon icon = Icon::Exclamation);
    void ShowErrors(const std::vector<Error>& errors);

    PlanState& plan_;
    Desktop& desktop_;
    QString commandLine_;
    PlanSessionView& view_;
    FontChoice reportFont_;
    LockHolder lockIdentity_;
    bool exitDone_ = false;
    std::vector<PlanWindow*> planWindows_;
    // The date of field survey as the file held it: kept as it is, whatever its form.
    std::string loadedFieldDate_;
};

} // namespace corvane
