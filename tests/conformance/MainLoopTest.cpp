// The main loop: work handed over from other threads, timers by id, the end
// of the loop; all of it with the loop's context.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/Platform.h"

using namespace platform;

namespace {

int gContext;  // its address is the loop's context
std::vector<std::thread::id> gTaskThreads;
std::vector<uintptr_t> gTimerEvents;

void Record(void* context, void*) {
  if (context == &gContext) gTaskThreads.push_back(std::this_thread::get_id());
}
void Quit(void*, void* code) { QuitMainLoop(*static_cast<int*>(code)); }
void RecordTimer(void* context, MainEvent event, uintptr_t id) {
  if (event == MainEvent::Timer && context == &gContext) gTimerEvents.push_back(id);
}

TEST(MainLoop, WorkFromOtherThreadsAndTimersByTheProgramsIdsRunOnTheMainThread) {
  const Window window = OpenMainLoop(nullptr, nullptr, RecordTimer, &gContext);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(StartTimer(11024, 60000));
  EXPECT_TRUE(StartTimer(11024, 30000)) << "restarted";
  EXPECT_TRUE(StopTimer(11024));
  EXPECT_FALSE(StopTimer(11024)) << "stopped already";
  RaiseTimerNow(11025);
  EXPECT_EQ(gTimerEvents, std::vector<uintptr_t>{11025});
  int code = 7;
  std::thread([&] {
    EXPECT_TRUE(PostToMainThread(Record, nullptr));
    EXPECT_TRUE(PostToMainThread(Quit, &code));
  }).join();
  EXPECT_EQ(RunMainLoop(), 7);
  EXPECT_EQ(gTaskThreads, std::vector<std::thread::id>(1, std::this_thread::get_id()));
  CloseMainLoop(window);
  EXPECT_FALSE(PostToMainThread(Record, nullptr)) << "closed: the task never runs";
}

}  // namespace
