// Message boxes: the button pressed comes back as the program's answer.
#include <gtest/gtest.h>

#include <thread>

#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/HostControl.h"
#endif

using namespace platform;

namespace {

// Presses the answer's button in the next box, as the user would: on
// Windows from another thread, once the box is up.
std::thread Press(BoxAnswer answer) {
#ifdef _WIN32
  const WPARAM buttons[] = {IDOK, IDCANCEL, IDYES, IDNO};  // by BoxAnswer
  return std::thread([button = buttons[static_cast<int>(answer)]] {
    for (int wait = 0; wait < 500; ++wait, Sleep(20)) {
      if (const HWND box = FindWindowW(L"#32770", L"Conformance")) {
        PostMessageW(box, WM_COMMAND, button, 0);
        return;
      }
    }
  });
#else
  host::QueueAnswer(answer);
  return std::thread();
#endif
}

TEST(MessageBoxes, TheButtonPressedIsTheAnswer) {
  const struct {
    BoxButtons buttons;
    BoxAnswer answer;
    bool urgent;
  } cases[] = {{BoxButtons::Ok, BoxAnswer::Ok, false},
               {BoxButtons::OkCancel, BoxAnswer::Cancel, true},
               {BoxButtons::YesNo, BoxAnswer::Yes, true},
               {BoxButtons::YesNoDefaultNo, BoxAnswer::No, false}};
  for (const auto& c : cases) {
    std::thread pressing = Press(c.answer);
    const auto show = c.urgent ? ShowUrgentMessageBox : ShowMessageBox;
    EXPECT_EQ(show(nullptr, "Ответ?", "Conformance", c.buttons, BoxIcon::None), c.answer);
    if (pressing.joinable()) pressing.join();
  }
}

}  // namespace
