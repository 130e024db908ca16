#include <gtest/gtest.h>

#include <string>

#include "mail/CommandRunner.h"
#include "platform/host/HostControl.h"
#include "settings/DefaultCommands.h"

namespace {

TEST(SplitCommandLine, SeparatesTargetAndParameters) {
  const std::string longest(kMaxCommandPart, 'x');
  const struct {
    std::string line;
    SplitResult result;
    std::string target, params;
  } cases[] = {
      {"   notepad    a  \"b c\" ", SplitResult::Ok, "notepad", "a  \"b c\" "},
      {"ab\"cd ef", SplitResult::Ok, "ab\"cd", "ef"},  // a quote inside an unquoted target is copied
      {"\"unbalanced quote here", SplitResult::Ok, "unbalanced quote here", ""},
      {" \" \"x\" y", SplitResult::Ok, "x", "y"},  // leading blanks and quotes are all skipped
      {"\"a\"b", SplitResult::Ok, "a", "b"},
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
