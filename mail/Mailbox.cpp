#include "mail/Mailbox.h"

const char kDefaultPopServer[] = "pop.example.ru";

Mailbox::Mailbox()
    : PopServerName(kDefaultPopServer), MsminPath("\"\""), SpeakerStr("!p!!!p!ppp!p!") {}

Mailbox::~Mailbox() {
  if (CheckMutex != nullptr) {
    platform::ReleaseMutexObject(CheckMutex);
    platform::CloseObject(CheckMutex);
  }
}

int32_t Mailbox::NewMailCount() const {
  std::lock_guard<std::mutex> hold(NewMailLock);
  return TandrelMode != 0 ? StatCount : NewMessages.Size();
}

void Mailbox::ClearNewMail() {
  // The records are destroyed after the lock is let go, with the locals.
  MessageList newMessages;
  MessageList oldMessages;
  std::lock_guard<std::mutex> hold(NewMailLock);
  StatCount = 0;
  if (TandrelMode == 0) {
    NewMessages.Swap(newMessages);
    OldMessages.Swap(oldMessages);
  }
}

int Mailbox::AcknowledgeNewMessages(int32_t now) {
  MessageList acknowledged;
  std::lock_guard<std::mutex> hold(NewMailLock);
  if (TandrelMode != 0 || NewMessages.Size() == 0) return 0;
  for (int32_t i = 0; i < NewMessages.Size(); ++i) {
    const int32_t date = NewMessages.At(i)->Date;
    // Differences, not comparisons, as the dates may sit near the ends of
    // the 32-bit range; computed wide so they cannot overflow.
    if (int64_t{date} - LastMsgDate > 0 && int64_t{now} - date >= 0) LastMsgDate = date;
  }
  NewMessages.Swap(acknowledged);
  return 1;
}

void Mailbox::PublishCount(int32_t statCount) {
  std::lock_guard<std::mutex> hold(NewMailLock);
  StatCount = statCount;
}

void Mailbox::PublishMessages(MessageList& newMessages, MessageList& oldMessages) {
  std::lock_guard<std::mutex> hold(NewMailLock);
  NewMessages.Swap(newMessages);
  OldMessages.Swap(oldMessages);
}
