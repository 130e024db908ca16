// Building the message lists a date-mode poll would hand to a box.
#pragma once

#include <initializer_list>

#include "mail/Mailbox.h"

inline void GiveMessages(Mailbox& box, std::initializer_list<int32_t> newDates,
                         std::initializer_list<int32_t> oldDates = {}) {
  MessageList lists[3];
  for (int32_t date : newDates) lists[0].push_back({date, "", ""});
  for (int32_t date : oldDates) lists[1].push_back({date, "", ""});
  box.PublishMessages(lists[0], lists[1], lists[2]);
}
