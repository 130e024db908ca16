// One configured POP3 mailbox: how to reach it, how to signal its mail, and
// what its last poll found.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "mail/MessageInfo.h"
#include "mail/SeenMessages.h"
#include "platform/Owned.h"
#include "platform/Platform.h"

// Stands in for a real server until the user enters one. It is under the
// reserved .invalid domain, so a first start that polls it reaches no one.
extern const char kDefaultPopServer[];

// The shortest poll interval, in seconds, that the program runs.
constexpr int32_t kMinDelay = 20;

// A new box's speaker melody and step, which "По умолчанию" on the mailbox
// page gives back.
extern const char kDefaultMelody[];
constexpr uint32_t kDefaultStepMs = 100;

// Opens the named lock "POP3_<Id>" that the polls of the box with this Id
// take in turn, and that removing the box waits for.
platform::Lock OpenCheckLock(int32_t boxId);

class Mailbox {
 public:
  Mailbox();
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  std::string PopServerName;
  std::string Login;
  std::string Password;  // plain in memory; scrambled only in the registry
  std::string MsminPath;
  int32_t Delay = 60;
  int32_t SoundMode = 0;
  std::string WavPath;
  std::string SpeakerStr;
  uint32_t SpeakerLen = kDefaultStepMs;
  uint32_t Port = 110;
  std::string BoxName;
  int32_t TandrelMode = 1;  // non-zero: count mode
  int32_t DoCheckBox = 1;
  int32_t IsTheSameMsmin = 0;
  int32_t MsminRunMode = 0;
  int32_t LastMsgDate = 0;

  // The new-mail state lives on the main thread alone: a poll's worker
  // thread never touches a box, it hands its finished result to the main
  // thread, which publishes it here. So nothing is shared, nothing waits for
  // the network, and no record is freed under a reader.
  int32_t NewMailCount() const;
  // Date mode: the messages of the last poll that were already seen.
  int32_t OldMessageCount() const;
  // The period of the box's check timer: Delay seconds, but never less than
  // kMinDelay (a Delay of 0 or below from the registry would start a poll
  // every few milliseconds) nor more than a window timer takes. Delay itself
  // stays as stored.
  uint32_t TimerPeriodMs() const;
  void ClearNewMail();
  // Acknowledges a date-mode box's new messages: LastMsgDate advances to the
  // latest of their dates that is later than it and not after `now` (dates
  // of 0, unreadable ones, never advance it) and the new messages are
  // emptied. True when the box is in date mode and had new messages, which
  // is when LastMsgDate must be stored.
  bool AcknowledgeNewMessages(int32_t now);
  // Count mode: the message count of a successful STAT. True when it rose
  // above the count last announced: worth announcing.
  bool PublishCount(int32_t statCount);
  // Date mode: the lists of a finished poll replace the box's lists, with
  // every new message filed again against the box's LastMsgDate now. The
  // arguments are left in an unspecified state. Copies of the new messages
  // that no earlier poll announced go to `fresh`: a letter is announced by
  // the poll that first finds it new and never again, also when an
  // acknowledgement leaves it new (its date unreadable).
  void PublishMessages(MessageList& newMessages, MessageList& oldMessages, MessageList& fresh);

  // The box's check timer, while it is armed.
  platform::OwnedTimer CheckTimer;
  int32_t Id = -1;
  // The number of the settings section (registry key "MailBoxes\N") the box
  // was last loaded from or saved to; 0 for a box never stored. A box's place
  // in the list is not enough: while the settings dialog has boxes moved or
  // deleted and not yet saved, that place's section still holds another box.
  int32_t KeyNumber = 0;
  platform::OwnedLock CheckLock;
  // What the box's date-mode polls have read, handed to each poll; only the
  // polls, one at a time under CheckLock, look inside.
  const std::shared_ptr<SeenMessages> Seen = std::make_shared<SeenMessages>();

 private:
  int32_t StatCount = 0;
  MessageList NewMessages;
  MessageList OldMessages;
  // What was announced: the count in count mode, the new letters (by date,
  // sender and subject) of the last publication in date mode.
  int32_t AnnouncedCount = 0;
  std::set<std::string> Announced;
};
