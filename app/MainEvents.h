// The main loop's events: the meeting point of timers, check results and
// the tray icon's mouse.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

void OnMainEvent(platform::MainEvent event, uintptr_t timerId);

// Hands the finished polls' results to their boxes and the tray (main
// thread; a check thread runs it there once its poll has ended).
void OnCheckResult(void* unused);
