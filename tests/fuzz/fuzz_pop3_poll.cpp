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
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/Owned.h"
#include "platform/host/HostControl.h"
#include "tests/fuzz/PollChecks.h"

constexpr uint16_t kPort = 110;

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
