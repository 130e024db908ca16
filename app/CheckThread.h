// Polls in worker threads, and the way their results reach the main thread.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

class Application;
class Mailbox;

// Starts one detached poll of the box (main thread). The worker gets a copy
// of what it needs and a handle of its own to the box's lock, so it never
// reads the box itself. 0 when the thread could not be started. With a
// report window the poll is a connection test: its result is not handed to
// the box, and reportMessage is posted to the window once the poll is done:
// wParam is the poll's code (as a 32-bit value), lParam the
// platform::TlsFailure behind a failed TLS connection.
int StartCheck(Application& application, const Mailbox& box, platform::Window reportWindow = nullptr,
               uint32_t reportMessage = 0);

// Hands every finished poll's result to its box, if the box still exists
// (main thread, on every result message).
void PublishPollResults(Application& application);
