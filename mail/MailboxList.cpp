#include "mail/MailboxList.h"

#include <new>
#include <utility>

bool MailboxList::AddBox() {
  std::unique_ptr<Mailbox> box(new (std::nothrow) Mailbox());
  if (box == nullptr) return false;
  box->Id = NextId;
  box->CheckLock.Reset(OpenCheckLock(box->Id));
  Items.push_back(std::move(box));
  Current = Count() - 1;
  NextId += 1;
  return true;
}

bool MailboxList::RemoveCurrent() {
  if (Count() < 2 || !InRange(Current)) return false;
  Mailbox& box = *Items[Current];
  // A lock left by a poll that ended holding it is ours just the same: that
  // poll is over.
  if (platform::TakeLock(box.CheckLock.Get(), kRemoveWaitMs) == platform::LockTake::Busy) return false;
  // Taken to be sure no poll runs: let go of once the box is gone, then closed.
  const platform::OwnedLock lock(box.CheckLock.Release());
  const platform::HeldLock held(lock.Get());

  Items.erase(Items.begin() + Current);
  if (Current == Count()) Current -= 1;
  return true;
}

bool MailboxList::MoveBox(int32_t from, int32_t to) {
  if (!InRange(from) || !InRange(to)) return false;
  std::swap(Items[from], Items[to]);
  Current = to;
  return true;
}

bool MailboxList::SetCurrent(int32_t index) {
  if (!InRange(index)) return false;
  Current = index;
  return true;
}

Mailbox* MailboxList::CurrentBox() const { return At(Current); }

Mailbox* MailboxList::At(int32_t index) const { return InRange(index) ? Items[index].get() : nullptr; }

int32_t MailboxList::IndexOfId(int32_t id) const {
  for (int32_t i = 0; i < Count(); ++i) {
    if (Items[i]->Id == id) return i;
  }
  return -1;
}

bool MailboxList::ShowsOldLetters() const {
  for (const auto& box : Items) {
    if (box->DoCheckBox != 0 && box->TandrelMode == 0 && box->OldMessageCount() > 0) return true;
  }
  return false;
}

bool MailboxList::ArmBoxTimer(int32_t index, bool on) {
  Mailbox* box = At(index);
  if (box == nullptr || box->Id == -1) return false;
  if (on && box->DoCheckBox != 1) return false;
  if (!TimersReady) return false;
  if (!box->CheckTimer) {
    if (!on) return false;
    box->CheckTimer.Reset(platform::StartTimer(box->TimerPeriodMs()));
    // The first check starts now, not a whole period later.
    platform::RaiseTimerNow(box->CheckTimer.Get());
    return true;
  }
  if (on) return false;
  box->CheckTimer.Reset();
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

Mailbox* MailboxList::BoxByTimer(platform::Timer timer) const {
  if (timer == nullptr) return nullptr;
  for (const auto& box : Items) {
    if (box->CheckTimer.Get() == timer) return box.get();
  }
  return nullptr;
}

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
