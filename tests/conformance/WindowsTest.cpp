// Hidden windows and messages between threads.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/Platform.h"
#include "tests/conformance/Unique.h"

using namespace platform;

namespace {

constexpr uint32_t kMsgDouble = kMsgUser + 1;
constexpr uint32_t kMsgQuit = kMsgUser + 2;
std::thread::id gProcedureThread;

intptr_t Procedure(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kMsgQuit) PostQuit(static_cast<int>(wParam));
  if (message != kMsgDouble) return DefaultWindowProc(window, message, wParam, lParam);
  gProcedureThread = std::this_thread::get_id();
  return static_cast<intptr_t>(wParam) * 2;
}

TEST(Windows, SentMessagesRunOnTheWindowsThread) {
  const std::string className = conformance::UniqueName("window");
  ASSERT_TRUE(RegisterWindowClass(nullptr, className.c_str(), Procedure, nullptr));
  Window window = CreateHiddenWindow(nullptr, className.c_str());
  ASSERT_TRUE(WindowExists(window));
  EXPECT_FALSE(WindowVisible(window));
  EXPECT_EQ(SendWindowMessage(window, kMsgDouble, 5, 0), 10) << "at once on the window's own thread";
  intptr_t answer = 0;
  std::thread worker([&] {
    answer = SendWindowMessage(window, kMsgDouble, 21, 0);
    PostWindowMessage(window, kMsgQuit, 7, 0);
  });
  EXPECT_EQ(RunMessageLoop(), 7);
  worker.join();
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(gProcedureThread, std::this_thread::get_id());
  DestroyWindowObject(window);
  EXPECT_FALSE(WindowExists(window));
}

// The tests run at 96 DPI, where small icons and lengths are as given.
TEST(Display, AtNinetySixDpiLengthsStayAsGiven) {
  EXPECT_EQ(SmallIconSize(), 16);
  EXPECT_EQ(DisplayPixels(200), 200);
}

}  // namespace
