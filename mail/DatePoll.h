// A date-mode poll after the login: which messages are new, by the delivery
// date of each one's header block, asking the server for as few header
// blocks as it can be trusted to spare.
#pragma once

#include "mail/PollRequest.h"
#include "mail/Pop3Connection.h"

// CAPA, STAT, the listings where they can spare reading headers, and TOP for
// every examined message they do not vouch for; files the messages into the
// result. A poll that could not examine what it set out to (the connection
// lost, a reply timed out or out of step) leaves StatCount at -1: the box
// keeps its state, as after a failed STAT.
void PollByDate(Pop3Connection& server, char* buffer, const PollRequest& request, PollResult& result);
