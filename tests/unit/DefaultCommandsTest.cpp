#include "settings/DefaultCommands.h"

#include <gtest/gtest.h>

#include <string>

#include "mail/CommandRunner.h"

TEST(DefaultCommands, MailLinksRunWholeAndTheLastOpensTheSettings) {
  CommandList list;
  DefaultCommands(list);
  ASSERT_EQ(8, list.Size());
  for (int i = 0; i < 3; ++i) {
    CommandParts parts;
    ASSERT_EQ(SplitResult::Ok, SplitCommandLine(list.At(i)->CommandLine.Text(), parts));
    EXPECT_EQ(0u, std::string(parts.Target).find("mailto:")) << parts.Target;
    EXPECT_STREQ("", parts.Params) << "the subject's blanks must not cut the link";
  }
  EXPECT_STREQ("", list.At(7)->CommandLine.Text());
}
