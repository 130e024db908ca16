// The hidden main window: the meeting point of timers, check results and
// the tray icon's mouse messages. It is never shown.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

constexpr char kMainWindowClass[] = "Main window class";

// The program's own messages to the main window: a poll's result (sent by
// its check thread) and the tray icon's mouse activity (sent by the shell).
constexpr uint32_t kMsgBoxHasMail = 0x0401;
constexpr uint32_t kMsgTrayNotify = 0x0402;
constexpr uint32_t kMsgBoxNoMail = 0x0403;

intptr_t MainWindowProc(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
