// What every fuzzed poll must hold, whatever the server said: a poll whose
// connection was made reaches the dialogue, and date mode never reports more
// messages than STAT counted.
#pragma once

#include "mail/Pop3Poll.h"

// A mailbox request of the fuzz targets; date mode for an even mode byte.
inline PollRequest FuzzRequest(platform::KernelObject mutex, uint8_t modeByte) {
  PollRequest request;
  request.Login = "tester";
  request.Password = "secret";
  request.TandrelMode = modeByte & 1;
  request.SendErrors = 0;
  request.CheckMutex = mutex;
  return request;
}

inline void CheckPoll(int32_t code, const PollRequest& request, const PollResult& result) {
  if (code < kPollPasswordRefused || code == kPollHostNotFound || code == kPollNotConnected) __builtin_trap();
  if (code >= 0 && request.TandrelMode == 0 && result.StatCount >= 0 &&
      result.NewMessages.Size() + result.OldMessages.Size() > result.StatCount) {
    __builtin_trap();
  }
}
