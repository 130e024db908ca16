// What a box remembers between date-mode polls never changes what is new.
// A server that keeps each unique id on one letter serves a box that changes
// between polls as the input says: letters come, go, and are rewritten by
// the server (a new size, maybe a new id); the user acknowledges up to some
// day. Three polls of one box with memory must find exactly what three polls
// without memory find, each of the same box, whatever the server offers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "mail/Pop3Poll.h"
#include "mail/SeenMessages.h"
#include "platform/Owned.h"
#include "platform/host/HostControl.h"
#include "tests/support/Maildrop.h"

namespace {

constexpr uint16_t kPort = 110;
constexpr int kPolls = 3;
constexpr size_t kMostLetters = 40;

void Deliver(Maildrop& box, int& nextId, FuzzedDataProvider& input) {
  box.Letters.push_back({input.ConsumeIntegralInRange(0, 28), "u" + std::to_string(nextId++), "",
                         input.ConsumeIntegralInRange<uint32_t>(100, 110)});
}

// Between polls: letters read and deleted by a mail program, new ones
// delivered, some rewritten by the server.
void Change(Maildrop& box, int& nextId, FuzzedDataProvider& input) {
  std::vector<Letter>& letters = box.Letters;
  const int steps = input.ConsumeIntegralInRange(0, 6);
  for (int step = 0; step < steps; ++step) {
    const int what = input.ConsumeIntegralInRange(0, 3);
    const size_t at = letters.empty() ? 0 : input.ConsumeIntegralInRange<size_t>(0, letters.size() - 1);
    if (what == 0 && !letters.empty()) {
      letters.erase(letters.begin() + static_cast<std::ptrdiff_t>(at));
    } else if (what == 1 && !letters.empty()) {
      letters[at].Size += 1;
      if (input.ConsumeBool()) letters[at].Id = "u" + std::to_string(nextId++);
    } else if (letters.size() < kMostLetters) {
      Deliver(box, nextId, input);
    }
  }
}

std::string CapabilitiesOf(uint8_t choice) {
  if ((choice & 3) == 0) return "-ERR\r\n";
  std::string lines = "+OK\r\n";
  if (choice & 1) lines += "PIPELINING\r\n";
  if (choice & 2) lines += "UIDL\r\n";
  return lines + ".\r\n";
}

using Found = std::tuple<int32_t, std::vector<int32_t>, std::vector<int32_t>>;  // the code, new and old dates

Found Poll(const Maildrop& box, const PollRequest& request) {
  host::AnswerNextConnection("127.0.0.1", kPort, "+OK\r\n", [&box](const std::string& command) {
    const bool login = command == "USER tester" || command == "PASS secret" || command == "QUIT";
    return login ? std::string("+OK\r\n") : box.Answer(command);
  });
  PollResult result;
  Found found{CheckMailbox(request, result), {}, {}};
  for (const MessageInfo& message : result.NewMessages) std::get<1>(found).push_back(message.Date);
  for (const MessageInfo& message : result.OldMessages) std::get<2>(found).push_back(message.Date);
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  host::Reset();
  setenv("TZ", "UTC", 1);
  const platform::OwnedLock lock(platform::OpenLock("POP3_fuzz"));
  PollRequest plain;
  plain.PopServerName = "127.0.0.1";
  plain.Port = kPort;
  plain.Login = "tester";
  plain.Password = "secret";
  plain.TandrelMode = 0;
  plain.SendErrors = 0;
  plain.CheckLock = lock.Get();
  PollRequest remembering = plain;
  remembering.Seen = std::make_shared<SeenMessages>();

  Maildrop box;
  int nextId = 0;
  box.Capabilities = CapabilitiesOf(input.ConsumeIntegral<uint8_t>());
  const size_t letters = input.ConsumeIntegralInRange<size_t>(0, kMostLetters);
  for (size_t i = 0; i < letters; ++i) Deliver(box, nextId, input);
  for (int poll = 0; poll < kPolls; ++poll) {
    // The user acknowledges up to a day, never back.
    const int32_t acknowledged = 1767225600 + input.ConsumeIntegralInRange(0, 28) * 86400;
    if (acknowledged > plain.LastMsgDate) plain.LastMsgDate = remembering.LastMsgDate = acknowledged;
    if (Poll(box, remembering) != Poll(box, plain)) __builtin_trap();
    Change(box, nextId, input);
  }
  return 0;
}
