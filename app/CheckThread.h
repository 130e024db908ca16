// Polls in worker threads, and the way their results reach the main thread.
#pragma once

#include <cstdint>

class Application;
class Mailbox;

// Starts one detached poll of the box (main thread). The worker gets a copy
// of what it needs and a handle of its own to the box's mutex, so it never
// reads the box itself. 0 when the thread could not be started.
int StartCheck(Application& application, const Mailbox& box);

// Hands every finished poll's result to its box, if the box still exists
// (main thread, on every result message).
void PublishPollResults(Application& application);
