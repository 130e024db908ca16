// What a POP3 server offers beyond the basic commands (CAPA, RFC 2449).
#pragma once

#include "mail/Pop3Connection.h"

struct Capabilities {
  bool Pipelining = false;  // commands may be sent without waiting for replies
  bool Uidl = false;        // messages have unique ids
};

// Asks CAPA, reading its reply into buffer (kReplyLimit bytes). A server
// that refuses it offers nothing.
Capabilities AskCapabilities(Pop3Connection& server, char* buffer);
