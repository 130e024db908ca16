// Two polls of one box against a server that answers each with the same
// arbitrary bytes and then closes; the second poll has what the first
// remembered. The host stand-in serves the connection from memory.
//
// Input: one byte that chooses the poll, then everything the server says.
// Odd polls in count mode, even in date mode; its upper seven bits are the
// most bytes one receive gets (0: all that are left). In the seeds 'C' and
// 'D' choose count and date mode with receives of 33 and 34 bytes.
//
// Whatever the server said, a served connection reaches the dialogue, date
// mode never reports more messages than STAT counted, who wrote a new letter
// and about what is UTF-8 within its bound, an error report fits the command
// runner whole, and no command goes out after the server is gone.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/Utf8.h"
#include "mail/CommandRunner.h"
#include "mail/LetterSummary.h"
#include "mail/Pop3Poll.h"
#include "mail/SeenMessages.h"
#include "platform/Owned.h"
#include "platform/host/HostControl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // A fresh stand-in for each input, so that its records are this poll's alone.
  host::Reset();
  const platform::OwnedLock lock(platform::OpenLock("POP3_fuzz"));
  const std::string replies(reinterpret_cast<const char*>(data) + 1, size - 1);
  PollRequest request;
  request.PopServerName = "127.0.0.1";
  request.Port = 110;
  request.Login = "tester";
  request.Password = "secret";
  request.TandrelMode = data[0] & 1;
  request.SendErrors = 1;
  request.CheckLock = lock.Get();
  request.Seen = std::make_shared<SeenMessages>();
  for (int poll = 0; poll < 2; ++poll) {
    host::ServeNextConnection("127.0.0.1", request.Port, replies, data[0] >> 1);
    PollResult result;
    const int32_t code = CheckMailbox(request, result);
    const std::string sent = host::TakeServedRequests();
    host::Reset();
    if (code < kPollPasswordRefused || code == kPollHostNotFound || code == kPollNotConnected)
      __builtin_trap();
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
    if (!report.empty() &&
        (report.size() > kMaxCommandPart + 2 || report.front() != '"' || report.back() != '"'))
      __builtin_trap();
    // Each command follows a reply to the one before (the greeting for the
    // first), but for TOPs sent ahead within the window, and a reply takes at
    // least a byte.
    const size_t mostAhead = kPipelineWindowBytes / std::strlen("TOP 1 1\r\n");
    if (size_t(std::count(sent.begin(), sent.end(), '\n')) > replies.size() + mostAhead) __builtin_trap();
  }
  return 0;
}
