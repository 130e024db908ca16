// The mailbox list's timers and the queries that scheduling and the tray ask.
#include "mail/MailboxList.h"

bool MailboxList::ArmBoxTimer(int32_t index, bool on) {
  Mailbox* box = At(index);
  if (box == nullptr || box->Id == -1) return false;
  if (on && box->DoCheckBox != 1) return false;
  if (!TimersReady) return false;
  if (box->TimerArmed == 0) {
    if (!on) return false;
    if (platform::StartTimer(static_cast<uintptr_t>(box->Id), box->TimerPeriodMs())) {
      box->TimerArmed = 1;
    }
    // The first check starts now, not a whole period later.
    platform::RaiseTimerNow(static_cast<uintptr_t>(box->Id));
    return true;
  }
  if (on) return false;
  if (platform::StopTimer(static_cast<uintptr_t>(box->Id))) box->TimerArmed = 0;
  return true;
}

bool MailboxList::ArmAllTimers(bool on) {
  bool all = true;
  for (int32_t i = 0; i < Count(); ++i) {
    if (!ArmBoxTimer(i, on)) all = false;
  }
  return all;
}

Mailbox* MailboxList::BoxById(int32_t id) const { return At(IndexOfId(id)); }

int32_t MailboxList::CountEnabledBoxes() const {
  int32_t enabled = 0;
  for (const auto& box : Items) enabled += box->DoCheckBox != 0 ? 1 : 0;
  return enabled;
}

Mailbox* MailboxList::FirstEnabledBox() const {
  for (const auto& box : Items) {
    if (box->DoCheckBox != 0) return box.get();
  }
  return nullptr;
}

int32_t MailboxList::FirstNewMailIndex() const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Items[i]->DoCheckBox == 1 && Items[i]->NewMailCount() > 0) return i;
  }
  return -1;
}

Mailbox* MailboxList::FirstNewMailBox() const { return At(FirstNewMailIndex()); }
