#include "settings/CommandSettings.h"

#include <string>

#include "settings/SettingsSection.h"

namespace {

constexpr char kBrokenCommandCaption[] = "Исправьте настройки команд";
constexpr char kBrokenCommandLine[] = "\"mailto:vestun@example.org?subject=ошибка команды в Вестуне\"";

}  // namespace

void LoadCommands(CommandList& commands, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    commands.push_back({kBrokenCommandCaption, kBrokenCommandLine});
    Command& command = commands.back();
    SettingsSection section = SettingsSection::OfCommand(i + 1);
    if (!section) continue;
    section.Load("Capt", command.Caption);
    section.Load("Command", command.CommandLine);
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
