// One poll of one POP3 mailbox: USER, PASS, STAT, QUIT; in date mode also
// CAPA, LIST and UIDL where the server offers them and the box remembers,
// and TOP n 1 for every message they do not vouch for. Nothing is ever
// deleted or downloaded whole.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mail/PollRequest.h"

// Result codes of a poll; 0 and above are the new-mail count.
constexpr int32_t kPollBusy = -1;  // the box's lock was held, or left by a poll that ended holding it
constexpr int32_t kPollHostNotFound = -2;
constexpr int32_t kPollNoSocket = -3;
constexpr int32_t kPollNotConnected = -4;
constexpr int32_t kPollUserRefused = -5;
constexpr int32_t kPollPasswordRefused = -6;

// In date mode at most this many messages, the newest, are examined.
constexpr int32_t kMaxExamined = 10000;

// The most bytes of TOP commands out unanswered at once, where the server
// takes commands pipelined (RFC 2449): few enough that the server's receive
// buffer always holds them (every TCP stack's default holds 4 KB), so a send
// never waits on a server that has stopped reading while that server waits
// on us; enough that over a slow line the server is rarely idle.
constexpr size_t kPipelineWindowBytes = 4096;

// Polls the mailbox the request describes, holding its lock throughout, and
// ends within the request's PollMs. Fills the result and returns the
// new-mail count or a negative code; the request's Finished, if set, sees
// both before the lock is let go.
int32_t CheckMailbox(const PollRequest& request, PollResult& result);
