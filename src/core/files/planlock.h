#pragma once

#include "core/base/result.h"
#include "core/model/records.h"

#include <cstdint>
#include <string>

namespace corvane {

// This program's user, computer and the time now.
LockHolder CurrentLockHolder();

// The lock file of a plan: beside its lines file (the plan's folder and base name followed by
// ".lck"), found whatever its letter case.
std::string PlanLockFile(const std::string& planBase);

// What trying to take a plan's lock found.
enum class LockOutcome {
    Taken,    // the lock is ours now
    HeldByUs, // held by the same user on the same computer: left by a program that ended
              // without closing the plan, or by this one
    HeldByOther,
};
struct LockAttempt {
    LockOutcome Outcome = LockOutcome::Taken;
    LockHolder Holder; // who holds it when not taken
};

// Takes the lock of a plan: the lock file is created only when no lock file exists (never
// overwritten), holding the user, computer and time, so two users opening one plan at the
// same moment cannot both get it. A lock file that cannot be read (another program is writing
// it) counts as held by someone unknown. Error title "Open CORVANE file error" when the
// folder cannot take a file.
Result<LockAttempt> TakePlanLock(const std::string& lockFile, const LockHolder& me);

// Replaces a lock found held, with ours: only when the lock file still names the holder the
// user was told of (it was not released and taken by someone else meanwhile).
Result<LockAttempt> TakeOverPlanLock(const std::string& lockFile, const LockHolder& expected,
                                     const LockHolder& me);

// Removes the lock when it is still ours; a lock someone has broken and taken since is theirs
// and stays.
void ReleasePlanLock(const std::string& lockFile, const LockHolder& me);

// True when the holder's program is known to be still running: the lock names this computer
// and a process of it that is alive. A lock of the same user and computer is then no lock
// left by a program that ended.
bool LockHolderRunning(const LockHolder& holder);

// Who holds a plan's lock now; nullopt-like: an empty User when no lock file exists.
Result<LockHolder> ReadPlanLock(const std::string& lockFile);

// Whether a command may change the plan's files: not while the plan is open read-only, nor
// once another user has broken this program's lock and holds the plan (their work would be
// overwritten) or has given the lock back since, nor while a change of its files cut short
// waits to be finished. command names what was refused ("Datum Bearing"); the error's title is left
// to the caller.
Result<void> PlanWritable(const PlanState& plan, const std::string& command);

// "D12345 is open by USER on HOST since 7/12/2026 09:14"
std::string LockHolderText(const std::string& planName, const LockHolder& holder);

} // namespace corvane
