#include "mail/CommandRunner.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/host/HostControl.h"

namespace {

struct SplitCase {
  const char* line;
  const char* target;
  const char* params;
};

TEST(SplitCommandLine, SeparatesTargetAndParameters) {
  const SplitCase cases[] = {
      {"\"C:\\Program Files\\Mail\\mail.exe\" /a", "C:\\Program Files\\Mail\\mail.exe", "/a"},
      {"notepad x.txt", "notepad", "x.txt"},
      {"mailto:a@example.org?subject=два слова", "mailto:a@example.org?subject=два", "слова"},
      {"\"mailto:a@example.org?subject=два слова\"", "mailto:a@example.org?subject=два слова", ""},
      {"   notepad    a  \"b c\" ", "notepad", "a  \"b c\" "},
      {"ab\"cd ef", "ab\"cd", "ef"},                 // a quote inside an unquoted target is copied
      {"\"unbalanced quote here", "unbalanced quote here", ""},
      {" \" \"x\" y", "x", "y"},                    // leading blanks and quotes are all skipped
      {"\"a\"b", "a", "b"},
      {"   ", "", ""},
  };
  for (const SplitCase& c : cases) {
    CommandParts parts;
    ASSERT_EQ(SplitResult::Ok, SplitCommandLine(c.line, parts)) << c.line;
    EXPECT_STREQ(c.target, parts.Target) << c.line;
    EXPECT_STREQ(c.params, parts.Params) << c.line;
  }
}

TEST(SplitCommandLine, RefusesNothingAndWhatDoesNotFit) {
  CommandParts parts;
  EXPECT_EQ(SplitResult::Nothing, SplitCommandLine(nullptr, parts));
  EXPECT_EQ(SplitResult::Nothing, SplitCommandLine("", parts));
  EXPECT_EQ(SplitResult::Nothing, SplitCommandLine("\"\"", parts));
  const std::string longest(kMaxCommandPart, 'x');
  EXPECT_EQ(SplitResult::Ok, SplitCommandLine((longest + " " + longest).c_str(), parts));
  EXPECT_EQ(longest, parts.Target);
  EXPECT_EQ(longest, parts.Params);
  EXPECT_EQ(SplitResult::TooLong, SplitCommandLine((longest + "x").c_str(), parts));
  EXPECT_EQ(SplitResult::TooLong, SplitCommandLine(("a " + longest + "x").c_str(), parts));
  EXPECT_EQ(SplitResult::TooLong, SplitCommandLine(std::string(2000, 'q').c_str(), parts));
}

class RunCommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override { host::Reset(); }
};

TEST_F(RunCommandLineTest, OpensTheTargetInTheChosenWindowState) {
  const std::pair<int32_t, platform::ShowMode> modes[] = {{0, platform::ShowMode::Maximized},
                                                          {1, platform::ShowMode::Normal},
                                                          {2, platform::ShowMode::Minimized},
                                                          {7, platform::ShowMode::Maximized},
                                                          {-1, platform::ShowMode::Maximized}};
  for (const auto& mode : modes) EXPECT_EQ(1, RunCommandLine("\"C:\\Mail\\mail.exe\" /a", mode.first));
  const auto calls = host::ShellCalls();
  ASSERT_EQ(5u, calls.size());
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ("C:\\Mail\\mail.exe", calls[i].target);
    EXPECT_EQ("/a", calls[i].params);
    EXPECT_EQ(modes[i].second, calls[i].mode) << modes[i].first;
  }
}

TEST_F(RunCommandLineTest, RefusalsNeverReachTheShell) {
  EXPECT_EQ(0, RunCommandLine("\"\"", 0));
  EXPECT_EQ(0, RunCommandLine(std::string(2000, 'x').c_str(), 0));
  EXPECT_TRUE(host::ShellCalls().empty());
  host::RefuseShellTarget("nosuch.exe");
  EXPECT_EQ(0, RunCommandLine("nosuch.exe", 0)) << "the shell's own failure";
}

}  // namespace
