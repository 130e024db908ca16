// What a box remembers between date-mode polls never changes what is new.
// A server that keeps each unique id on one letter serves a box that changes
// between polls as the input says: letters come, go, and are rewritten (a
// new size, maybe a new id); the user acknowledges up to some day. Each of
// three polls with memory finds exactly what a poll without memory finds.
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

constexpr size_t kMostLetters = 40;

void Deliver(Maildrop& box, int& nextId, FuzzedDataProvider& input) {
  box.Letters.push_back({input.ConsumeIntegralInRange(0, 28), "u" + std::to_string(nextId++), "",
                         input.ConsumeIntegralInRange<uint32_t>(100, 110)});
}

using Found = std::tuple<int32_t, std::vector<int32_t>, std::vector<int32_t>>;  // the code, new and old dates

Found Poll(const Maildrop& box, const PollRequest& request) {
  host::AnswerNextConnection("127.0.0.1", request.Port, "+OK\r\n", [&box](const std::string& command) {
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
  plain.Port = 110;
  plain.Login = "tester";
  plain.Password = "secret";
  plain.TandrelMode = plain.SendErrors = 0;
  plain.CheckLock = lock.Get();
  PollRequest remembering = plain;
  remembering.Seen = std::make_shared<SeenMessages>();

  Maildrop box;
  int nextId = 0;
  // CAPA offers PIPELINING, UIDL, both, or is refused.
  const int offers = input.ConsumeIntegralInRange(0, 3);
  if (offers != 0)
    box.Capabilities = std::string("+OK\r\n") + (offers & 1 ? "PIPELINING\r\n" : "") +
                       (offers & 2 ? "UIDL\r\n" : "") + ".\r\n";
  const size_t letters = input.ConsumeIntegralInRange<size_t>(0, kMostLetters);
  for (size_t i = 0; i < letters; ++i) Deliver(box, nextId, input);
  for (int poll = 0; poll < 3; ++poll) {
    // The user acknowledges up to a day, never back.
    const int32_t acknowledged = 1767225600 + input.ConsumeIntegralInRange(0, 28) * 86400;
    if (acknowledged > plain.LastMsgDate) plain.LastMsgDate = remembering.LastMsgDate = acknowledged;
    if (Poll(box, remembering) != Poll(box, plain)) __builtin_trap();
    // Between polls letters are read and deleted by a mail program, new ones
    // delivered, some rewritten by the server.
    std::vector<Letter>& all = box.Letters;
    for (int step = input.ConsumeIntegralInRange(0, 6); step > 0; --step) {
      const int what = input.ConsumeIntegralInRange(0, 3);
      const size_t at = all.empty() ? 0 : input.ConsumeIntegralInRange<size_t>(0, all.size() - 1);
      if (what == 0 && !all.empty()) {
        all.erase(all.begin() + static_cast<std::ptrdiff_t>(at));
      } else if (what == 1 && !all.empty()) {
        all[at].Size += 1;
        if (input.ConsumeBool()) all[at].Id = "u" + std::to_string(nextId++);
      } else if (all.size() < kMostLetters) {
        Deliver(box, nextId, input);
      }
    }
  }
  return 0;
}
