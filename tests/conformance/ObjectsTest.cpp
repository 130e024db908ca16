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

// Runs the body on a thread of its own and returns after that thread ended.
template <typename Body>
void OnOtherThread(Body body) {
  std::thread thread(body);
  thread.join();
}

class ObjectsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (KernelObject object : opened_) CloseObject(object);
  }
  KernelObject Mutex(const std::string& what, bool take = false, bool* existed = nullptr) {
    return Keep(CreateNamedMutex(conformance::UniqueName(what).c_str(), take, existed));
  }
  KernelObject Semaphore(const std::string& what, int32_t initial, int32_t maximum) {
    return Keep(CreateNamedSemaphore(conformance::UniqueName(what).c_str(), initial, maximum));
  }
  KernelObject Keep(KernelObject object) {
    if (object) opened_.push_back(object);
    return object;
  }
  std::vector<KernelObject> opened_;
};

TEST_F(ObjectsTest, OwnerTakesItsMutexAgainAndReleasesAsOftenAsTaken) {
  KernelObject mutex = Mutex("recursive");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
  EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
  EXPECT_TRUE(ReleaseMutexObject(mutex));
  OnOtherThread([&] { EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::TimedOut) << "still held once"; });
  EXPECT_TRUE(ReleaseMutexObject(mutex));
  EXPECT_FALSE(ReleaseMutexObject(mutex)) << "released more often than taken";
  OnOtherThread([&] {
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
    EXPECT_TRUE(ReleaseMutexObject(mutex));
  });
}

TEST_F(ObjectsTest, HeldMutexMakesOtherThreadsWaitUntilReleased) {
  KernelObject mutex = Mutex("held", true);
  ASSERT_NE(mutex, nullptr);
  OnOtherThread([&] {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForObject(mutex, 50), WaitResult::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(40));
    EXPECT_FALSE(ReleaseMutexObject(mutex)) << "released by a thread that does not hold it";
  });

  std::thread waiter([&] {
    EXPECT_EQ(WaitForObject(mutex, 5000), WaitResult::Taken);
    EXPECT_TRUE(ReleaseMutexObject(mutex));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_TRUE(ReleaseMutexObject(mutex));
  waiter.join();
}

TEST_F(ObjectsTest, MutexOfAThreadThatEndedIsAbandonedOnce) {
  KernelObject mutex = Mutex("abandoned");
  ASSERT_NE(mutex, nullptr);
  OnOtherThread([&] {
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
    EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
  });
  EXPECT_EQ(WaitForObject(mutex, 1000), WaitResult::Abandoned);
  OnOtherThread([&] { EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::TimedOut) << "the waiter owns it now"; });
  EXPECT_TRUE(ReleaseMutexObject(mutex));
  EXPECT_FALSE(ReleaseMutexObject(mutex)) << "the abandoned recursion does not carry over";
  EXPECT_EQ(WaitForObject(mutex, 0), WaitResult::Taken);
  EXPECT_TRUE(ReleaseMutexObject(mutex));
}

TEST_F(ObjectsTest, SecondCreationOpensTheSameMutexWithoutTakingIt) {
  bool existed = true;
  KernelObject first = Mutex("twice", false, &existed);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(existed);
  KernelObject second = Mutex("twice", true, &existed);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(existed);

  EXPECT_EQ(WaitForObject(first, 0), WaitResult::Taken) << "the second creation did not take it";
  OnOtherThread([&] { EXPECT_EQ(WaitForObject(second, 0), WaitResult::TimedOut); });
  EXPECT_TRUE(ReleaseMutexObject(second)) << "both handles name one mutex";
}

TEST_F(ObjectsTest, NameGoesAwayWithTheLastHandle) {
  const std::string name = conformance::UniqueName("last-handle");
  bool existed = true;
  KernelObject first = CreateNamedMutex(name.c_str(), false, &existed);
  KernelObject second = CreateNamedMutex(name.c_str(), false, &existed);
  CloseObject(first);
  KernelObject third = CreateNamedMutex(name.c_str(), false, &existed);
  EXPECT_TRUE(existed) << "one handle was still open";
  CloseObject(second);
  CloseObject(third);
  KernelObject fresh = Keep(CreateNamedMutex(name.c_str(), false, &existed));
  ASSERT_NE(fresh, nullptr);
  EXPECT_FALSE(existed);
}

TEST_F(ObjectsTest, MutexAndSemaphoreCannotShareAName) {
  const std::string name = conformance::UniqueName("shared-name");
  ASSERT_NE(Keep(CreateNamedMutex(name.c_str(), false, nullptr)), nullptr);
  EXPECT_EQ(Keep(CreateNamedSemaphore(name.c_str(), 1, 1)), nullptr);
}

TEST_F(ObjectsTest, SemaphoreOfOneIsTakenOnceAndNotReleasedBeyondItsMaximum) {
  KernelObject semaphore = Semaphore("count-one", 1, 1);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::Taken);
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::TimedOut) << "a semaphore is not recursive";
  OnOtherThread([&] { EXPECT_TRUE(ReleaseSemaphoreObject(semaphore)) << "any thread may release"; });
  EXPECT_FALSE(ReleaseSemaphoreObject(semaphore)) << "at its maximum";
  EXPECT_EQ(WaitForObject(semaphore, 10), WaitResult::Taken);
  EXPECT_EQ(WaitForObject(semaphore, 0), WaitResult::TimedOut) << "the failed release added nothing";
}

TEST_F(ObjectsTest, SecondCreationOfASemaphoreKeepsItsCounts) {
  const std::string name = conformance::UniqueName("semaphore-twice");
  KernelObject first = Keep(CreateNamedSemaphore(name.c_str(), 1, 1));
  KernelObject second = Keep(CreateNamedSemaphore(name.c_str(), 5, 5));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(WaitForObject(second, 0), WaitResult::Taken);
  EXPECT_EQ(WaitForObject(first, 0), WaitResult::TimedOut);
}

TEST_F(ObjectsTest, SemaphoreCountsMustMakeSense) {
  struct Case {
    int32_t initial;
    int32_t maximum;
  };
  for (const Case& c : {Case{2, 1}, Case{0, 0}, Case{-1, 1}}) {
    SCOPED_TRACE(std::to_string(c.initial) + "/" + std::to_string(c.maximum));
    EXPECT_EQ(Semaphore("bad-counts", c.initial, c.maximum), nullptr);
  }
}

TEST_F(ObjectsTest, NoOrClosedHandleFails) {
  EXPECT_EQ(WaitForObject(nullptr, 0), WaitResult::Failed);
  EXPECT_FALSE(ReleaseMutexObject(nullptr));
  EXPECT_FALSE(ReleaseSemaphoreObject(nullptr));

  KernelObject semaphore = CreateNamedSemaphore(conformance::UniqueName("closed").c_str(), 1, 2);
  ASSERT_NE(semaphore, nullptr);
  CloseObject(semaphore);
  EXPECT_EQ(WaitForObject(semaphore, 0), WaitResult::Failed);
  EXPECT_FALSE(ReleaseSemaphoreObject(semaphore));
}

TEST_F(ObjectsTest, ReleasingTheWrongKindFails) {
  KernelObject mutex = Mutex("kind-mutex", true);
  KernelObject semaphore = Semaphore("kind-semaphore", 0, 1);
  EXPECT_FALSE(ReleaseSemaphoreObject(mutex));
  EXPECT_FALSE(ReleaseMutexObject(semaphore));
  EXPECT_TRUE(ReleaseMutexObject(mutex));
}

}  // namespace
