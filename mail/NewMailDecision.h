// Sorting one message of a date-mode poll into new and already seen mail.
#pragma once

#include <string>

#include "mail/PollRequest.h"

// Files the message whose TOP reply this is: new when its delivery date is
// later than the box's LastMsgDate, seen when it is not. A message whose date
// cannot be read counts as new (Date 0). True when the reply is a header
// block ("+OK" first) without a readable date: worth an error report to the
// author. A "-ERR" (a message deleted since STAT) or noise is not.
bool ClassifyReply(const char* reply, const PollRequest& request, PollResult& result);

// The error report's command line for a reply: a mailto: link whose body is
// the reply, percent-encoded so that no quote, ampersand or control character
// of a mail header reaches the command line raw, cut (at whole escapes) so
// the link fits the command runner; the whole in double quotes.
std::string ErrorReportLine(const char* reply);
