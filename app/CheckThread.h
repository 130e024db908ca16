// Polls in worker threads, and the way their results reach the main thread.
#pragma once

#include <cstdint>
#include <vector>

#include "notify/Balloon.h"
#include "platform/Platform.h"

class Application;
class Mailbox;

// A connection test's report, run on the main thread once its poll has
// ended: the test's number as StartCheck was given it (a report may come
// after its page has gone and another test has begun), the poll's code and
// the platform::TlsFailure behind a failed TLS connection.
using TestReport = void (*)(int32_t test, int32_t code, platform::TlsFailure tlsFailure);

// Starts one detached poll of the box (main thread). The worker gets a copy
// of what it needs and a handle of its own to the box's lock, so it never
// reads the box itself. False when the thread could not be started. With a
// report the poll is a connection test: its result is not handed to the
// box, only to the report.
bool StartCheck(Application& application, const Mailbox& box, TestReport report = nullptr, int32_t test = 0);

// Hands every finished poll's result to its box, if the box still exists
// (main thread, on every result message). Returns what no earlier poll
// announced, box by box.
std::vector<BoxNews> PublishPollResults(Application& application);
