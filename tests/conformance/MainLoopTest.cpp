// The main loop: work handed over from other threads, timers named by the
// layer, the end of the loop; all of it with the loop's context.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/Platform.h"

using namespace platform;

namespace {

int gContext;  // its address is the loop's context
std::vector<std::thread::id> gTaskThreads;
std::vector<Timer> gTimerEvents;

void Record(void* context, void*) {
  if (context == &gContext) gTaskThreads.push_back(std::this_thread::get_id());
}
void Quit(void*, void* code) { QuitMainLoop(*static_cast<int*>(code)); }
void RecordTimer(void* context, MainEvent event, Timer timer) {
  if (event == MainEvent::Timer && context == &gContext) gTimerEvents.push_back(timer);
}

TEST(MainLoop, WorkFromOtherThreadsAndTimersByTheirOwnNamesRunOnTheMainThread) {
  const Window window = OpenMainLoop(nullptr, nullptr, RecordTimer, &gContext);
  ASSERT_NE(window, nullptr);
  const Timer stopped = StartTimer(60000);
  const Timer running = StartTimer(60000);
  StopTimer(stopped);
  const Timer later = StartTimer(60000);
  EXPECT_TRUE(later != nullptr && later != stopped) << "a stopped timer's name is not given again";
  RaiseTimerNow(running);
  RaiseTimerNow(nullptr);
  EXPECT_EQ(gTimerEvents, std::vector<Timer>{running});
  int code = 7;
  std::thread([&] {
    EXPECT_TRUE(PostToMainThread(Record, nullptr));
    EXPECT_TRUE(PostToMainThread(Quit, &code));
  }).join();
  EXPECT_EQ(RunMainLoop(), 7);
  EXPECT_EQ(gTaskThreads, std::vector<std::thread::id>(1, std::this_thread::get_id()));
  CloseMainLoop(window);
  EXPECT_FALSE(PostToMainThread(Record, nullptr)) << "closed: the task never runs";
  EXPECT_EQ(StartTimer(60000), nullptr) << "closed: no timer";
}

}  // namespace
