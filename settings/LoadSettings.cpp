#include <algorithm>

#include "app/Application.h"
#include "settings/DefaultCommands.h"
#include "settings/PasswordScrambler.h"
#include "settings/SettingsSection.h"
#include "settings/SettingsStore.h"

const char kBrokenCommandCaption[] = "Исправьте настройки команд";
const char kBrokenCommandLine[] = "\"mailto:vestun@example.org?subject=ошибка команды в Вестуне\"";

namespace {

// What the program's section holds besides the application's own fields.
struct ListCounts {
  int32_t BoxesCount = 1;
  int32_t CommandCount = -1;
  int32_t LastBoxPos = 0;
};

void LoadGlobalValues(SettingsSection& section, Application& app, ListCounts& counts) {
  section.Load("DoAutoCheckNewVer", app.DoAutoCheckNewVer);
  section.Load("LastCheckNewVer", app.LastCheckNewVer);
  section.Load("CheckNewVerPeriod", app.CheckNewVerPeriod);
  section.Load("BoxesCount", counts.BoxesCount);
  section.Load("CommandCount", counts.CommandCount);
  section.Load("LastBoxPos", counts.LastBoxPos);
  section.Load("LastTabPos", app.LastTabPos);
  section.Load("Prompt", app.Prompt);
  section.Load("RunMsminMode", app.RunMsminMode);
  section.Load("LastCensusYear", app.LastCensusYear);
  section.Load("SendErrors", app.SendErrors);
  section.Load("ShowBalloon", app.ShowBalloon);
}

void LoadBoxValues(SettingsSection& section, Mailbox& box) {
  section.Load("BoxName", box.BoxName);
  section.Load("PopServerName", box.PopServerName);
  section.Load("Port", box.Port);
  section.Load("Login", box.Login);
  // A missing password is written as it is in memory: the empty text, whose
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

void LoadBoxes(MailboxList& boxes, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0 && !boxes.AddBox()) return;
    SettingsSection section = SettingsSection::OfMailbox(i + 1);
    if (!section) continue;  // the box keeps its defaults
    LoadBoxValues(section, *boxes.At(i));
    boxes.At(i)->KeyNumber = i + 1;
  }
}

void LoadStoredCommands(CommandList& commands, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    commands.push_back({kBrokenCommandCaption, kBrokenCommandLine});
    Command& command = commands.back();
    SettingsSection section = SettingsSection::OfCommand(i + 1);
    if (!section) continue;
    section.Load("Capt", command.Caption);
    section.Load("Command", command.CommandLine);
  }
}

}  // namespace

bool LoadSettings(Application& app) {
  SettingsSection section = SettingsSection::OfProgram();
  if (!section) return false;
  ListCounts counts;
  LoadGlobalValues(section, app, counts);
  LoadBoxes(app.Boxes, std::min(counts.BoxesCount, kMaxListEntries));
  if (counts.CommandCount > 0)
    LoadStoredCommands(app.UserCommands, std::min(counts.CommandCount, kMaxListEntries));
  if (counts.CommandCount < 0) DefaultCommands(app.UserCommands);
  // Out of range, the box loaded last stays current.
  app.Boxes.SetCurrent(counts.LastBoxPos);
  return true;
}
