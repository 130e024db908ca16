// What a date-mode poll learns of one message.
#pragma once

#include <cstdint>

#include "common/OwnedList.h"

class MessageInfo {
 public:
  virtual ~MessageInfo() = default;

  // Delivery date on the program's time scale; 0 when it could not be read.
  int32_t Date = 0;
};

using MessageList = OwnedList<MessageInfo>;
