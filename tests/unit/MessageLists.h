// Building the message lists a date-mode poll would hand to a box.
#pragma once

#include <initializer_list>

#include "mail/Mailbox.h"

// Gives the box new and already seen messages with these dates.
inline void GiveMessages(Mailbox& box, std::initializer_list<int32_t> newDates,
                         std::initializer_list<int32_t> oldDates = {}) {
  MessageList fresh;
  MessageList seen;
  MessageInfo info;
  for (int32_t date : newDates) {
    info.Date = date;
    fresh.Add(info);
  }
  for (int32_t date : oldDates) {
    info.Date = date;
    seen.Add(info);
  }
  box.PublishMessages(fresh, seen);
}
