// Named mutexes and semaphores: ownership, recursion, abandonment, counts
// and sharing by name.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/Platform.h"
#include "tests/conformance/Unique.h"

using namespace platform;

namespace {

template <typename Body>
void OnOtherThread(Body body) {
  std::thread(body).join();
}

TEST(Objects, MutexIsRecursiveForItsOwnerAndMakesOthersWait) {
  KernelObject mutex = CreateNamedMutex(conformance::UniqueName("mutex").c_str(), true, nullptr);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
  EXPECT_TRUE(ReleaseMutexObject(mutex));
  OnOtherThread([&] {
    EXPECT_EQ(WaitForObject(mutex, 50), WaitResult::TimedOut) << "still held once";
    EXPECT_FALSE(ReleaseMutexObject(mutex)) << "released by a thread that does not hold it";
  });
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
  OnOtherThread([&] {
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
  });
  EXPECT_EQ(WaitForObject(mutex, 1000), WaitResult::Abandoned);
  EXPECT_TRUE(ReleaseMutexObject(mutex)) << "the waiter owns it now";
  EXPECT_FALSE(ReleaseMutexObject(mutex)) << "the abandoned recursion does not carry over";
  CloseObject(mutex);
}

TEST(Objects, SecondCreationOpensTheSameMutexWithoutTakingIt) {
  const std::string name = conformance::UniqueName("shared");
  bool existed = true;
  KernelObject first = CreateNamedMutex(name.c_str(), false, &existed);
  EXPECT_FALSE(existed);
  KernelObject second = CreateNamedMutex(name.c_str(), true, &existed);
  EXPECT_TRUE(existed);
  EXPECT_EQ(WaitForObject(first, 0), WaitResult::Taken) << "the second creation did not take it";
  OnOtherThread([&] { EXPECT_EQ(WaitForObject(second, 0), WaitResult::TimedOut); });
  EXPECT_TRUE(ReleaseMutexObject(second)) << "both handles name one mutex";
  CloseObject(first);
  CloseObject(second);
}

TEST(Objects, SemaphoreOfOneIsTakenOnceAndNotReleasedBeyondItsMaximum) {
  KernelObject semaphore = CreateNamedSemaphore(conformance::UniqueName("semaphore").c_str(), 1, 1);
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::Taken);
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::TimedOut) << "a semaphore is not recursive";
  OnOtherThread([&] { EXPECT_TRUE(ReleaseSemaphoreObject(semaphore)) << "any thread may release"; });
  EXPECT_FALSE(ReleaseSemaphoreObject(semaphore)) << "at its maximum";
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::Taken);
  EXPECT_EQ(WaitForObject(semaphore, 0), WaitResult::TimedOut) << "the failed release added nothing";
  CloseObject(semaphore);
  EXPECT_EQ(WaitForObject(nullptr, 0), WaitResult::Failed);
  EXPECT_FALSE(ReleaseSemaphoreObject(nullptr));
}

}  // namespace
