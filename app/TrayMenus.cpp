#include "app/TrayMenus.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/MailOpening.h"
#include "common/Texts.h"
#include "mail/CommandRunner.h"

namespace {

constexpr char kBadCommand[] = "Неверная команда\nХотите исправить?";
constexpr char kReallyExit[] = "Точно выход?";
constexpr char kBadMailProgram[] = "Путь к почтовой программе указан не верно!\nХотите исправить?";
constexpr char kSettingsItem[] = "Настройки";
constexpr char kStatisticsItem[] = "Статистика";
constexpr char kAboutItem[] = "О программе";
constexpr char kExitItem[] = "Выход";

struct ItemText {
  char text[kMenuItemSize];
};

// Holds the modal guard, when it could be taken, for as long as it lives.
struct ModalHold {
  explicit ModalHold(Application& app) : App(app), Taken(app.EnterModal()) {}
  ModalHold(const ModalHold&) = delete;
  ModalHold& operator=(const ModalHold&) = delete;
  ~ModalHold() {
    if (Taken) App.LeaveModal();
  }
  Application& App;
  const bool Taken;
};

// The tray menu's own items with the user's commands below; the chosen id, or 0.
uint32_t TrackTrayMenu(Application& app) {
  std::vector<platform::MenuItem> items = {{kSettingsId, kSettingsItem, platform::ItemState::Enabled},
                                           {kStatisticsId, kStatisticsItem, platform::ItemState::Disabled},
                                           {kAboutId, kAboutItem, platform::ItemState::Enabled},
                                           {kExitId, kExitItem, platform::ItemState::Enabled}};
  const CommandList& commands = app.UserCommands;
  if (!commands.empty()) items.push_back({0, nullptr, platform::ItemState::Enabled});
  for (uint32_t i = 0; i < commands.size() && kFirstCommandId + i <= kLastCommandId; ++i) {
    items.push_back({kFirstCommandId + i, commands[i].Caption.c_str(), platform::ItemState::Enabled});
  }
  return platform::ShowPopupMenu(items.data(), items.size(), app.MainWindow.Get());
}

// A command that runs needs nothing more; an empty one, or one the shell
// refuses and the user wants to mend, opens the settings on the commands tab.
void RunUserCommand(Application& app, const Command& command) {
  if (!command.CommandLine.empty()) {
    if (RunCommandLine(command.CommandLine.c_str(), app.RunMsminMode)) return;
    const platform::BoxAnswer answer = platform::ShowUrgentMessageBox(
        nullptr, kBadCommand, texts::kCaptionError, platform::BoxButtons::YesNo, platform::BoxIcon::Warning);
    if (answer != platform::BoxAnswer::Yes) return;
  }
  OpenSettingsAt(app, SettingsPage::Commands);
}

void AskToExit(Application& app) {
  platform::BoxAnswer answer;
  {
    ModalHold guard(app);
    answer =
        platform::ShowUrgentMessageBox(nullptr, kReallyExit, texts::kCaptionNotice,
                                       platform::BoxButtons::YesNoDefaultNo, platform::BoxIcon::Question);
  }
  if (answer == platform::BoxAnswer::Yes) app.Shutdown();
}

void OpenAboutDialog(Application& app) {
  ModalHold guard(app);
  if (!guard.Taken) return;
  if (app.Dialogs.About != nullptr) app.Dialogs.About(app);
}

}  // namespace

bool BoxMenuText(const Mailbox& box, bool withCounts, char (&text)[kMenuItemSize]) {
  const int32_t count = box.NewMailCount();
  char tail[40] = "";
  if (withCounts && count > 0) {
    std::snprintf(tail, sizeof tail, "\t:)  %d шт.", static_cast<int>(count));
  } else if (withCounts) {
    std::snprintf(tail, sizeof tail, "\t:(");
  }
  const int room = static_cast<int>(kMenuItemSize - 1 - std::string(tail).size());
  std::snprintf(text, kMenuItemSize, "%.*s%s", room, box.BoxName.c_str(), tail);
  return withCounts && count > 0;
}

void ShowTrayMenu(Application& app) {
  uint32_t chosen;
  {
    ModalHold guard(app);
    if (!guard.Taken) return;
    chosen = TrackTrayMenu(app);
  }
  const uint32_t position = chosen - kFirstCommandId;
  if (chosen >= kFirstCommandId && chosen <= kLastCommandId && position < app.UserCommands.size()) {
    RunUserCommand(app, app.UserCommands[position]);
  } else if (chosen == kSettingsId) {
    OpenSettingsDialog(app);
  } else if (chosen == kExitId) {
    AskToExit(app);
  } else if (chosen == kAboutId) {
    OpenAboutDialog(app);
  }
}

void ShowBoxMenu(Application& app, bool withCounts) {
  ModalHold guard(app);
  if (!guard.Taken) return;
  MailboxList& boxes = app.Boxes;
  // The items point into these, which live until the menu is answered.
  std::vector<ItemText> texts(static_cast<size_t>(boxes.Count()));
  std::vector<platform::MenuItem> items;
  for (int32_t i = 0; i < boxes.Count(); ++i) {
    const Mailbox& box = *boxes.At(i);
    if (box.DoCheckBox == 0) continue;
    char(&text)[kMenuItemSize] = texts[static_cast<size_t>(i)].text;
    const bool checked = BoxMenuText(box, withCounts, text);
    items.push_back({static_cast<uint32_t>(box.Id), text,
                     checked ? platform::ItemState::Checked : platform::ItemState::Enabled});
  }
  const uint32_t chosen = platform::ShowPopupMenu(items.data(), items.size(), app.MainWindow.Get());
  Mailbox* box = chosen != 0 ? boxes.BoxById(static_cast<int32_t>(chosen)) : nullptr;
  if (box != nullptr) OpenMail(app, *box);
}

void OpenSettingsDialog(Application& app) {
  ModalHold guard(app);
  if (app.Dialogs.Settings == nullptr) return;
  if (app.SettingsOpen) {
    app.Dialogs.Settings(app);
    return;
  }
  app.SettingsOpen = true;
  app.Dialogs.Settings(app);
  app.SettingsOpen = false;
}

void OpenSettingsAt(Application& app, SettingsPage page, int32_t boxIndex) {
  if (!app.SettingsOpen) {
    app.LastTabPos = NumberOf(page);
    if (boxIndex >= 0) app.Boxes.SetCurrent(boxIndex);
  }
  OpenSettingsDialog(app);
}

void OfferToMendMailProgram(Application& app, int32_t boxId) {
  if (app.MendQuestionWaits(boxId)) return;
  std::vector<int32_t>& asking = app.MendQuestions;
  asking.push_back(boxId);
  platform::BoxAnswer answer;
  {
    ModalHold guard(app);
    answer = platform::ShowUrgentMessageBox(nullptr, kBadMailProgram, texts::kCaptionError,
                                            platform::BoxButtons::YesNo, platform::BoxIcon::Warning);
  }
  asking.erase(std::find(asking.begin(), asking.end(), boxId));
  const int32_t index = app.Boxes.IndexOfId(boxId);
  if (answer == platform::BoxAnswer::Yes && index >= 0) OpenSettingsAt(app, SettingsPage::Mailboxes, index);
}

void OpenNewMailListDialog(Application& app) {
  ModalHold guard(app);
  if (guard.Taken && app.Dialogs.NewMailList != nullptr) app.Dialogs.NewMailList(app);
}

void OpenVersionDialog(Application& app) {
  ModalHold guard(app);
  if (app.Dialogs.Version != nullptr) app.Dialogs.Version(app);
}
