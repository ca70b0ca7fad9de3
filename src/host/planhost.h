#pragma once

#include "core/files/sdbfile.h"
#include "core/model/records.h"
#include "host/areadialog.h"
#include "platform/desktop.h"

#include <QString>
#include <QStringList>

namespace corvane {

class frmDrawPlan;
class frmOrvaCalc;

// A window that works on the open plan (the traverse window, the easement window...). It
// registers with the main window, which closes it before the plan changes or the program
// ends, so it can never later write the old plan's rows into another plan. Before that, the
// main window asks the user about a window that holds edits not yet stored: store them, drop
// them, or go back to them.
class PlanWindow {
  public:
    virtual ~PlanWindow() = default;
    // Closes the window without a question: unsaved rows are dropped (lines marked deleted in
    // it are restored), nothing is written.
    virtual void closeForPlanChange() = 0;
    virtual bool isPlanWindowOpen() const = 0;
    // True while the window holds edits of the plan's lines it has not stored.
    virtual bool hasUnsavedEdits() { return false; }
    // The window as the questions name it ("Traverse AL1").
    virtual QString planWindowName() const { return QString(); }
    // Stores the edits as the window's OK does; false when they were not stored (the window
    // has said why and stays open).
    virtual bool saveEdits() { return false; }
};

// What the main window offers the windows it opens: the open plan, the desktop, the accuracy
// class and report font the user chose, the mode, and the parcel list kept in step with the
// polygons file.
class PlanHost {
  public:
    virtual ~PlanHost() = default;

    virtual PlanState& plan() = 0;
    virtual Desktop& desktop() = 0;
    // The text of the accuracy type box, as the closure's allowable misclosure reads it.
    virtual QString accuracyClass() const = 0;
    // The font every printout uses.
    virtual FontChoice reportFont() const = 0;
    virtual void setReportFont(const FontChoice& font) = 0;
    // The survey data base record as the main window shows it (unsaved changes included).
    virtual SurveyRecord surveyRecord() const { return {}; }
    // True when plans are fetched from and stored to the network share.
    virtual bool networkMode() const = 0;

    // Refuses (after saying why) a command that would change the plan's files while the plan
    // is open read-only or another user has taken it over; true when refused.
    virtual bool refuseWrite(const QString& command, const QString& title) {
        (void)command;
        (void)title;
        return false;
    }

    // The window holding line edits not yet stored, when there is one, so that a whole-plan
    // edit can refuse to run under it (its rows would be written back over the edit).
    virtual PlanWindow* windowWithUnsavedEdits() { return nullptr; }

    virtual void registerPlanWindow(PlanWindow* window) = 0;
    virtual void unregisterPlanWindow(PlanWindow* window) = 0;

    // The parcel list, in polygons-file order.
    virtual QStringList parcels() const = 0;
    // The selected parcel's identifier; empty when none is selected.
    virtual QString selectedParcel() const = 0;
    virtual void addParcel(const QString& identifier, bool select) = 0;
    // Removes the first entry equal to the identifier.
    virtual void removeParcel(const QString& identifier) = 0;
    virtual void renameParcel(const QString& oldIdentifier, const QString& newIdentifier) = 0;

    // The area dialog and the survey calculator, one of each for the whole run.
    virtual AreaDialog* areaDialog() { return nullptr; }
    virtual frmOrvaCalc* calculator() { return nullptr; }
    // The plan view the traverse and tool windows draw in.
    virtual frmDrawPlan* planView() { return nullptr; }
};

} // namespace corvane
