#include "mail/MailboxList.h"

#include <cstdio>
#include <new>

MailboxList::~MailboxList() {
  Clear();
  delete[] Items;
}

int MailboxList::AddBox() {
  Mailbox** grown = new (std::nothrow) Mailbox*[Count + 1];
  if (grown == nullptr) return 0;
  Mailbox* box = new (std::nothrow) Mailbox();
  if (box == nullptr) {
    delete[] grown;
    return 0;
  }
  for (int32_t i = 0; i < Count; ++i) grown[i] = Items[i];
  grown[Count] = box;
  delete[] Items;
  Items = grown;
  Count += 1;
  Current = Count - 1;

  box->Id = NextId;
  char name[32];
  std::snprintf(name, sizeof name, "POP3_%d", static_cast<int>(box->Id));
  box->CheckLock.Reset(platform::OpenLock(name));
  NextId += 1;
  return 1;
}

int MailboxList::RemoveCurrent() {
  if (Count < 2 || !InRange(Current)) return 0;
  Mailbox* box = Items[Current];
  // A lock left by a poll that ended holding it is ours just the same: that
  // poll is over.
  if (platform::TakeLock(box->CheckLock.Get(), kRemoveWaitMs) == platform::LockTake::Busy) return 0;
  // Taken to be sure no poll runs: let go of once the box is gone, then closed.
  const platform::OwnedLock lock(box->CheckLock.Release());
  const platform::HeldLock held(lock.Get());

  const int32_t removed = Current;
  if (removed == Count - 1) Current -= 1;
  Count -= 1;
  for (int32_t i = removed; i < Count; ++i) Items[i] = Items[i + 1];
  delete box;
  return 1;
}

int MailboxList::MoveBox(int32_t from, int32_t to) {
  if (!InRange(from) || !InRange(to)) return 0;
  Mailbox* moved = Items[from];
  Items[from] = Items[to];
  Items[to] = moved;
  Current = to;
  return 1;
}

int MailboxList::SetCurrent(int32_t index) {
  if (!InRange(index)) return 0;
  Current = index;
  return 1;
}

Mailbox* MailboxList::CurrentBox() const { return At(Current); }

Mailbox* MailboxList::At(int32_t index) const { return InRange(index) ? Items[index] : nullptr; }

int32_t MailboxList::IndexOfId(int32_t id) const {
  for (int32_t i = 0; i < Count; ++i) {
    if (Items[i]->Id == id) return i;
  }
  return -1;
}

void MailboxList::Clear() {
  for (int32_t i = 0; i < Count; ++i) delete Items[i];
  Count = 0;
  Current = -1;
}

bool MailboxList::ShowsOldLetters() const {
  for (int32_t i = 0; i < Count; ++i) {
    const Mailbox& box = *Items[i];
    if (box.DoCheckBox != 0 && box.TandrelMode == 0 && box.OldMessageCount() > 0) return true;
  }
  return false;
}
