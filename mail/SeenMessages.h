// What the date-mode polls of one mailbox have learnt: each message's
// delivery date by its unique id (UIDL), so that a poll asks for the header
// blocks of new messages only, and what the server failed at, so that the
// next poll goes around it. Held in memory for as long as the program runs;
// the registry never sees it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

class SeenMessages {
 public:
  // A message read before: its delivery date, its number and size then, and
  // who wrote it and about what where it was new (an old one is never shown).
  struct Message {
    int32_t Date;
    int32_t Number;
    uint64_t Size;
    std::string Sender;
    std::string Subject;
  };
  using Messages = std::unordered_map<std::string, Message>;

  // What the server could not do. The poll that met the failure may fail;
  // the next goes without.
  struct Workarounds {
    // CAPA was answered by nothing usable in time, or ended the connection.
    bool SkipCapa = false;
    // Commands sent together were lost: one command at a time.
    bool OneCommandAtATime = false;
    // A listing broke off: until then (platform::MonotonicMs) the box is
    // read whole, without asking for one.
    uint64_t NoListingUntilMs = 0;
  };

  struct Recollection {
    Messages Known;
    Workarounds Avoid;
  };

  // Takes out what was learnt of the mailbox `owner` names (its server,
  // port, login and TLS setting), leaving nothing behind: a poll of a box
  // whose settings have changed since gets nothing, and two polls of one box
  // can never both use it.
  Recollection Take(const std::string& owner);
  // Keeps what a poll of `owner` learnt, in place of everything before.
  void Keep(const std::string& owner, Recollection recollection);

 private:
  std::mutex Lock;
  std::string Owner;
  Recollection Kept;
};
