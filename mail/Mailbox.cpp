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

int32_t Mailbox::NewMailCount() const { return TandrelMode != 0 ? StatCount : NewMessages.Size(); }

void Mailbox::ClearNewMail() {
  StatCount = 0;
  if (TandrelMode == 0) {
    NewMessages.Clear();
    OldMessages.Clear();
  }
}

int Mailbox::AcknowledgeNewMessages(int32_t now) {
  if (TandrelMode != 0 || NewMessages.Size() == 0) return 0;
  for (int32_t i = 0; i < NewMessages.Size(); ++i) {
    const int32_t date = NewMessages.At(i)->Date;
    if (date > LastMsgDate && date <= now) LastMsgDate = date;
  }
  NewMessages.Clear();
  return 1;
}

void Mailbox::PublishCount(int32_t statCount) { StatCount = statCount; }

void Mailbox::PublishMessages(MessageList& newMessages, MessageList& oldMessages) {
  NewMessages.Swap(newMessages);
  OldMessages.Swap(oldMessages);
}
