// Sorting one message of a date-mode poll into new and already seen mail.
#pragma once

#include <optional>
#include <string>

#include "mail/PollRequest.h"

// Files the message whose TOP reply this is: new when its delivery date is
// later than the box's LastMsgDate, seen when it is not. A message whose date
// cannot be read counts as new (Date 0). True when the reply is a header
// block ("+OK" first) without a readable date: worth an error report to the
// author. A "-ERR" (a message deleted since STAT) or noise is not. The date
// read, if any, goes to *read when given.
bool ClassifyReply(const char* reply, const PollRequest& request, PollResult& result,
                   std::optional<int32_t>* read = nullptr);

// Files a message whose date is known: as ClassifyReply files a reply that
// carries this date.
void FileByDate(int32_t date, const PollRequest& request, PollResult& result);

// The error report's command line for a reply: a mailto: link whose body is
// the reply, percent-encoded so that no quote, ampersand or control character
// of a mail header reaches the command line raw, cut (at whole escapes) so
// the link fits the command runner; the whole in double quotes.
std::string ErrorReportLine(const char* reply);
