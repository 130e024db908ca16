#include "mail/HeaderRequests.h"

#include "mail/HeaderFields.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

HeaderRequests::HeaderRequests(Pop3Connection& server, std::vector<int32_t> numbers, size_t windowBytes)
    : Server(server), Numbers(std::move(numbers)), Window(windowBytes) {}

void HeaderRequests::Send() {
  std::string batch;
  for (; Next < Numbers.size(); ++Next) {
    char command[32];
    std::snprintf(command, sizeof command, "TOP %d 1\r\n", static_cast<int>(Numbers[Next]));
    const size_t size = std::strlen(command);
    if (!Sizes.empty() && Bytes + size > Window) break;
    batch += command;
    Sizes.push_back(size);
    Bytes += size;
  }
  if (!batch.empty()) SendText(Server, batch.c_str());
}

size_t HeaderRequests::Receive(char* buffer, std::string* block) {
  if (!Sizes.empty()) {
    Bytes -= Sizes.front();
    Sizes.pop_front();
  }
  return ReceiveReply(Server, buffer, kReplyLimit, ReplyEnd::MultiLine, block, kHeaderBlockLimit);
}
