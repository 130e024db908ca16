// The named locks: the claim of the one running copy, a box's lock, the slots.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/Owned.h"
#include "platform/Platform.h"
#include "tests/support/UniqueName.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

TEST(Objects, ASecondClaimFailsWhileTheFirstLivesAndSucceedsAfterItEnds) {
  const std::string name = conformance::UniqueName("claim");
  bool elsewhere = true;
  OwnedClaim first(ClaimInstance(name.c_str(), &elsewhere));
  EXPECT_EQ(ClaimInstance(name.c_str(), &elsewhere), nullptr);
  EXPECT_TRUE(elsewhere);
  first.Reset();
  const OwnedClaim second(ClaimInstance(name.c_str(), &elsewhere));
  EXPECT_TRUE(second);
  EXPECT_FALSE(elsewhere);
}

// Two handles opened by one name are one lock. A poll's thread that ended
// holding a box's lock leaves it to the next taker, who is told once.
TEST(Objects, ALockIsHeldByOneThreadAtATimeAndLeftByOneThatEnds) {
  const std::string name = conformance::UniqueName("lock");
  const OwnedLock mine(OpenLock(name.c_str()));
  const OwnedLock theirs(OpenLock(name.c_str()));
  ASSERT_EQ(TakeLock(mine.Get(), 0), LockTake::Taken);
  std::thread([&] {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TakeLock(theirs.Get(), 100), LockTake::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 80ms) << "waited its time";
    LeaveLock(theirs.Get());
    EXPECT_EQ(TakeLock(theirs.Get(), 0), LockTake::Busy) << "only its holder lets go";
  }).join();
  std::thread ender([&] { EXPECT_EQ(TakeLock(theirs.Get(), 5000), LockTake::Taken) << "once let go"; });
  std::this_thread::sleep_for(30ms);
  LeaveLock(mine.Get());
  ender.join();
  EXPECT_EQ(TakeLock(mine.Get(), 1000), LockTake::Orphaned);
  std::thread([&] { EXPECT_EQ(TakeLock(theirs.Get(), 0), LockTake::Busy) << "the taker holds it"; }).join();
  LeaveLock(mine.Get());
  EXPECT_EQ(TakeLock(mine.Get(), 0), LockTake::Taken);
  EXPECT_EQ(TakeLock(nullptr, 0), LockTake::Busy);
}

// Two handles opened by one name are one slot.
TEST(Objects, ASlotHoldsOneAndAnyThreadFreesIt) {
  const std::string name = conformance::UniqueName("slot");
  const OwnedSlot slot(OpenSlot(name.c_str()));
  const OwnedSlot same(OpenSlot(name.c_str()));
  EXPECT_TRUE(TakeSlot(slot.Get(), 10));
  EXPECT_FALSE(TakeSlot(same.Get(), 10)) << "its holder's thread does not take it again";
  std::thread([&] {
    FreeSlot(slot.Get());
    FreeSlot(same.Get());
  }).join();
  EXPECT_TRUE(TakeSlot(same.Get(), 10));
  EXPECT_FALSE(TakeSlot(slot.Get(), 0)) << "freed twice, it still holds one";
  EXPECT_FALSE(TakeSlot(nullptr, 0));
}

}  // namespace
