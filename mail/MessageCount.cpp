#include "mail/MessageCount.h"

#include <cstring>
#include <string>

namespace {

int32_t MessageCount(const char* reply) {
  if (std::strncmp(reply, "+OK", 3) != 0) return -1;
  const char* next = reply + 3;
  while (*next == ' ' || *next == '\t' || *next == '\r' || *next == '\n' || *next == '\v' || *next == '\f')
    ++next;
  bool negative = false;
  if (*next == '+' || *next == '-') negative = *next++ == '-';
  if (*next < '0' || *next > '9') return -1;
  int64_t count = 0;
  for (; *next >= '0' && *next <= '9'; ++next) {
    count = count * 10 + (*next - '0');
    if (count > INT32_MAX) return -1;  // no server holds that many; read as a broken reply
  }
  return negative ? -1 : static_cast<int32_t>(count);
}

}  // namespace

int32_t AskCount(Pop3Connection& server, char* buffer, const char* alongside) {
  SendText(server, (std::string("STAT\r\n") + alongside).c_str());
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::Line);
  return MessageCount(buffer);
}
