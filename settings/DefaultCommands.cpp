#include "settings/DefaultCommands.h"

#include <iterator>

namespace {

struct BuiltIn {
  const char* caption;
  const char* commandLine;
};

// The mailto: links carry blanks in their subjects, so each stands in double
// quotes: the command runner ends an unquoted target at its first blank.
// Every address here is a placeholder of the project's own.
const BuiltIn kBuiltIns[] = {
    {"Письмо автору", "\"mailto:vestun@example.org?subject=про Вестуна\""},
    {"Письмо другу", "\"mailto:друг@пример.example?subject=Привет, дружище!!!&body=Поболтаем?\""},
    {"Письмо боссу",
     "\"mailto:босс@пример.example?subject=Извините, что мы к Вам обращаемся...&body\""},
    {"Масяня", "iexplore www.example.net"},
    {"Интересные картинки", "pictures.example.net/picofday"},
    {"Форум про Вестуна", "http://forum.example.org/userforum/?owner=vestun"},
    {"Как настроить данное меню?", "https://vestun.example.org/Tandrel/commands.html"},
    {"Настроить данное меню", ""},
};

}  // namespace

void DefaultCommands(CommandList& list) {
  for (const BuiltIn& builtIn : kBuiltIns) list.push_back({builtIn.caption, builtIn.commandLine});
}
