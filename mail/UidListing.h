// A maildrop's listings (RFC 1939): each message's unique id (UIDL) and its
// size (LIST), what lets a poll know a message it has read before.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mail/Pop3Connection.h"

// A box of more messages than this is examined without its listings, as if
// the server had none: a listing of every message would be asked for only
// the newest kMaxExamined of them.
constexpr int32_t kMaxListed = 100000;

// A listing may take the reply time-out and this much more for each
// message, so that a long one over a slow line still comes whole.
constexpr uint32_t kListingMsPerMessage = 2;

// The commands that ask for both listings, in the order they are read, as
// they go out together with STAT where the server takes pipelined commands.
constexpr char kListingCommands[] = "LIST\r\nUIDL\r\n";

class UidListing {
 public:
  struct Entry {
    std::string Id;
    uint64_t Size = 0;
  };
  // Message `number` as the listings give it, when they vouch for it: both
  // came whole and well-formed, and no other message has its id. Null
  // otherwise: such a message is read, whatever was read before.
  const Entry* Of(int64_t number) const;

 private:
  friend UidListing AskUidListing(Pop3Connection& server, int32_t count, int32_t first, bool asked,
                                  bool pipelined);
  int64_t First = 1;
  std::vector<Entry> Entries;  // of messages First.., an empty id where unknown
};

// Asks for LIST and UIDL of a maildrop of `count` messages (-1: STAT
// failed), in one write where the server takes pipelined commands, unless
// they were `asked` already, and reads them for the messages first..count.
// A listing with a bad line, a number out of range or listed twice, more
// lines than messages, or a refusal vouches for nothing, nor does one of
// more than kMaxListed messages; one cut short by the connection or its
// time-out, or longer than kMaxListed good lines and a discard limit,
// leaves the connection gone.
UidListing AskUidListing(Pop3Connection& server, int32_t count, int32_t first, bool asked, bool pipelined);
