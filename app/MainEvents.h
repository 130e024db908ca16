// The main loop's events: the meeting point of timers, check results and
// the tray icon's mouse. The main loop's context is the application.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

void OnMainEvent(void* application, platform::MainEvent event, platform::Timer timer);

// Hands the finished polls' results to their boxes and the tray (main
// thread; a check thread posts it there once its poll has ended).
void OnCheckResult(void* application, void* unused);
