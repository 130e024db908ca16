// Sorting one message of a date-mode poll into new and already seen mail.
#pragma once

#include <string>

#include "mail/PollRequest.h"

// What a TOP reply turned out to be.
enum class TopReply {
  Dated,      // a header block with a readable date
  Undated,    // a header block without one: worth an error report to the author
  Refused,    // "-ERR": most likely a message deleted since STAT
  OutOfStep,  // neither: the rest of an earlier reply, so every later reply is
              // another message's
};

// Files the letter whose TOP reply this is: new when its delivery date is
// later than the box's LastMsgDate, seen when it is not. A letter whose date
// cannot be read, or whose header was refused, counts as new (Date 0). A
// reply out of step is filed nowhere. A new letter gets its sender and
// subject from `block`, as much of the header block as was read. What was
// read of the letter goes to *read.
TopReply ClassifyReply(const char* reply, const std::string& block, const PollRequest& request,
                       PollResult& result, MessageInfo* read);

// Files a letter whose date is known: as ClassifyReply files a reply that
// carries this date, sender and subject.
void FileLetter(const MessageInfo& letter, const PollRequest& request, PollResult& result);

// The error report's command line for a reply: a mailto: link whose body is
// the reply, percent-encoded so that no quote, ampersand or control character
// of a mail header reaches the command line raw, cut (at whole escapes) so
// the link fits the command runner; the whole in double quotes.
std::string ErrorReportLine(const char* reply);
