#include "app/ApplicationSettings.h"

#include <algorithm>

#include "app/Application.h"
#include "mail/MailboxSettings.h"
#include "settings/CommandSettings.h"
#include "settings/DefaultCommands.h"
#include "settings/SettingsSection.h"

namespace {

// What the program's section holds besides the application's own fields.
struct ListCounts {
  int32_t BoxesCount = 1;
  int32_t CommandCount = -1;
  int32_t LastBoxPos = 0;
};

void LoadProgramValues(SettingsSection& section, Application& app, ListCounts& counts) {
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

void SaveProgramValues(SettingsSection& section, const Application& app) {
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

}  // namespace

bool LoadSettings(Application& app) {
  SettingsSection section = SettingsSection::OfProgram();
  if (!section) return false;
  ListCounts counts;
  LoadProgramValues(section, app, counts);
  LoadBoxes(app.Boxes, std::min(counts.BoxesCount, kMaxListEntries));
  if (counts.CommandCount > 0) LoadCommands(app.UserCommands, std::min(counts.CommandCount, kMaxListEntries));
  if (counts.CommandCount < 0) DefaultCommands(app.UserCommands);
  // Out of range, the box loaded last stays current.
  app.Boxes.SetCurrent(counts.LastBoxPos);
  return true;
}

void SaveSettings(Application& app) {
  SettingsSection section = SettingsSection::OfProgram();
  if (!section) return;
  SaveProgramValues(section, app);
  SaveBoxes(app.Boxes);
  SaveCommands(app.UserCommands);
}
