// What the date-mode polls of one mailbox have read: each message's delivery
// date by its unique id (UIDL), so that a poll asks for the header blocks of new
// messages only. Held in memory for as long as the program runs; the
// registry never sees it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

class SeenMessages {
 public:
  // A message read before: its delivery date, and its number then.
  struct Message {
    int32_t Date;
    int32_t Number;
  };
  using Messages = std::unordered_map<std::string, Message>;

  // Takes out what was learnt of the mailbox `owner` names (its server,
  // port, login and TLS setting), leaving nothing behind: a poll of a box
  // whose settings have changed since gets nothing, and two polls of one box
  // can never both use it.
  Messages Take(const std::string& owner);
  // Keeps what a poll of `owner` learnt, in place of everything before.
  void Keep(const std::string& owner, Messages messages);

 private:
  std::mutex Lock;
  std::string Owner;
  Messages Known;
};
