#include "mail/DatePoll.h"

#include <string>
#include <utility>
#include <vector>

#include "mail/Capabilities.h"
#include "mail/HeaderRequests.h"
#include "mail/MessageCount.h"
#include "mail/NewMailDecision.h"
#include "mail/Pop3Poll.h"
#include "mail/SeenMessages.h"
#include "mail/UidListing.h"

namespace {

// How long a box whose listing broke off is read whole instead.
constexpr uint64_t kListingPauseMs = 60 * 60 * 1000;

using Messages = SeenMessages::Messages;

// The first of the newest kMaxExamined messages.
int32_t FirstExamined(int32_t count) { return count > kMaxExamined ? count - kMaxExamined + 1 : 1; }

// Whose memory a poll may use: a box whose server, port, login or TLS
// setting has changed is another mailbox.
std::string OwnerOf(const PollRequest& request) {
  return request.PopServerName + '\n' + std::to_string(request.Port) + '\n' + request.Login +
         (request.Tls ? "\ntls" : "\nplain");
}

// The messages of this poll that a date read before may stand for, by id,
// at their numbers now. An id vouches for its message only when nothing
// says it stands for another now: the listings vouch for it, its size is
// the same, and its number has not risen (a message's number only falls, as
// messages before it are deleted). A server may give an id again once its
// message is gone, and a few give ids that are plain positions.
Messages Vouched(const UidListing& listing, const Messages& known, int32_t first, int32_t count) {
  Messages vouched;
  for (int64_t number = first; number <= count; ++number) {
    const UidListing::Entry* listed = listing.Of(number);
    if (listed == nullptr) continue;
    const auto found = known.find(listed->Id);
    if (found == known.end()) continue;
    const SeenMessages::Message& then = found->second;
    if (number > then.Number || listed->Size != then.Size) continue;
    vouched[listed->Id] = {then.Date, static_cast<int32_t>(number), listed->Size, then.Sender, then.Subject};
  }
  return vouched;
}

// How an examination ended: every message filed; a reply that never came
// whole (the connection lost, a time-out); or a reply that was not a reply
// to its TOP, so that no later one can be trusted to be.
enum class Examined { Whole, Broken, OutOfStep };

struct Examination {
  Examined End = Examined::Whole;
  Messages Learnt;
  // The first header block whose date could not be read.
  std::string Unreadable;
};

// A message the listings vouch for is filed by the date read before; every
// other one is asked for with TOP. Replies come in the order asked, so the
// messages are filed in their order. The next TOPs go out before a reply is
// classified, so the server works while we read the date. Only the newest
// kMaxExamined messages are examined: new mail is appended at the end of a
// maildrop, so a bigger box misses nothing new, and a server that claims two
// thousand million messages cannot hold the box for long. A date is learnt
// only from a reply that came whole and began "+OK".
Examination ExamineMessages(Pop3Connection& server, char* buffer, int32_t count, size_t window,
                            const PollRequest& request, PollResult& result, const UidListing& listing,
                            const Messages& vouched) {
  const int32_t first = FirstExamined(count);
  const auto recall = [&](int64_t number) -> const SeenMessages::Message* {
    const UidListing::Entry* listed = listing.Of(number);
    const auto found = listed != nullptr ? vouched.find(listed->Id) : vouched.end();
    return found != vouched.end() ? &found->second : nullptr;
  };
  std::vector<int32_t> unknown;
  // Counted in 64 bits: a count of INT32_MAX would overflow the last step.
  for (int64_t number = first; number <= count; ++number) {
    if (recall(number) == nullptr) unknown.push_back(static_cast<int32_t>(number));
  }
  HeaderRequests requests(server, std::move(unknown), window);
  requests.Send();
  Examination done;
  std::string block;
  MessageInfo letter;
  for (int64_t number = first; number <= count; ++number) {
    if (const SeenMessages::Message* known = recall(number)) {
      letter.Date = known->Date;
      letter.Sender = known->Sender;
      letter.Subject = known->Subject;
      FileLetter(letter, request, result);
      continue;
    }
    requests.Receive(buffer, &block);
    if (server.Gone) {
      done.End = Examined::Broken;
      break;
    }
    requests.Send();
    const TopReply reply = ClassifyReply(buffer, block, request, result, &letter);
    if (reply == TopReply::OutOfStep) {
      done.End = Examined::OutOfStep;
      break;
    }
    const UidListing::Entry* listed = listing.Of(number);
    if (reply == TopReply::Dated && listed != nullptr) {
      done.Learnt[listed->Id] = {letter.Date, static_cast<int32_t>(number), listed->Size, letter.Sender,
                                 letter.Subject};
    }
    if (reply == TopReply::Undated && done.Unreadable.empty()) done.Unreadable = buffer;
  }
  return done;
}

// What the dialogue showed of the server, for the next poll to go around.
void NoteFailings(const Pop3Connection& server, bool listingBroke, SeenMessages::Workarounds& avoid) {
  if (server.WindowLost) {
    avoid.OneCommandAtATime = true;
  } else if (listingBroke && !server.OutOfTime) {
    avoid.NoListingUntilMs = platform::MonotonicMs() + kListingPauseMs;
  }
}

// The capabilities, unless the server failed at telling them before. A
// CAPA that the server let time out or answered by hanging up ends this
// poll (every later reply would be empty); the next goes without.
Capabilities Ask(Pop3Connection& server, char* buffer, SeenMessages::Workarounds& avoid) {
  if (avoid.SkipCapa) return Capabilities();
  const Capabilities offered = AskCapabilities(server, buffer);
  if (server.Gone && !server.OutOfTime && !server.WindowLost) avoid.SkipCapa = true;
  return offered;
}

}  // namespace

// The listings are asked for only where they can spare reading headers: the
// server offers them, the box remembers, and there are messages. A box that
// was listed before most likely is now too: where the server takes
// pipelined commands, they are asked for together with STAT, a round trip
// sooner. The memory then holds what this poll found of the messages the
// listings vouched for, and nothing else, so an id that has gone from the
// box cannot later stand for another message.
void PollByDate(Pop3Connection& server, char* buffer, const PollRequest& request, PollResult& result) {
  SeenMessages* const seen = request.Seen.get();
  const std::string owner = seen != nullptr ? OwnerOf(request) : std::string();
  SeenMessages::Recollection memory;
  if (seen != nullptr) memory = seen->Take(owner);
  SeenMessages::Workarounds& avoid = memory.Avoid;

  const Capabilities offered = Ask(server, buffer, avoid);
  const bool pipelining = offered.Pipelining && !avoid.OneCommandAtATime;
  const bool wanted = seen != nullptr && offered.Uidl && platform::MonotonicMs() >= avoid.NoListingUntilMs;
  const bool early = wanted && pipelining && !memory.Known.empty();
  const int32_t count = result.StatCount = AskCount(server, buffer, early ? kListingCommands : "");
  const bool listed = early || (wanted && count > 0 && count <= kMaxListed && !server.Gone);
  const UidListing listing =
      listed ? AskUidListing(server, count, FirstExamined(count), early, pipelining) : UidListing();

  // A listing that broke off leaves the poll knowing nothing.
  const bool listingBroke = count >= 0 && listed && server.Gone;
  if (listingBroke) {
    result.StatCount = -1;
    memory.Known.clear();
  } else if (count >= 0) {
    const size_t window = pipelining ? kPipelineWindowBytes : 0;
    Messages vouched = Vouched(listing, memory.Known, FirstExamined(count), count);
    Examination examined = ExamineMessages(server, buffer, count, window, request, result, listing, vouched);
    if (examined.End != Examined::OutOfStep) vouched.merge(examined.Learnt);
    memory.Known = std::move(vouched);
    if (examined.End != Examined::Whole) {
      result.StatCount = -1;
    } else if (!examined.Unreadable.empty() && request.SendErrors != 0) {
      // One report per poll is all the author needs; a box of ten thousand
      // would otherwise open ten thousand mail windows at every poll.
      result.ErrorReport = ErrorReportLine(examined.Unreadable.c_str());
    }
  }
  NoteFailings(server, listingBroke, avoid);
  if (seen != nullptr) seen->Keep(owner, std::move(memory));
}
