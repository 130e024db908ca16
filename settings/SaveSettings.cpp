#include "app/Application.h"
#include "settings/PasswordScrambler.h"
#include "settings/RegistryAccess.h"
#include "settings/SettingsStore.h"

using registry::WriteDwordValue;
using registry::WriteStringValue;

namespace {

void SaveGlobalValues(platform::OwnedKey& key, const Application& app) {
  WriteDwordValue(key, "LastTabPos", app.LastTabPos);
  WriteDwordValue(key, "LastBoxPos", app.Boxes.Current);
  WriteDwordValue(key, "DoAutoCheckNewVer", app.DoAutoCheckNewVer);
  WriteDwordValue(key, "CheckNewVerPeriod", app.CheckNewVerPeriod);
  WriteDwordValue(key, "BoxesCount", app.Boxes.Count());
  WriteDwordValue(key, "CommandCount", static_cast<int32_t>(app.UserCommands.size()));
  WriteStringValue(key, "Prompt", app.Prompt.c_str());
  WriteDwordValue(key, "RunMsminMode", app.RunMsminMode);
  WriteDwordValue(key, "SendErrors", app.SendErrors);
  WriteDwordValue(key, "ShowBalloon", app.ShowBalloon);
}

void SaveBoxValues(platform::OwnedKey& key, const Mailbox& box) {
  // The box's own password stays plain: a poll may be reading it right now.
  std::string scrambled = box.Password;
  ScramblePassword(scrambled, ScrambleDirection::Encode);
  WriteStringValue(key, "BoxName", box.BoxName.c_str());
  WriteStringValue(key, "PopServerName", box.PopServerName.c_str());
  WriteDwordValue(key, "Port", static_cast<int32_t>(box.Port));
  WriteStringValue(key, "Login", box.Login.c_str());
  WriteStringValue(key, "Password", scrambled.c_str());
  WriteStringValue(key, "MsminPath", box.MsminPath.c_str());
  WriteDwordValue(key, "Delay", box.Delay);
  WriteDwordValue(key, "SoundMode", box.SoundMode);
  WriteStringValue(key, "WavPath", box.WavPath.c_str());
  WriteStringValue(key, "SpeakerStr", box.SpeakerStr.c_str());
  WriteDwordValue(key, "SpeakerLen", static_cast<int32_t>(box.SpeakerLen));
  WriteDwordValue(key, "TandrelMode", box.TandrelMode);
  WriteDwordValue(key, "DoCheckBox", box.DoCheckBox);
  WriteDwordValue(key, "IsTheSameMsmin", box.IsTheSameMsmin);
  WriteDwordValue(key, "MsminRunMode", box.MsminRunMode);
  // Kept with the box: after a move or a deletion its number, and so its
  // key, may have been another box's.
  WriteDwordValue(key, "LastMsgDate", box.LastMsgDate);
}

// A box whose key could not be opened has none of its own any more: the
// key it had may hold another box now.
void SaveBoxes(MailboxList& boxes) {
  for (int32_t i = 0; i < boxes.Count(); ++i) {
    Mailbox& box = *boxes.At(i);
    platform::OwnedKey key = registry::OpenOrCreateNumberedKey(registry::kMailBoxesPrefix, i + 1);
    box.KeyNumber = key ? i + 1 : 0;
    if (!key) continue;
    SaveBoxValues(key, box);
  }
}

void SaveCommands(const CommandList& commands) {
  int32_t number = 0;
  for (const Command& command : commands) {
    platform::OwnedKey key = registry::OpenOrCreateNumberedKey(registry::kCommandsPrefix, ++number);
    if (!key) continue;
    WriteStringValue(key, "Capt", command.Caption.c_str());
    WriteStringValue(key, "Command", command.CommandLine.c_str());
  }
}

}  // namespace

void SaveSettings(Application& app) {
  platform::OwnedKey key = registry::OpenOrCreateKey(registry::kSettingsKey);
  if (!key) return;
  SaveGlobalValues(key, app);
  SaveBoxes(app.Boxes);
  SaveCommands(app.UserCommands);
}
