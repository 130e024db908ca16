// The configured mailboxes in the user's priority order. Used on the main
// thread only; a box's poll runs elsewhere under the box's CheckLock.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mail/Mailbox.h"
#include "platform/Platform.h"

class MailboxList {
 public:
  // The first box gets this Id; Ids only grow, so the late result of a
  // removed box's poll never names a newer box.
  static constexpr int32_t kFirstId = 11024;

  MailboxList() = default;
  MailboxList(const MailboxList&) = delete;
  MailboxList& operator=(const MailboxList&) = delete;

  // Appends a box with every default, makes it current, gives it the next Id
  // and its lock "POP3_<Id>". False when memory for the box ran out (nothing
  // changed).
  bool AddBox();

  // Removes and destroys the current box unless it is the only one or a poll
  // holds it for longer than kRemoveWaitMs. False when refused.
  static constexpr uint32_t kRemoveWaitMs = 2000;
  bool RemoveCurrent();

  // Swaps two boxes and makes `to` current; false when either index is outside.
  bool MoveBox(int32_t from, int32_t to);
  bool SetCurrent(int32_t index);
  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  Mailbox* CurrentBox() const;
  // Null outside the list.
  Mailbox* At(int32_t index) const;
  int32_t IndexOfId(int32_t id) const;

  // Check timers. Arming (on) needs DoCheckBox 1, an Id and TimersReady;
  // it sets the box's timer to Delay seconds and starts its first check at
  // once. True when something was done, false otherwise (also for an armed
  // box).
  bool ArmBoxTimer(int32_t index, bool on);
  // ArmBoxTimer for every box; true when every call returned true.
  bool ArmAllTimers(bool on);

  // Queries of scheduling and notification. "Enabled" is DoCheckBox non-zero,
  // but the first box with new mail must have DoCheckBox exactly 1.
  Mailbox* BoxById(int32_t id) const;
  // The box whose check timer this is; null for null.
  Mailbox* BoxByTimer(platform::Timer timer) const;
  int32_t CountEnabledBoxes() const;
  Mailbox* FirstEnabledBox() const;
  int32_t FirstNewMailIndex() const;
  Mailbox* FirstNewMailBox() const;
  // Whether an enabled date-mode box's last poll found already seen
  // messages: the new-mail list then offers "старые письма".
  bool ShowsOldLetters() const;

  int32_t Current = -1;
  int32_t NextId = kFirstId;
  // The main loop is open and runs the boxes' timers.
  bool TimersReady = false;

 private:
  bool InRange(int32_t index) const { return index >= 0 && index < Count(); }

  // Each box on the heap of its own keeps its address while the list grows,
  // shrinks or is reordered: callers hold a box across calls that may
  // change the list.
  std::vector<std::unique_ptr<Mailbox>> Items;
};
