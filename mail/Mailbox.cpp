#include "mail/Mailbox.h"

#include <cstdio>

const char kDefaultPopServer[] = "pop.example.invalid";
const char kDefaultMelody[] = "!p!!!p!ppp!p!";

platform::Lock OpenCheckLock(int32_t boxId) {
  char name[32];
  std::snprintf(name, sizeof name, "POP3_%d", static_cast<int>(boxId));
  return platform::OpenLock(name);
}

Mailbox::Mailbox() : PopServerName(kDefaultPopServer), MsminPath("\"\""), SpeakerStr(kDefaultMelody) {}

uint32_t Mailbox::TimerPeriodMs() const {
  constexpr int64_t kLongestTimerMs = 0x7FFFFFFF;
  const int64_t period = int64_t{Delay < kMinDelay ? kMinDelay : Delay} * 1000;
  return static_cast<uint32_t>(period < kLongestTimerMs ? period : kLongestTimerMs);
}

int32_t Mailbox::NewMailCount() const {
  return TandrelMode != 0 ? StatCount : static_cast<int32_t>(NewMessages.size());
}

int32_t Mailbox::OldMessageCount() const { return static_cast<int32_t>(OldMessages.size()); }

void Mailbox::ClearNewMail() {
  StatCount = 0;
  if (TandrelMode == 0) {
    NewMessages.clear();
    OldMessages.clear();
  }
}

bool Mailbox::AcknowledgeNewMessages(int32_t now) {
  if (TandrelMode != 0 || NewMessages.empty()) return false;
  for (const MessageInfo& message : NewMessages) {
    if (message.Date > LastMsgDate && message.Date <= now) LastMsgDate = message.Date;
  }
  NewMessages.clear();
  return true;
}

namespace {

std::string KeyOf(const MessageInfo& message) {
  return std::to_string(message.Date) + '\n' + message.Sender + '\n' + message.Subject;
}

}  // namespace

bool Mailbox::PublishCount(int32_t statCount) {
  StatCount = statCount;
  const bool rose = statCount > AnnouncedCount;
  AnnouncedCount = statCount;
  return rose;
}

void Mailbox::PublishMessages(MessageList& newMessages, MessageList& oldMessages, MessageList& fresh) {
  // The poll filed its messages against LastMsgDate as it stood when the
  // poll started. The user may have acknowledged them since: file them again
  // against today's value, so that no result brings acknowledged mail back.
  // LastMsgDate only grows, so what was seen stays seen; unreadable dates
  // (0) stay new, as at every poll.
  MessageList stillNew;
  for (MessageInfo& message : newMessages) {
    (message.Date == 0 || message.Date > LastMsgDate ? stillNew : oldMessages).push_back(std::move(message));
  }
  NewMessages.swap(stillNew);
  OldMessages.swap(oldMessages);
  // Only what is still new stays announced: a letter acknowledged is gone
  // from the list for good, unless its date is unreadable, and then it must
  // stay announced.
  std::set<std::string> announced;
  for (const MessageInfo& message : NewMessages) {
    std::string key = KeyOf(message);
    if (Announced.count(key) == 0) fresh.push_back(message);
    announced.insert(std::move(key));
  }
  Announced.swap(announced);
}
