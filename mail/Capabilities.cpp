#include "mail/Capabilities.h"

#include <cctype>
#include <cstring>

namespace {

// Whether a capability line names this capability, in any case.
bool Names(const char* line, const char* name) {
  for (; *name != '\0'; ++line, ++name) {
    if (std::toupper(static_cast<unsigned char>(*line)) != *name) return false;
  }
  return *line == ' ' || *line == '\r' || *line == '\n' || *line == '\0';
}

}  // namespace

Capabilities AskCapabilities(Pop3Connection& server, char* buffer) {
  Capabilities offered;
  SendText(server, "CAPA\r\n");
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::MultiLine);
  if (std::strncmp(buffer, "+OK", 3) != 0) return offered;
  for (const char* line = std::strstr(buffer, "\r\n"); line != nullptr; line = std::strstr(line, "\r\n")) {
    line += 2;
    offered.Pipelining = offered.Pipelining || Names(line, "PIPELINING");
    offered.Uidl = offered.Uidl || Names(line, "UIDL");
  }
  return offered;
}
