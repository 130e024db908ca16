// The settings dialog's mailbox bar: which of its buttons work for the
// current box, and the two counters it shows.
#pragma once

#include <cstdint>

struct MailboxNavigation {
  bool First = false;      // also "previous"
  bool MoveFront = false;  // one place towards the front of the list
  bool Next = false;       // also "last"
  bool MoveBack = false;
  bool Add = true;
  bool Delete = false;  // never the only box
  int32_t Number = 0;   // the current box, counted from 1
  int32_t Count = 0;
};

MailboxNavigation NavigationFor(int32_t current, int32_t count);
