// Two polls of one box against a server that answers each with the same
// arbitrary bytes and then closes the connection; the second poll has what
// the first remembered. The connection is served from memory by the host
// stand-in, so an input costs no thread and no TCP handshake.
//
// Input: one byte that chooses the poll, then everything the server says.
// An odd first byte polls in count mode, an even one in date mode; its upper
// seven bits are how many bytes one receive gets at most (0: all that are
// left), so that replies also arrive cut at odd places. In the seeds 'C'
// and 'D' choose count and date mode with receives of 33 and 34 bytes.
//
// Whatever the server said, a poll whose connection was made reaches the
// dialogue, date mode never reports more messages than STAT counted, who
// wrote a new letter and about what is UTF-8 within its bound, and an error
// report, only where the user wants them, fits the command runner whole.
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

namespace {

constexpr uint16_t kPort = 110;

// Date mode for an even mode byte, with a memory of its own.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // A fresh stand-in for each input, so that its records (the error reports
  // among them) are this poll's alone and do not pile up over a run.
  host::Reset();
  const platform::OwnedLock lock(platform::OpenLock("POP3_fuzz"));
  const std::string replies(reinterpret_cast<const char*>(data) + 1, size - 1);
  PollRequest request = FuzzRequest(lock.Get(), data[0]);
  request.PopServerName = "127.0.0.1";
  request.Port = kPort;
  request.SendErrors = 1;
  for (int poll = 0; poll < 2; ++poll) {
    host::ServeNextConnection("127.0.0.1", kPort, replies, data[0] >> 1);
    PollResult result;
    const int32_t code = CheckMailbox(request, result);
    const std::string sent = host::TakeServedRequests();
    // A served connection always connects.
    CheckPoll(code, request, result);
    host::Reset();
    // Every command goes out after a reply to the one before (the greeting
    // for the first), but for TOPs sent ahead within the window, and a reply
    // takes at least one byte: a poll that sends more commands than that
    // went on after the server was gone.
    const size_t mostAhead = kPipelineWindowBytes / std::strlen("TOP 1 1\r\n");
    if (size_t(std::count(sent.begin(), sent.end(), '\n')) > replies.size() + mostAhead) __builtin_trap();
  }
  return 0;
}
