// The hidden main window: the meeting point of timers, check results and
// the tray icon's mouse messages. It is never shown.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

constexpr char kMainWindowClass[] = "Main window class";

intptr_t MainWindowProc(platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
