// What a date-mode poll learns of one message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MessageInfo {
  // Delivery date on the program's time scale; 0 when it could not be read.
  int32_t Date = 0;
  // Who wrote and about what, in UTF-8, as the letter's header block says;
  // read for new letters only. Shown, never stored.
  std::string Sender;
  std::string Subject;
};

// Messages in the order a poll filed them, which is the order of their numbers.
using MessageList = std::vector<MessageInfo>;
