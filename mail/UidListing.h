// A maildrop's unique ids as UIDL lists them (RFC 1939): what lets a poll
// know a message it has read before.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mail/Pop3Connection.h"

// A box of more messages than this is examined without its listing, as if
// the server had none: a listing of every message would be asked for only
// the newest kMaxExamined of them.
constexpr int32_t kMaxListed = 100000;

class UidListing {
 public:
  // The id of message `number` when the listing vouches for it: it came
  // whole and well-formed and gave the message an id no other message has.
  // Empty otherwise: such a message is read, whatever was read before.
  const std::string& IdOf(int64_t number) const;

 private:
  friend UidListing ReadUidListing(Pop3Connection& server, int32_t count, int32_t first);
  int64_t First = 1;
  std::vector<std::string> Ids;  // of messages First.., empty where unknown
};

// Reads the reply to UIDL, the listing of a maildrop of `count` messages
// (-1: STAT failed), for the messages first..count. A listing with a bad
// line, a number out of range or listed twice, more lines than messages, or
// a refusal vouches for no id, nor does one of more than kMaxListed
// messages; one cut short by the connection or its time-out, or longer than
// kMaxListed good lines and a discard limit, leaves the connection gone.
UidListing ReadUidListing(Pop3Connection& server, int32_t count, int32_t first);
