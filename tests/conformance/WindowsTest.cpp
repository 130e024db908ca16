// Hidden windows, messages between threads and timers.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/Platform.h"
#include "tests/conformance/Unique.h"

using namespace platform;

namespace {

constexpr uint32_t kMsgDouble = kMsgUser + 1;
constexpr uint32_t kMsgQuit = kMsgUser + 2;

std::atomic<int> gTimerTicks{0};
std::atomic<uintptr_t> gTimerId{0};
std::thread::id gProcedureThread;

intptr_t Procedure(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgDouble:
      gProcedureThread = std::this_thread::get_id();
      return static_cast<intptr_t>(wParam) * 2;
    case kMsgQuit:
      PostQuit(static_cast<int>(wParam));
      return 0;
    case kMsgTimer:
      gTimerId = wParam;
      if (++gTimerTicks == 3) PostQuit(0);
      return 0;
    default:
      return DefaultWindowProc(window, message, wParam, lParam);
  }
}

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string className = "VestunConformance-" + conformance::FreshSuffix();
    ASSERT_TRUE(RegisterWindowClass(nullptr, className.c_str(), Procedure, nullptr));
    window_ = CreateHiddenWindow(nullptr, className.c_str());
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyWindowObject(window_); }
  Window window_ = nullptr;
};

TEST_F(WindowsTest, HiddenWindowExistsUntilDestroyed) {
  EXPECT_TRUE(WindowExists(window_));
  EXPECT_FALSE(WindowVisible(window_));
  DestroyWindowObject(window_);
  EXPECT_FALSE(WindowExists(window_));
  window_ = nullptr;
}

TEST_F(WindowsTest, MessageSentFromAWorkerRunsOnTheWindowsThread) {
  intptr_t answer = 0;
  std::thread worker([&] {
    answer = SendWindowMessage(window_, kMsgDouble, 21, 0);
    PostWindowMessage(window_, kMsgQuit, 7, 0);
  });
  const int code = RunMessageLoop();
  worker.join();
  EXPECT_EQ(code, 7);
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(gProcedureThread, std::this_thread::get_id());
}

TEST_F(WindowsTest, SentOnItsOwnThreadRunsAtOnce) {
  EXPECT_EQ(SendWindowMessage(window_, kMsgDouble, 5, 0), 10);
}

#ifdef _WIN32
// On the host stand-in time only moves when a test moves it.
TEST_F(WindowsTest, WindowTimerSendsItsId) {
  gTimerTicks = 0;
  ASSERT_TRUE(SetWindowTimer(window_, 17, 10));
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_TRUE(KillWindowTimer(window_, 17));
  EXPECT_EQ(gTimerId, 17u);
  EXPECT_FALSE(KillWindowTimer(window_, 17)) << "killed already";
}

std::atomic<int> gThreadTicks{0};

TEST_F(WindowsTest, ThreadTimerRunsItsRoutineFromTheLoop) {
  gThreadTicks = 0;
  const uintptr_t id = SetThreadTimer(10, [] {
    if (++gThreadTicks == 2) PostQuit(3);
  });
  ASSERT_NE(id, 0u);
  EXPECT_EQ(RunMessageLoop(), 3);
  EXPECT_TRUE(KillThreadTimer(id));
  EXPECT_GE(gThreadTicks, 2);
}
#endif

}  // namespace
