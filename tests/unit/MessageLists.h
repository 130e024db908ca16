// Building the message lists a date-mode poll would hand to a box.
#pragma once

#include <initializer_list>

#include "mail/Mailbox.h"

inline void GiveMessages(Mailbox& box, std::initializer_list<int32_t> newDates,
                         std::initializer_list<int32_t> oldDates = {}) {
  MessageList lists[2];
  MessageInfo info;
  for (int list = 0; list < 2; ++list) {
    for (int32_t date : list == 0 ? newDates : oldDates) {
      info.Date = date;
      lists[list].push_back(info);
    }
  }
  MessageList fresh;
  box.PublishMessages(lists[0], lists[1], fresh);
}
