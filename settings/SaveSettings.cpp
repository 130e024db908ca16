#include "app/Application.h"
#include "settings/PasswordScrambler.h"
#include "settings/SettingsSection.h"
#include "settings/SettingsStore.h"

namespace {

void SaveGlobalValues(SettingsSection& section, const Application& app) {
  section.Save("LastTabPos", app.LastTabPos);
  section.Save("LastBoxPos", app.Boxes.Current);
  section.Save("DoAutoCheckNewVer", app.DoAutoCheckNewVer);
  section.Save("CheckNewVerPeriod", app.CheckNewVerPeriod);
  section.Save("BoxesCount", app.Boxes.Count());
  section.Save("CommandCount", static_cast<int32_t>(app.UserCommands.size()));
  section.Save("Prompt", app.Prompt);
  section.Save("RunMsminMode", app.RunMsminMode);
  section.Save("SendErrors", app.SendErrors);
  section.Save("ShowBalloon", app.ShowBalloon);
}

void SaveBoxValues(SettingsSection& section, const Mailbox& box) {
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
  // key, may have been another box's.
  section.Save("LastMsgDate", box.LastMsgDate);
}

// A box whose key could not be opened has none of its own any more: the
// key it had may hold another box now.
void SaveBoxes(MailboxList& boxes) {
  for (int32_t i = 0; i < boxes.Count(); ++i) {
    Mailbox& box = *boxes.At(i);
    SettingsSection section = SettingsSection::OfMailbox(i + 1);
    box.KeyNumber = section ? i + 1 : 0;
    if (!section) continue;
    SaveBoxValues(section, box);
  }
}

void SaveCommands(const CommandList& commands) {
  int32_t number = 0;
  for (const Command& command : commands) {
    SettingsSection section = SettingsSection::OfCommand(++number);
    if (!section) continue;
    section.Save("Capt", command.Caption);
    section.Save("Command", command.CommandLine);
  }
}

}  // namespace

void SaveSettings(Application& app) {
  SettingsSection section = SettingsSection::OfProgram();
  if (!section) return;
  SaveGlobalValues(section, app);
  SaveBoxes(app.Boxes);
  SaveCommands(app.UserCommands);
}
