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

void Mailbox::PublishCount(int32_t statCount) {
  std::lock_guard<std::mutex> hold(NewMailLock);
  StatCount = statCount;
}

void Mailbox::PublishMessages(MessageList& newMessages, MessageList& oldMessages) {
  std::lock_guard<std::mutex> hold(NewMailLock);
  NewMessages.Swap(newMessages);
  OldMessages.Swap(oldMessages);
}
