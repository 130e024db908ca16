// The STAT command: how many messages the maildrop holds.
#pragma once

#include <cstdint>

#include "mail/Pop3Connection.h"

// Sends STAT, with `alongside` (further commands) in the same write, and
// reads its reply into buffer (kReplyLimit bytes): the count, or -1 when the
// reply is not "+OK", any blanks and a decimal number.
int32_t AskCount(Pop3Connection& server, char* buffer, const char* alongside = "");
