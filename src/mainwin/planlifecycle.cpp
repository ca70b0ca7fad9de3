// Opening, saving and leaving a plan, in local mode (plans anywhere on disk) and in network
// mode (plans named by identifier, fetched from the share into working copies in the current
// folder and stored back).
#include "core/base/textfile.h"
#include "core/files/linesfile.h"
#include "core/files/network.h"
#include "core/files/plancommit.h"
#include "core/files/planfiles.h"
#include "core/files/polygons.h"
#include "mainwin/plansession.h"

#include <algorithm>

namespace corvane {

namespace {

const QString kIdentifierPrompt = QStringLiteral("Enter plan identifier eg: D12345");
const QString kOpenTitle = QStringLiteral("Open CORVANE file");
const QString kOpenErrorTitle = QStringLiteral("Open CORVANE file error");
const QString kLinesFilter = QStringLiteral("CORVANE files (*.LNS)|*.lns");
const QString kSaveAsErrorTitle = QStringLiteral("Save As error");
const QString kNetworkNotAvailable = QStringLiteral("VRX network not available");

// A plan is named by its lines file or by its base; the base is what the plan's files share.
QString WithoutLinesExtension(const QString& name) {
    return name.endsWith(QStringLiteral(".lns"), Qt::CaseInsensitive) ? name.chopped(4) : name;
}

bool PlanFileExists(const std::string& base, std::string_view extension) {
    return FileExists(base + std::string(extension));
}

// True when a file that Save As would write under this base is already there (a plan's
// polygons file can exist without its lines file, after an export for example).
bool AnyPlanFileExists(const std::string& base) {
    for (const char* extension : {".lns", ".ply", ".cve", ".sca", ".sdb", ".cor", ".ctx"})
        if (PlanFileExists(base, extension))
            return true;
    return false;
}

} // namespace

PlanSession::PlanSession(PlanState& plan, Desktop& desktop, const QString& commandLine,
                         PlanSessionView& view)
    : plan_(plan), desktop_(desktop), commandLine_(commandLine), view_(view),
      lockIdentity_(CurrentLockHolder()) {}

PlanSession::~PlanSession() {
    ReleasePlanLock(plan_.LockFile, plan_.Lock);
}

bool PlanSession::networkMode() const {
    return IsNetworkMode(toCore(commandLine_));
}

void PlanSession::registerPlanWindow(PlanWindow* window) {
    if (window && std::find(planWindows_.begin(), planWindows_.end(), window) == planWindows_.end())
        planWindows_.push_back(window);
}

void PlanSession::unregisterPlanWindow(PlanWindow* window) {
    std::erase(planWindows_, window);
}

void PlanSession::EndProgram() {
    exitDone_ = true;
    view_.endProgram();
}

void PlanSession::ShowError(const Error& error, Icon icon) {
    desktop_.message(fromCore(error.message), fromCore(error.title), icon);
}

void PlanSession::ShowErrors(const std::vector<Error>& errors) {
    for (const Error& error : errors)
        ShowError(error, IsEmptyCopySource(error) ? Icon::Critical : Icon::Exclamation);
}

std::string PlanSession::NetworkRootText() const {
    return NetworkRoot(PathToCore(commandLine_));
}

bool PlanSession::RefuseIdentifier(const QString& planId, const QString& title) {
    if (!networkMode() || ValidPlanIdentifier(toCore(planId)))
        return false;
    desktop_.message(planId + QStringLiteral(" is not a valid plan identifier"), title,
                     Icon::Exclamation);
    return true;
}

NetQuestionFn PlanSession::NetQuestion() {
    return [this](const std::string& text, const std::string& title) {
        return desktop_.message(fromCore(text), fromCore(title), Icon::Question, Buttons::YesNo,
                                Answer::No) == Answer::Yes;
    };
}

LockHolder PlanSession::LockHolderNow() const {
    LockHolder me = CurrentLockHolder();
    me.User = lockIdentity_.User;
    me.Host = lockIdentity_.Host;
    if (lockIdentity_.Process != 0)
        me.Process = lockIdentity_.Process;
    return me;
}

PlanSession::LockChoice PlanSession::TakeLock(const std::string& lockFile,
                                              const QString& planName) {
    const LockHolder me = LockHolderNow();
    auto attempt = TakePlanLock(lockFile, me);
    if (!attempt) {
        // A folder that takes no file cannot take the plan's changes either.
        desktop_.showError(
            Error{attempt.error().message + "\nThe plan opens read-only.", attempt.error().title});
        return LockChoice::ReadOnly;
    }
    for (int round = 0; round < 3; ++round) {
        const LockAttempt found = attempt.value();
        if (found.Outcome == LockOutcome::Taken) {
            plan_.LockFile = lockFile;
            plan_.Lock = found.Holder;
            return LockChoice::Editing;
        }
        const LockHolder& holder = found.Holder;
        const QString held = fromCore(LockHolderText(toCore(planName), holder));
        bool takeOver = false;
        if (found.Outcome == LockOutcome::HeldByUs && !LockHolderRunning(holder)) {
            // The same user on the same computer: a program that ended without closing the
            // plan left its lock (a second program of the same user cannot run).
            takeOver =
                desktop_.message(
                    held + QStringLiteral(".\nIt was left open by a CORVANE that ended without "
                                          "closing it.\n\nTake the plan over ?"),
                    kOpenTitle, Icon::Question, Buttons::YesNo, Answer::Yes) == Answer::Yes;
        }
        if (!takeOver) {
            const Answer choice = desktop_.message(
                held + QStringLiteral(".\n\nOpen it read-only ?\n(Yes opens it read-only, No "
                                      "lets you break the lock, Cancel leaves it closed.)"),
                kOpenTitle, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
            if (choice == Answer::Yes)
                return LockChoice::ReadOnly;
            if (choice != Answer::No)
                return LockChoice::Cancelled;
            const QString who = fromCore(holder.User + " on " + holder.Host);
            if (desktop_.message(
                    QStringLiteral("Break the lock of ") + who + QStringLiteral(" and open ") +
                        planName + QStringLiteral(" for editing ?\n") + fromCore(holder.User) +
                        QStringLiteral(" may be working on it now: their later "
                                       "saves of it will be refused."),
                    kOpenTitle, Icon::Question, Buttons::YesNo, Answer::No) != Answer::Yes)
                return LockChoice::Cancelled;
        }
        attempt = TakeOverPlanLock(lockFile, holder, me);
        if (!attempt) {
            ShowError(attempt.error());
            return LockChoice::Cancelled;
        }
        // Taken, or someone else took the plan since the question: asked again about them.
    }
    return LockChoice::Cancelled;
}

void PlanSession::ReleaseLock() {
    ReleasePlanLock(plan_.LockFile, plan_.Lock);
    plan_.LockFile.clear();
    plan_.Lock = LockHolder{};
    plan_.ReadOnly = false;
}

void PlanSession::ShowPlanCaption() {
    if (plan_.PlanPath.empty()) {
        view_.showCaption(QStringLiteral("CORVANE"));
        return;
    }
    const QString caption = PathFromCore(plan_.PlanPath);
    view_.showCaption(plan_.ReadOnly ? caption + QStringLiteral(" (read-only)") : caption);
}

bool PlanSession::refuseWrite(const QString& command, const QString& title) {
    Result<void> writable = PlanWritable(plan_, toCore(command));
    if (writable)
        return false;
    desktop_.showError(Error{writable.error().message, toCore(title)});
    return true;
}

bool PlanSession::RecoverFiles(const std::string& base) {
    // A change cut short (the program killed, the power gone) is finished or undone by the
    // plan's lock holder before any file is read, so the files are all old or all new. One
    // that cannot be finished keeps the plan closed: its files may be half changed.
    const Result<PlanRecovery> recovered = RecoverPlanFiles(base);
    if (!recovered) {
        ShowError(recovered.error());
        return false;
    }
    if (const std::string report = recovered.value().Report(base); !report.empty())
        desktop_.message(fromCore(report), QString::fromLatin1(kRecoveryTitle), Icon::Exclamation);
    return true;
}

void PlanSession::WarnOfChangeUnderWay() {
    // Only the holder of the plan finishes a change of its files; a reader is told.
    if (!PlanChangePending(plan_.PlanPath))
        return;
    desktop_.message(PathFromCore(FileNameOf(plan_.PlanPath)) +
                         QStringLiteral(" is being changed by its holder, or a change of its "
                                        "files was cut short: what you see may be only part of "
                                        "that change."),
                     kOpenTitle, Icon::Exclamation);
}

void PlanSession::OpenCorvane(const QString& planfile) {
    const QString base = WithoutLinesExtension(planfile);
    // The plan left before is gone by now: a refused name leaves no plan open, never the old
    // one without its files.
    if (RefuseIdentifier(base, kOpenErrorTitle)) {
        plan_.PlanPath.clear();
        ShowPlanCaption();
        view_.SetFileOptions(false);
        return;
    }
    plan_.PlanPath = PathToCore(base);
    const QString planName = PathFromCore(FileNameOf(plan_.PlanPath));

    LockChoice lock = LockChoice::Editing;
    if (networkMode()) {
        const std::string root = NetworkRootText();
        if (!VrxNetExists(root)) {
            desktop_.message(QStringLiteral("VRX network is unavailable. You can continue\n"
                                            "but you will only be retrieving and saving\n"
                                            "files on your local C drive"),
                             QStringLiteral("VRX Network error"), Icon::Exclamation);
            // The working copies are this user's alone.
            if (!RecoverFiles(plan_.PlanPath))
                lock = LockChoice::Cancelled;
        } else {
            // The lock lies on the share beside the plan, where every user sees it.
            const std::string netBase = NetBaseOf(root, plan_.PlanPath);
            if (!netBase.empty())
                lock = TakeLock(PlanLockFile(netBase), planName);
            if (lock == LockChoice::Editing &&
                (!RecoverFiles(netBase) || !RecoverFiles(plan_.PlanPath))) {
                ReleaseLock();
                lock = LockChoice::Cancelled;
            }
            if (lock == LockChoice::ReadOnly && !netBase.empty()) {
                // Nothing is fetched: the plan is read where it lies, and the working copies
                // of this folder (which may hold unstored work) are left alone.
                plan_.PlanPath = netBase;
                WarnOfChangeUnderWay();
            } else if (lock == LockChoice::Editing) {
                NetTransfer fetched;
                {
                    BusyCursor busy(desktop_);
                    fetched = LoadFromNet(root, plan_.PlanPath, 0, NetQuestion());
                }
                if (fetched.usedLocalFiles && !fetched.asked)
                    desktop_.message(QString::fromLatin1(kUsedLocalFilesMessage),
                                     QString::fromLatin1(kUsedLocalFilesTitle), Icon::Exclamation);
                ShowErrors(fetched.errors);
                for (const std::string& note : fetched.notes)
                    desktop_.message(fromCore(note), QString::fromLatin1(kUsedLocalFilesTitle),
                                     Icon::Information);
            }
        }
    } else {
        lock = TakeLock(PlanLockFile(plan_.PlanPath), planName);
        if (lock == LockChoice::Editing && !RecoverFiles(plan_.PlanPath)) {
            ReleaseLock();
            lock = LockChoice::Cancelled;
        } else if (lock == LockChoice::ReadOnly) {
            WarnOfChangeUnderWay();
        }
    }
    if (lock == LockChoice::Cancelled) {
        plan_.PlanPath.clear();
        ShowPlanCaption();
        view_.SetFileOptions(false);
        return;
    }
    plan_.ReadOnly = lock == LockChoice::ReadOnly;
    ShowPlanCaption();

    // A plan without a lines file, or with one that holds no lines, is a plan being started:
    // its parcels and survey record are read as usual. Only a refused lines file leaves them
    // unread, so nothing is shown that the lines cannot back.
    const bool linesFileExists = PlanFileExists(plan_.PlanPath, ".lns");
    bool sdbRead = true;
    Result<void> loaded;
    {
        BusyCursor busy(desktop_);
        loaded = LoadLines(plan_);
    }
    if (!loaded) {
        ShowError(loaded.error());
    } else {
        if (PlanFileExists(plan_.PlanPath, ".ply"))
            UpdateParcelList();
        else if (linesFileExists)
            desktop_.message(QStringLiteral("No polygons file found"), QStringLiteral("CORVANE"),
                             Icon::Exclamation);
        if (PlanFileExists(plan_.PlanPath, ".sdb")) {
            sdbRead = LoadSDBfile();
            view_.setRecordChanged(false);
        }
    }
    view_.SetFileOptions(true);
    // The survey record was not read when the lines file was refused, or when its own file
    // could not be read: its frame stays closed, so an empty record can never be written
    // over the plan's file. A read-only plan keeps its record as it is.
    if (!loaded || !sdbRead || plan_.ReadOnly)
        view_.lockRecord();
}

void PlanSession::UpdateParcelList() {
    auto identifiers = ParcelIdentifiers(plan_.PlanPath);
    if (!identifiers) {
        // A refused polygons file lists no parcels: none can be opened from a file whose
        // headings or points cannot be read as they stand.
        ShowError(Error{identifiers.error().message, "CORVANE Load error"});
        return;
    }
    for (const std::string& identifier : identifiers.value())
        view_.addParcel(fromCore(identifier), false);
}

void PlanSession::ClearPlan() {
    ClearSDB();
    view_.clearParcels();
    plan_.PlanLines.clear();
    // An empty point table keeps one all-zero entry, which no real point matches.
    plan_.PlanPoints.assign(1, PointRecord{});
    plan_.PointTop = 0;
    plan_.chkArray = false;
    plan_.LinesLoadFailed = false;
    plan_.LinesLoadFailure.clear();
}

bool PlanSession::LeavePlanWindows(const QString& title) {
    // A copy: a window may unregister itself while it closes.
    const std::vector<PlanWindow*> windows = planWindows_;
    for (PlanWindow* window : windows) {
        if (!window->isPlanWindowOpen() || !window->hasUnsavedEdits())
            continue;
        const Answer answer =
            desktop_.message(window->planWindowName() +
                                 QStringLiteral(" holds changes that are not saved.\nSave them ?"),
                             title, Icon::Question, Buttons::YesNoCancel, Answer::Yes);
        if (answer == Answer::Cancel)
            return false;
        if (answer == Answer::Yes && !window->saveEdits())
            return false;
    }
    for (PlanWindow* window : windows)
        if (window->isPlanWindowOpen())
            window->closeForPlanChange();
    return std::none_of(planWindows_.begin(), planWindows_.end(),
                        [](const PlanWindow* window) { return window->isPlanWindowOpen(); });
}

PlanWindow* PlanSession::windowWithUnsavedEdits() {
    for (PlanWindow* window : planWindows_)
        if (window->isPlanWindowOpen() && window->hasUnsavedEdits())
            return window;
    return nullptr;
}

bool PlanSession::openImported(const QString& planfile, const QString& title) {
    if (!LeavePlanWindows(title) || !SettleSurveyRecord(title))
        return false;
    ReleaseLock();
    ClearPlan();
    OpenCorvane(planfile);
    return true;
}

void PlanSession::StoreToNet(int mode) {
    // A read-only plan was read where it lies and has nothing of its own to store.
    if (plan_.ReadOnly)
        return;
    NetTransfer stored;
    {
        BusyCursor busy(desktop_);
        // Without a lock of its own (the share was out of reach at opening) the plan is stored
        // only while nobody else holds it.
        stored = LoadFromNet(NetworkRootText(), plan_.PlanPath, mode, NetQuestion(), &plan_.Lock);
    }
    ShowErrors(stored.errors);
    for (const std::string& note : stored.notes)
        desktop_.message(fromCore(note), QString::fromLatin1(kStoreErrorTitle), Icon::Exclamation);
}

void PlanSession::openAsked() {
    // A record that cannot be written keeps the open plan, unless the user lets it go.
    if (!SettleSurveyRecord(kOpenTitle))
        return;

    const QString name =
        networkMode() ? desktop_.inputBox(kIdentifierPrompt, kOpenTitle)
                      : desktop_.openFileDialog(kLinesFilter,
                                                QStringLiteral("Open New or Existing CORVANE file"),
                                                QString());
    if (name.isEmpty())
        return;
    if (RefuseIdentifier(WithoutLinesExtension(name), kOpenErrorTitle))
        return;

    // The windows of the open plan close first, so none can write the old plan's rows into
    // the next one or change files after they were stored.
    if (!LeavePlanWindows(kOpenTitle))
        return;
    if (networkMode() && !plan_.PlanPath.empty() && PlanFileExists(plan_.PlanPath, ".lns"))
        StoreToNet(1);
    ReleaseLock();

    ClearPlan();
    OpenCorvane(name);
}

void PlanSession::save() {
    if (!networkMode() || plan_.PlanPath.empty() || !PlanFileExists(plan_.PlanPath, ".lns"))
        return;
    if (refuseWrite(QStringLiteral("Save"), QStringLiteral("Save error")))
        return;
    if (!VrxNetExists(NetworkRootText())) {
        desktop_.message(kNetworkNotAvailable, QStringLiteral("Save error"), Icon::Exclamation);
        return;
    }
    if (view_.recordChanged())
        SaveSDBfile();
    StoreToNet(2);
}

bool PlanSession::SaveAsNetworkName(QString& newBase) {
    const std::string root = NetworkRootText();
    if (!VrxNetExists(root)) {
        desktop_.message(kNetworkNotAvailable, kSaveAsErrorTitle, Icon::Exclamation);
        return false;
    }
    const QString answer = desktop_.inputBox(kIdentifierPrompt, kOpenTitle);
    if (answer.isEmpty())
        return false;
    const QString base = WithoutLinesExtension(answer);
    if (RefuseIdentifier(base, kSaveAsErrorTitle))
        return false;
    // Neither a plan on the share nor working copies left in the current folder are ever
    // overwritten.
    const std::string netBase = HalvernPlan(root, toCore(base));
    if (PlanFileExists(netBase, ".lns") || PlanFileExists(PathToCore(base), ".lns")) {
        desktop_.message(answer + QStringLiteral(" already exists"), kSaveAsErrorTitle,
                         Icon::Exclamation);
        return false;
    }
    newBase = base;
    return true;
}

bool PlanSession::SaveAsLocalName(QString& newBase) {
    const QString name =
        desktop_.saveFileDialog(kLinesFilter, QStringLiteral("Save CORVANE Plan As"),
                                PathFromCore(DirectoryOf(plan_.PlanPath)));
    if (name.isEmpty())
        return false;
    const QString base = WithoutLinesExtension(name);
    // The plan named, with or without its extension, must not exist yet: an existing plan is
    // never overwritten.
    if (FileExists(PathToCore(name)) || AnyPlanFileExists(PathToCore(base))) {
        desktop_.message(name + QStringLiteral(" already exists"), kSaveAsErrorTitle,
                         Icon::Exclamation);
        return false;
    }
    newBase = base;
    return true;
}

void PlanSession::saveAs() {
    if (plan_.PlanPath.empty() || refuseWrite(QStringLiteral("Save As"), kSaveAsErrorTitle))
        return;
    QString newBase;
    if (!(networkMode() ? SaveAsNetworkName(newBase) : SaveAsLocalName(newBase)))
        return;

    const std::string oldPath = plan_.PlanPath;
    const std::string newPath = PathToCore(newBase);
    // In network mode the old working copies are removed afterwards: the survey record and
    // the coordinate file go with the plan, in the same commit, so nothing that was never
    // stored is lost and the new name gets every file or none.
    Result<void> copied;
    {
        BusyCursor busy(desktop_);
        copied = networkMode() && PlanFileExists(oldPath, ".lns") ? CopyWholePlan(oldPath, newPath)
                                                                  : CopyPlanFiles(oldPath, newPath);
    }
    if (!copied) {
        // No file of the plan reached the new name: the old plan stays the open one and
        // keeps all its files.
        ShowError(copied.error());
        desktop_.message(QStringLiteral("Not every file of the plan could be copied to ") +
                             newBase + QStringLiteral(".\nCurrent file is still ") +
                             PathFromCore(oldPath),
                         kSaveAsErrorTitle, Icon::Exclamation);
        return;
    }
    if (!PlanFileExists(newPath, ".lns"))
        return;

    if (networkMode())
        DeletePlanWorkingCopies(oldPath);
    // The plan under its new name is locked instead of the old one (nobody can hold a name
    // that had no files).
    ReleaseLock();
    plan_.PlanPath = newPath;
    const std::string lockBase =
        networkMode() ? NetBaseOf(NetworkRootText(), newPath) : plan_.PlanPath;
    if (!lockBase.empty() &&
        TakeLock(PlanLockFile(lockBase), PathFromCore(FileNameOf(newPath))) != LockChoice::Editing)
        plan_.ReadOnly = true;
    ShowPlanCaption();
    desktop_.message(QStringLiteral("Current file is now ") + PathFromCore(plan_.PlanPath),
                     QStringLiteral("Save As completed"), Icon::Exclamation);
}

void PlanSession::closeProgram() {
    // Leaves the program without storing anything to the share; the edits still open and the
    // survey record are settled first, as Exit settles them.
    if (!networkMode() || exitDone_)
        return;
    const QString title = QStringLiteral("Close");
    if (!LeavePlanWindows(title) || !SettleSurveyRecord(title))
        return;
    desktop_.closeAllHelp();
    ReleaseLock();
    EndProgram();
}

bool PlanSession::ExitCorvane() {
    if (exitDone_)
        return true;
    const QString title = QStringLiteral("Exit");
    if (!LeavePlanWindows(title) || !SettleSurveyRecord(title))
        return false;
    exitDone_ = true;
    desktop_.closeAllHelp();
    if (networkMode() && !plan_.PlanPath.empty() && PlanFileExists(plan_.PlanPath, ".lns")) {
        if (!VrxNetExists(NetworkRootText()))
            desktop_.message(kNetworkNotAvailable,
                             QStringLiteral("Save files to VRX Network error"), Icon::Exclamation);
        else
            StoreToNet(1);
    }
    ReleaseLock();
    EndProgram();
    return true;
}

} // namespace corvane
