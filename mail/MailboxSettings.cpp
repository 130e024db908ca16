#include "mail/MailboxSettings.h"

#include "mail/MailboxList.h"
#include "settings/PasswordScrambler.h"
#include "settings/SettingsSection.h"

namespace {

void LoadBox(SettingsSection& section, Mailbox& box) {
  section.Load("BoxName", box.BoxName);
  section.Load("PopServerName", box.PopServerName);
  section.Load("Port", box.Port);
  section.Load("Login", box.Login);
  // A missing password is saved as it is in memory: the empty text, whose
  // scrambled form is the empty text too.
  section.Load("Password", box.Password);
  ScramblePassword(box.Password, ScrambleDirection::Decode);
  section.Load("MsminPath", box.MsminPath);
  section.Load("Delay", box.Delay);
  section.Load("SoundMode", box.SoundMode);
  section.Load("WavPath", box.WavPath);
  section.Load("SpeakerStr", box.SpeakerStr);
  section.Load("SpeakerLen", box.SpeakerLen);
  section.Load("TandrelMode", box.TandrelMode);
  section.Load("DoCheckBox", box.DoCheckBox);
  section.Load("IsTheSameMsmin", box.IsTheSameMsmin);
  section.Load("MsminRunMode", box.MsminRunMode);
  section.Load("LastMsgDate", box.LastMsgDate);
}

void SaveBox(SettingsSection& section, const Mailbox& box) {
  // The box's own password stays plain: a poll may be reading it right now.
  std::string scrambled = box.Password;
  ScramblePassword(scrambled, ScrambleDirection::Encode);
  section.Save("BoxName", box.BoxName);
  section.Save("PopServerName", box.PopServerName);
  section.Save("Port", box.Port);
  section.Save("Login", box.Login);
  section.Save("Password", scrambled);
  section.Save("MsminPath", box.MsminPath);
  section.Save("Delay", box.Delay);
  section.Save("SoundMode", box.SoundMode);
  section.Save("WavPath", box.WavPath);
  section.Save("SpeakerStr", box.SpeakerStr);
  section.Save("SpeakerLen", box.SpeakerLen);
  section.Save("TandrelMode", box.TandrelMode);
  section.Save("DoCheckBox", box.DoCheckBox);
  section.Save("IsTheSameMsmin", box.IsTheSameMsmin);
  section.Save("MsminRunMode", box.MsminRunMode);
  // Kept with the box: after a move or a deletion its number, and so its
  // section, may have been another box's.
  section.Save("LastMsgDate", box.LastMsgDate);
}

}  // namespace

void LoadBoxes(MailboxList& boxes, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0 && !boxes.AddBox()) return;
    SettingsSection section = SettingsSection::OfMailbox(i + 1);
    if (!section) continue;
    LoadBox(section, *boxes.At(i));
    boxes.At(i)->KeyNumber = i + 1;
  }
}

void SaveBoxes(MailboxList& boxes) {
  for (int32_t i = 0; i < boxes.Count(); ++i) {
    Mailbox& box = *boxes.At(i);
    SettingsSection section = SettingsSection::OfMailbox(i + 1);
    box.KeyNumber = section ? i + 1 : 0;
    if (!section) continue;
    SaveBox(section, box);
  }
}

void SaveLastMsgDate(const Mailbox& box) {
  if (box.KeyNumber <= 0) return;
  SettingsSection::OfMailbox(box.KeyNumber).Save("LastMsgDate", box.LastMsgDate);
}
