#include <algorithm>

#include "app/Application.h"
#include "settings/DefaultCommands.h"
#include "settings/PasswordScrambler.h"
#include "settings/RegistryAccess.h"
#include "settings/SettingsStore.h"

using registry::ReadOrWrite;

const char kBrokenCommandCaption[] = "Исправьте настройки команд";
const char kBrokenCommandLine[] = "\"mailto:vestun@example.org?subject=ошибка команды в Вестуне\"";

namespace {

// What the Settings key holds besides the application's own fields.
struct ListCounts {
  int32_t BoxesCount = 1;
  int32_t CommandCount = -1;
  int32_t LastBoxPos = 0;
};

void LoadGlobalValues(platform::OwnedKey& key, Application& app, ListCounts& counts) {
  ReadOrWrite(key, "DoAutoCheckNewVer", app.DoAutoCheckNewVer);
  ReadOrWrite(key, "LastCheckNewVer", app.LastCheckNewVer);
  ReadOrWrite(key, "CheckNewVerPeriod", app.CheckNewVerPeriod);
  ReadOrWrite(key, "BoxesCount", counts.BoxesCount);
  ReadOrWrite(key, "CommandCount", counts.CommandCount);
  ReadOrWrite(key, "LastBoxPos", counts.LastBoxPos);
  ReadOrWrite(key, "LastTabPos", app.LastTabPos);
  ReadOrWrite(key, "Prompt", app.Prompt);
  ReadOrWrite(key, "RunMsminMode", app.RunMsminMode);
  ReadOrWrite(key, "LastCensusYear", app.LastCensusYear);
  ReadOrWrite(key, "SendErrors", app.SendErrors);
  ReadOrWrite(key, "ShowBalloon", app.ShowBalloon);
}

void LoadBoxValues(platform::OwnedKey& key, Mailbox& box) {
  ReadOrWrite(key, "BoxName", box.BoxName);
  ReadOrWrite(key, "PopServerName", box.PopServerName);
  ReadOrWrite(key, "Port", box.Port);
  ReadOrWrite(key, "Login", box.Login);
  // A missing password is written as it is in memory: the empty text, whose
  // scrambled form is the empty text too.
  ReadOrWrite(key, "Password", box.Password);
  ScramblePassword(box.Password, ScrambleDirection::Decode);
  ReadOrWrite(key, "MsminPath", box.MsminPath);
  ReadOrWrite(key, "Delay", box.Delay);
  ReadOrWrite(key, "SoundMode", box.SoundMode);
  ReadOrWrite(key, "WavPath", box.WavPath);
  ReadOrWrite(key, "SpeakerStr", box.SpeakerStr);
  ReadOrWrite(key, "SpeakerLen", box.SpeakerLen);
  ReadOrWrite(key, "TandrelMode", box.TandrelMode);
  ReadOrWrite(key, "DoCheckBox", box.DoCheckBox);
  ReadOrWrite(key, "IsTheSameMsmin", box.IsTheSameMsmin);
  ReadOrWrite(key, "MsminRunMode", box.MsminRunMode);
  ReadOrWrite(key, "LastMsgDate", box.LastMsgDate);
}

void LoadBoxes(MailboxList& boxes, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0 && !boxes.AddBox()) return;
    platform::OwnedKey key = registry::OpenOrCreateNumberedKey(registry::kMailBoxesPrefix, i + 1);
    if (!key) continue;  // the box keeps its defaults
    LoadBoxValues(key, *boxes.At(i));
    boxes.At(i)->KeyNumber = i + 1;
  }
}

void LoadStoredCommands(CommandList& commands, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    commands.push_back({kBrokenCommandCaption, kBrokenCommandLine});
    Command& command = commands.back();
    platform::OwnedKey key = registry::OpenOrCreateNumberedKey(registry::kCommandsPrefix, i + 1);
    if (!key) continue;
    ReadOrWrite(key, "Capt", command.Caption);
    ReadOrWrite(key, "Command", command.CommandLine);
  }
}

}  // namespace

bool LoadSettings(Application& app) {
  platform::OwnedKey key = registry::OpenOrCreateKey(registry::kSettingsKey);
  if (!key) return false;
  ListCounts counts;
  LoadGlobalValues(key, app, counts);
  LoadBoxes(app.Boxes, std::min(counts.BoxesCount, kMaxListEntries));
  if (counts.CommandCount > 0)
    LoadStoredCommands(app.UserCommands, std::min(counts.CommandCount, kMaxListEntries));
  if (counts.CommandCount < 0) DefaultCommands(app.UserCommands);
  // Out of range, the box loaded last stays current.
  app.Boxes.SetCurrent(counts.LastBoxPos);
  return true;
}
