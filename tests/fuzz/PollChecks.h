// What every fuzzed poll must hold, whatever the server said: a poll whose
// connection was made reaches the dialogue, date mode never reports more
// messages than STAT counted, and a poll opens at most one error report,
// which fits the command runner.
#pragma once

#include <memory>

#include "mail/CommandRunner.h"
#include "mail/Pop3Poll.h"
#include "mail/SeenMessages.h"
#include "platform/host/HostControl.h"

// A mailbox request of the fuzz targets; date mode for an even mode byte,
// with a memory of its own.
inline PollRequest FuzzRequest(platform::Lock lock, uint8_t modeByte) {
  PollRequest request;
  request.Login = "tester";
  request.Password = "secret";
  request.TandrelMode = modeByte & 1;
  request.SendErrors = 0;
  request.CheckLock = lock;
  request.Seen = std::make_shared<SeenMessages>();
  return request;
}

inline void CheckPoll(int32_t code, const PollRequest& request, const PollResult& result) {
  if (code < kPollPasswordRefused || code == kPollHostNotFound || code == kPollNotConnected) __builtin_trap();
  if (code >= 0 && request.TandrelMode == 0 && result.StatCount >= 0 &&
      result.NewMessages.Size() + result.OldMessages.Size() > result.StatCount) {
    __builtin_trap();
  }
  // The stand-in's shell records hold this poll's alone.
  const std::vector<host::ShellCall> reports = host::ShellCalls();
  if (reports.size() > (request.SendErrors != 0 ? 1u : 0u)) __builtin_trap();
  for (const host::ShellCall& report : reports) {
    if (report.target.size() > kMaxCommandPart || !report.params.empty()) __builtin_trap();
  }
}
