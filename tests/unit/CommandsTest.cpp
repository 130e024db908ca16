#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "mail/CommandRunner.h"
#include "platform/host/HostControl.h"
#include "settings/CommandRows.h"
#include "settings/DefaultCommands.h"

namespace {

// "a* b": row "a" (command line "run a") selected, then row "b".
CommandRows Parse(const std::string& text) {
  CommandRows rows;
  std::istringstream words(text);
  for (std::string w; words >> w;)
    rows.Append(w.substr(0, 1).c_str(), ("run " + w.substr(0, 1)).c_str(), w.size() > 1);
  return rows;
}

// The same, from the stored commands: "+" a new command, "?" a row whose texts parted.
std::string Show(const CommandRows& rows) {
  CommandList commands;
  rows.StoreTo(commands);
  std::string text;
  for (size_t i = 0; i < commands.size(); ++i) {
    std::string caption = commands[i].Caption;
    const std::string& line = commands[i].CommandLine;
    if (line != "run " + caption) caption = caption == "Новая команда" && line.empty() ? "+" : "?";
    text += (i > 0 ? " " : "") + caption + (rows.Rows[i].Selected ? "*" : "");
  }
  return text;
}

// Steps: n add, d duplicate, x delete, u up, v down, a digit selects that row.
TEST(CommandRows, ButtonsOnTheSelectedRows) {
  const char* cases[][3] = {{"", "dxuvn", "+"},
                            {"a b", "nn", "a b + +"},
                            {"a b* c d*", "x1d", "a c* c"},
                            {"a* b c*", "d", "a* b c* a c"},
                            {"a* b* c", "u", "b* a* c"},
                            {"a b* c* d", "u", "b* c* a d"},
                            {"a b* c* d", "v", "a d b* c*"},
                            {"a* b c", "u", "a* b c"},
                            {"a b c*", "v", "a b c*"},
                            {"a* b c* d e*", "x", "b d"}};
  for (const auto& c : cases) {
    CommandRows rows = Parse(c[0]);
    for (const char* step = c[1]; *step != '\0'; ++step) {
      if (*step == 'n') rows.AddNew();
      if (*step == 'd') rows.DuplicateSelected();
      if (*step == 'x') rows.DeleteSelected();
      if (*step == 'u') rows.MoveSelectedUp();
      if (*step == 'v') rows.MoveSelectedDown();
      if (*step >= '0' && *step <= '9') rows.Rows.at(*step - '0').Selected = true;
    }
    EXPECT_EQ(c[2], Show(rows)) << c[0] << " / " << c[1];
    EXPECT_EQ(std::string(c[2]).find('*') != std::string::npos, rows.AnySelected());
  }
}

TEST(CommandRows, CellsKeep499Characters) {
  CommandList commands;
  commands.push_back({std::string(500, 'c'), std::string(499, 'l')});
  CommandRows rows;
  rows.LoadFrom(commands);
  rows.StoreTo(commands);
  EXPECT_EQ(499u, commands[0].Caption.size());
  EXPECT_EQ(499u, commands[0].CommandLine.size());
}

TEST(SplitCommandLine, SeparatesTargetAndParameters) {
  const std::string longest(kMaxCommandPart, 'x');
  const struct {
    std::string line;
    SplitResult result;
    std::string target, params;
  } cases[] = {
      {"\"C:\\Program Files\\Mail\\mail.exe\" /a", SplitResult::Ok, "C:\\Program Files\\Mail\\mail.exe",
       "/a"},
      {"mailto:a@example.org?subject=два слова", SplitResult::Ok, "mailto:a@example.org?subject=два",
       "слова"},
      {"\"mailto:a@example.org?subject=два слова\"", SplitResult::Ok,
       "mailto:a@example.org?subject=два слова", ""},
      {"   notepad    a  \"b c\" ", SplitResult::Ok, "notepad", "a  \"b c\" "},
      {"ab\"cd ef", SplitResult::Ok, "ab\"cd", "ef"},  // a quote inside an unquoted target is copied
      {"\"unbalanced quote here", SplitResult::Ok, "unbalanced quote here", ""},
      {" \" \"x\" y", SplitResult::Ok, "x", "y"},  // leading blanks and quotes are all skipped
      {"\"a\"b", SplitResult::Ok, "a", "b"},
      {"   ", SplitResult::Ok, "", ""},
      {"", SplitResult::Nothing, "", ""},
      {"\"\"", SplitResult::Nothing, "", ""},
      {longest + " " + longest, SplitResult::Ok, longest, longest},
      {longest + "x", SplitResult::TooLong, "", ""},
      {"a " + longest + "x", SplitResult::TooLong, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 60));
    CommandParts parts;
    ASSERT_EQ(c.result, SplitCommandLine(c.line.c_str(), parts));
    if (c.result != SplitResult::Ok) continue;
    EXPECT_EQ(c.target, parts.Target);
    EXPECT_EQ(c.params, parts.Params);
  }
  CommandParts parts;
  EXPECT_EQ(SplitResult::Nothing, SplitCommandLine(nullptr, parts));
}

TEST(RunCommandLine, OpensTheTargetInTheChosenWindowStateAndRefusesTheRest) {
  host::Reset();
  EXPECT_TRUE(RunCommandLine("\"C:\\Mail\\mail.exe\" /a", 2));
  EXPECT_FALSE(RunCommandLine(std::string(2000, 'x').c_str(), 0));
  const auto calls = host::ShellCalls();
  ASSERT_EQ(1u, calls.size()) << "refusals never reach the shell";
  EXPECT_EQ(platform::ShowMode::Minimized, calls[0].mode);
  EXPECT_EQ(platform::ShowMode::Normal, ShowModeFor(1));
  for (int32_t other : {0, 7, -1}) EXPECT_EQ(platform::ShowMode::Maximized, ShowModeFor(other)) << other;
}

TEST(DefaultCommands, MailLinksRunWholeAndTheLastOpensTheSettings) {
  CommandList list;
  DefaultCommands(list);
  ASSERT_EQ(8u, list.size());
  for (int i = 0; i < 3; ++i) {
    CommandParts parts;
    ASSERT_EQ(SplitResult::Ok, SplitCommandLine(list[i].CommandLine.c_str(), parts));
    EXPECT_EQ(0u, std::string(parts.Target).find("mailto:")) << parts.Target;
    EXPECT_STREQ("", parts.Params) << "the subject's blanks must not cut the link";
  }
  EXPECT_EQ("", list[7].CommandLine);
}

}  // namespace
