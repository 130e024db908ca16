#include "mail/Pop3Poll.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mail/Capabilities.h"
#include "mail/CommandRunner.h"
#include "mail/HeaderRequests.h"
#include "mail/NewMailDecision.h"
#include "mail/Pop3Connection.h"
#include "mail/SeenMessages.h"
#include "mail/UidListing.h"
#include "platform/Owned.h"

namespace {

bool Refused(const char* reply, size_t held) { return held == 0 || std::strncmp(reply, "-ERR", 4) == 0; }

// Sends a command made of a format and one argument, and reads a one-line
// reply. A login or password with a line break would put a second command
// on the wire, and one too long for the buffer would lose its line end:
// neither is sent, and the answer counts as a refusal.
size_t Ask(Pop3Connection& server, char* buffer, const char* format, const char* argument) {
  const int length = std::snprintf(buffer, kReplyLimit, format, argument);
  if (std::strpbrk(argument, "\r\n") != nullptr || length <= 0 ||
      static_cast<size_t>(length) >= kReplyLimit) {
    buffer[0] = '\0';
    return 0;
  }
  SendText(server, buffer);
  return ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::Line);
}

// "+OK", any blanks, a decimal number; -1 when the reply is not like that.
int32_t MessageCount(const char* reply) {
  if (std::strncmp(reply, "+OK", 3) != 0) return -1;
  const char* next = reply + 3;
  while (*next == ' ' || *next == '\t' || *next == '\r' || *next == '\n' || *next == '\v' || *next == '\f')
    ++next;
  bool negative = false;
  if (*next == '+' || *next == '-') negative = *next++ == '-';
  if (*next < '0' || *next > '9') return -1;
  int64_t count = 0;
  for (; *next >= '0' && *next <= '9'; ++next) {
    count = count * 10 + (*next - '0');
    if (count > INT32_MAX) return -1;  // no server holds that many; read as a broken reply
  }
  return negative ? -1 : static_cast<int32_t>(count);
}

// The first of the newest kMaxExamined messages.
int32_t FirstExamined(int32_t count) { return count > kMaxExamined ? count - kMaxExamined + 1 : 1; }

// STAT, and with `listing` UIDL in the same write, for ReadUidListing.
int32_t AskCount(Pop3Connection& server, char* buffer, bool listing = false) {
  SendText(server, listing ? "STAT\r\nUIDL\r\n" : "STAT\r\n");
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::Line);
  return MessageCount(buffer);
}

// What one examination works from and brings back besides the result: the
// listing, the messages remembered from before, and those learnt now.
struct Memory {
  UidListing Listing;
  SeenMessages::Messages Known;
  SeenMessages::Messages Learnt;

  // What was read before of message `number`, when the listing vouches for
  // its id and the id stood at this number or a later one then: a message's
  // number only falls, as messages before it are deleted, so an id that has
  // risen now stands for another message.
  const SeenMessages::Message* Recall(int64_t number) const {
    const auto known = Known.find(Listing.IdOf(number));
    return known != Known.end() && number <= known->second.Number ? &known->second : nullptr;
  }
  void Learn(int64_t number, int32_t date) {
    const std::string& id = Listing.IdOf(number);
    if (!id.empty()) Learnt[id] = {date, static_cast<int32_t>(number)};
  }
};

// A message the memory recalls is filed by the date read before; every
// other one is asked for with TOP. Replies come in the order asked, so the
// messages are filed in their order. The next TOPs go out before a reply is
// classified, so the server works while we read the date. Once the
// connection is gone every later reply would be empty and skipped, so the
// examination stops: a STAT count of two thousand million from a server
// that then hangs up costs nothing. Only the newest kMaxExamined messages
// are examined: new mail is appended at the end of a maildrop, so a bigger
// box misses nothing new, and a server that claims two thousand million
// messages and answers every TOP cannot hold the box for days. Returns the
// first header block whose date could not be read, when the user wants such
// blocks reported: one report per poll is all the author needs, and a box
// of ten thousand would otherwise open ten thousand mail windows at every
// poll.
std::string ExamineMessages(Pop3Connection& server, char* buffer, int32_t count, size_t window,
                            const PollRequest& request, PollResult& result, Memory& memory) {
  const int32_t first = FirstExamined(count);
  std::vector<int32_t> unknown;
  // Counted in 64 bits: a count of INT32_MAX would overflow the last step.
  for (int64_t number = first; number <= count; ++number) {
    if (memory.Recall(number) == nullptr) unknown.push_back(static_cast<int32_t>(number));
  }
  HeaderRequests requests(server, std::move(unknown), window);
  requests.Send();
  std::string unreadable;
  for (int64_t number = first; number <= count && !server.Gone; ++number) {
    if (const SeenMessages::Message* known = memory.Recall(number)) {
      FileByDate(known->Date, request, result);
      memory.Learn(number, known->Date);
      continue;
    }
    const size_t held = requests.Receive(buffer);
    requests.Send();
    std::optional<int32_t> date;
    if (held > 0 && ClassifyReply(buffer, request, result, &date) && request.SendErrors != 0 &&
        unreadable.empty())
      unreadable = buffer;
    if (date) memory.Learn(number, *date);
  }
  return unreadable;
}

// Whose memory a poll may use: a box whose server, port, login or TLS
// setting has changed is another mailbox.
std::string OwnerOf(const PollRequest& request) {
  return std::string(request.PopServerName.Text()) + '\n' + std::to_string(request.Port) + '\n' +
         request.Login.Text() + (request.Tls ? "\ntls" : "\nplain");
}

// Date mode after the login. The listing is asked for only where it can
// spare reading headers: the server offers it, the box remembers, and there
// are messages. A box that was listed before most likely is now too: where
// the server takes pipelined commands, its listing is asked for together
// with STAT, a round trip sooner. A listing that broke off leaves the poll
// knowing nothing. Otherwise the memory then holds what this poll found of
// the messages the listing vouched for, and nothing else, so an id that has
// gone from the box cannot later stand for another message.
std::string PollByDate(Pop3Connection& server, char* buffer, const PollRequest& request, PollResult& result) {
  const Capabilities offered = AskCapabilities(server, buffer);
  SeenMessages* const seen = request.Seen.get();
  const std::string owner = seen != nullptr ? OwnerOf(request) : std::string();
  Memory memory;
  if (seen != nullptr) memory.Known = seen->Take(owner);
  const bool early = offered.Uidl && offered.Pipelining && !memory.Known.empty();
  const int32_t count = result.StatCount = AskCount(server, buffer, early);
  const bool listed =
      early || (seen != nullptr && offered.Uidl && count > 0 && count <= kMaxListed && !server.Gone);
  if (listed && !early) SendText(server, "UIDL\r\n");
  if (listed) memory.Listing = ReadUidListing(server, count, FirstExamined(count));
  std::string unreadable;
  if (count < 0) {
    memory.Learnt = std::move(memory.Known);  // nothing learnt, nothing forgotten
  } else if (listed && server.Gone) {
    result.StatCount = -1;
  } else {
    const size_t window = offered.Pipelining ? kPipelineWindowBytes : 0;
    unreadable = ExamineMessages(server, buffer, count, window, request, result, memory);
  }
  if (seen != nullptr) seen->Keep(owner, std::move(memory.Learnt));
  return unreadable;
}

int32_t Converse(Pop3Connection& server, const PollRequest& request, PollResult& result) {
  char buffer[kReplyLimit];
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::Line);
  if (Refused(buffer, Ask(server, buffer, "USER %s\r\n", request.Login.Text()))) return kPollUserRefused;
  // Nothing goes out before the password's reply has come: a server may
  // drop what arrives together with PASS, whatever it offers.
  if (Refused(buffer, Ask(server, buffer, "PASS %s\r\n", request.Password.Text())))
    return kPollPasswordRefused;

  std::string unreadable;
  if (request.TandrelMode == 0) {
    unreadable = PollByDate(server, buffer, request, result);
  } else {
    result.StatCount = AskCount(server, buffer);
  }

  SendText(server, "QUIT\r\n");
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::OneChunk);
  // Once the server is done with us: the mail program may take its time.
  if (!unreadable.empty()) RunCommandLine(ErrorReportLine(unreadable.c_str()).c_str(), request.RunMsminMode);
  if (result.StatCount < 0) return request.PreviousCount;
  return request.TandrelMode != 0 ? result.StatCount : result.NewMessages.Size();
}

// Resolves, connects and talks; the caller holds the box's lock.
int32_t PollServer(const PollRequest& request, PollResult& result) {
  const PollTimeouts& timeouts = request.Timeouts;
  platform::ConnectFailure failure = platform::ConnectFailure::None;
  const platform::OwnedSocket hold(platform::ConnectTcp(request.PopServerName.Text(), request.Port,
                                                        timeouts.ResolveMs, timeouts.ConnectMs, &failure));
  if (failure == platform::ConnectFailure::HostNotFound) return kPollHostNotFound;
  if (failure == platform::ConnectFailure::NoSocket) return kPollNoSocket;
  if (!hold) return kPollNotConnected;
  const platform::Socket socket = hold.Get();
  if (!request.Tls) {
    Pop3Connection server{socket, nullptr, timeouts.SendMs, timeouts.ReceiveMs};
    return Converse(server, request, result);
  }
  // A session whose checks failed is never opened, so the login cannot go
  // out over it, nor in plain text instead. Declared after the socket, it
  // is closed before the socket it runs over.
  const platform::OwnedTlsSession session(
      platform::OpenTlsSession(socket, request.PopServerName.Text(), timeouts.ReceiveMs, &result.TlsFailure));
  if (!session) return kPollNotConnected;
  Pop3Connection server{socket, session.Get(), timeouts.SendMs, timeouts.ReceiveMs};
  return Converse(server, request, result);
}

}  // namespace

int32_t CheckMailbox(const PollRequest& request, PollResult& result) {
  const platform::LockTake take = platform::TakeLock(request.CheckLock, request.BusyWaitMs);
  if (take == platform::LockTake::Busy) return kPollBusy;
  // Held from the first step to the last on every path.
  const platform::HeldLock held(request.CheckLock);
  // A poll that ended holding the lock leaves this round out; the next runs.
  if (take == platform::LockTake::Orphaned) return kPollBusy;
  const int32_t code = PollServer(request, result);
  if (request.Finished) request.Finished(code, result);
  return code;
}
