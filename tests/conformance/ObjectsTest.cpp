// Named mutexes and semaphores: ownership, abandonment, counts, sharing by name.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/Platform.h"
#include "tests/conformance/Unique.h"

using namespace platform;

namespace {

// The program's first copy creates and holds one; a second copy opens it,
// learns that it existed, and can neither take it nor free it.
TEST(Objects, NamedMutexIsHeldByOneThreadAndSharedByName) {
  const std::string name = conformance::UniqueName("mutex");
  bool existed = true;
  KernelObject mutex = CreateNamedMutex(name.c_str(), true, &existed);
  ASSERT_NE(mutex, nullptr);
  EXPECT_FALSE(existed);
  std::thread([&] {
    KernelObject second = CreateNamedMutex(name.c_str(), true, &existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(WaitForObject(second, 50), WaitResult::TimedOut) << "both handles name the held mutex";
    EXPECT_FALSE(ReleaseMutexObject(second)) << "released by a thread that does not hold it";
    CloseObject(second);
  }).join();
  std::thread waiter([&] {
    EXPECT_EQ(WaitForObject(mutex, 5000), WaitResult::Taken);
    EXPECT_TRUE(ReleaseMutexObject(mutex));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_TRUE(ReleaseMutexObject(mutex));
  EXPECT_FALSE(ReleaseMutexObject(mutex)) << "released more often than taken";
  waiter.join();
  CloseObject(mutex);
}

TEST(Objects, MutexOfAThreadThatEndedIsAbandonedOnce) {
  KernelObject mutex = CreateNamedMutex(conformance::UniqueName("abandoned").c_str(), false, nullptr);
  std::thread([&] {
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
  }).join();
  EXPECT_EQ(WaitForObject(mutex, 1000), WaitResult::Abandoned);
  EXPECT_TRUE(ReleaseMutexObject(mutex)) << "the waiter owns it now";
  EXPECT_FALSE(ReleaseMutexObject(mutex)) << "the abandoned recursion does not carry over";
  CloseObject(mutex);
}

TEST(Objects, SemaphoreOfOneIsTakenOnceAndNotReleasedBeyondItsMaximum) {
  KernelObject semaphore = CreateNamedSemaphore(conformance::UniqueName("semaphore").c_str(), 1, 1);
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::Taken);
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::TimedOut) << "a semaphore is not recursive";
  std::thread([&] { EXPECT_TRUE(ReleaseSemaphoreObject(semaphore)) << "any thread may release"; }).join();
  EXPECT_FALSE(ReleaseSemaphoreObject(semaphore)) << "at its maximum";
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::Taken);
  EXPECT_EQ(WaitForObject(semaphore, 0), WaitResult::TimedOut) << "the failed release added nothing";
  CloseObject(semaphore);
  EXPECT_EQ(WaitForObject(nullptr, 0), WaitResult::Failed);
  EXPECT_FALSE(ReleaseSemaphoreObject(nullptr));
}

}  // namespace
