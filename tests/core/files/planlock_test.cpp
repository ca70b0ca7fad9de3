#include "core/files/planlock.h"

#include "core/files/linesfile.h"
#include "tests/core/plantestdir.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

const LockHolder kAnn{"ann", "pc1", "7/12/2026 09:14", 100, 11};
const LockHolder kAnnLater{"ann", "pc1", "8/12/2026 08:00", 200, 12};
const LockHolder kBob{"bob", "pc2", "7/12/2026 10:02", 150, 22};

} // namespace

// The first to open a plan holds it; the lock file is never overwritten by the next, who is
// told who holds it; the same user on the same computer finds their own lock (left by a
// program that ended without closing the plan).
TEST(PlanLock, FirstOpenerHoldsThePlanAndOthersAreToldWho) {
    test::PlanTestDir dir;
    const std::string lock = PlanLockFile(dir.path("D12345"));
    EXPECT_EQ(lock, dir.path("D12345.lck"));
    auto first = TakePlanLock(lock, kAnn);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.value().Outcome, LockOutcome::Taken);
    const std::string held = dir.read("D12345.lck");

    auto second = TakePlanLock(lock, kBob);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second.value().Outcome, LockOutcome::HeldByOther);
    EXPECT_EQ(second.value().Holder, kAnn);
    EXPECT_EQ(dir.read("D12345.lck"), held);
    EXPECT_EQ(LockHolderText("D12345", second.value().Holder),
              "D12345 is open by ann on pc1 since 7/12/2026 09:14");

    auto again = TakePlanLock(lock, kAnnLater);
    EXPECT_EQ(again.value().Outcome, LockOutcome::HeldByUs);

    // Released by its holder only: a release by someone else leaves it.
    ReleasePlanLock(lock, kBob);
    EXPECT_TRUE(dir.exists("D12345.lck"));
    ReleasePlanLock(lock, kAnn);
    EXPECT_FALSE(dir.exists("D12345.lck"));
    EXPECT_EQ(TakePlanLock(lock, kBob).value().Outcome, LockOutcome::Taken);
}

// A lock is taken over only from the holder the user was told of: when it changed hands
// since the question, the new holder is reported instead.
TEST(PlanLock, TakeOverOnlyFromTheHolderTheUserWasToldOf) {
    test::PlanTestDir dir;
    const std::string lock = dir.path("D1.lck");
    ASSERT_EQ(TakePlanLock(lock, kAnn).value().Outcome, LockOutcome::Taken);
    auto wrong = TakeOverPlanLock(lock, kBob, kAnnLater);
    ASSERT_TRUE(wrong.ok());
    EXPECT_EQ(wrong.value().Outcome, LockOutcome::HeldByUs);
    EXPECT_EQ(ReadPlanLock(lock).value(), kAnn);

    auto taken = TakeOverPlanLock(lock, kAnn, kBob);
    ASSERT_TRUE(taken.ok());
    EXPECT_EQ(taken.value().Outcome, LockOutcome::Taken);
    EXPECT_EQ(ReadPlanLock(lock).value(), kBob);
    // Ann's program, whose lock was broken, does not remove Bob's when it leaves the plan.
    ReleasePlanLock(lock, kAnn);
    EXPECT_EQ(ReadPlanLock(lock).value(), kBob);

    // A lock file being written (or written by hand) still holds the plan.
    dir.write("D2.lck", "");
    auto unknown = TakePlanLock(dir.path("D2.lck"), kAnn);
    EXPECT_EQ(unknown.value().Outcome, LockOutcome::HeldByOther);
    EXPECT_EQ(unknown.value().Holder.User, "unknown user");
}

// No command changes the files of a plan open read-only, nor of one whose lock another user
// has taken over; the lines writer itself refuses, whatever window calls it.
TEST(PlanLock, ReadOnlyAndTakenOverPlansRefuseEveryWrite) {
    test::PlanTestDir dir;
    dir.write("p.lns", "1,2,10.0000,5.000\r\n");
    PlanState plan;
    plan.PlanPath = dir.path("p");
    ASSERT_TRUE(LoadLines(plan));
    plan.PlanLines[0].Distance = 6;

    plan.ReadOnly = true;
    Result<void> refused = SaveLines(plan);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("p is open read-only"), std::string::npos)
        << refused.error().message;
    EXPECT_EQ(dir.read("p.lns"), "1,2,10.0000,5.000\r\n");

    plan.ReadOnly = false;
    plan.LockFile = PlanLockFile(plan.PlanPath);
    plan.Lock = kAnn;
    ASSERT_EQ(TakePlanLock(plan.LockFile, kAnn).value().Outcome, LockOutcome::Taken);
    EXPECT_TRUE(PlanWritable(plan, "Datum Bearing"));
    ASSERT_EQ(TakeOverPlanLock(plan.LockFile, kAnn, kBob).value().Outcome, LockOutcome::Taken);
    Result<void> takenOver = PlanWritable(plan, "Datum Bearing");
    ASSERT_FALSE(takenOver);
    EXPECT_EQ(takenOver.error().message.substr(0, 65),
              "p is open by bob on pc2 since 7/12/2026 10:02, who took it over f");
    EXPECT_FALSE(SaveLines(plan));
    EXPECT_EQ(dir.read("p.lns"), "1,2,10.0000,5.000\r\n");

    // Bob leaves and gives the lock back: Ann's program still changes nothing, since bob may
    // have changed the plan meanwhile.
    ReleasePlanLock(plan.LockFile, kBob);
    EXPECT_TRUE(test::Refused(PlanWritable(plan, "Datum Bearing"), "",
                              "was taken from you and has been given back"));
    // A lock out of reach (a share gone) takes nobody's work away.
    plan.LockFile = dir.path("gone/p.lck");
    EXPECT_TRUE(PlanWritable(plan, "Datum Bearing"));
}
