// What every fuzzed poll must hold, whatever the server said: a poll whose
// connection was made reaches the dialogue, date mode never reports more
// messages than STAT counted, who wrote a new letter and about what is
// UTF-8 within its bound, and an error report, only where the user wants
// them, fits the command runner whole.
#pragma once

#include <memory>
#include <string>

#include "common/Utf8.h"
#include "mail/CommandRunner.h"
#include "mail/LetterSummary.h"
#include "mail/Pop3Poll.h"
#include "mail/SeenMessages.h"

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
      result.NewMessages.size() + result.OldMessages.size() > static_cast<size_t>(result.StatCount)) {
    __builtin_trap();
  }
  for (const MessageInfo& message : result.NewMessages) {
    for (const std::string* text : {&message.Sender, &message.Subject}) {
      if (text->size() > kSummaryTextLimit || !IsUtf8(text->data(), text->size())) __builtin_trap();
    }
  }
  const std::string& report = result.ErrorReport;
  if (!report.empty() && (request.SendErrors == 0 || report.size() > kMaxCommandPart + 2 ||
                          report.front() != '"' || report.back() != '"')) {
    __builtin_trap();
  }
}
