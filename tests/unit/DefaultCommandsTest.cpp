#include "settings/DefaultCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(DefaultCommands, EightBuiltInsInMenuOrder) {
  CommandList list;
  DefaultCommands(list);
  const char* captions[] = {"Письмо автору", "Письмо другу", "Письмо боссу", "Масяня", "Интересные картинки",
                            "Форум про Вестуна", "Как настроить данное меню?", "Настроить данное меню"};
  ASSERT_EQ(8, list.Size());
  for (int i = 0; i < 8; ++i) EXPECT_STREQ(captions[i], list.At(i)->Caption.Text()) << i;
}

TEST(DefaultCommands, MailLinksAreQuotedWholeAndCarryTheirQueries) {
  CommandList list;
  DefaultCommands(list);
  const char* queries[] = {"?subject=про Вестуна\"", "?subject=Привет, дружище!!!&body=Поболтаем?\"",
                           "?subject=Извините, что мы к Вам обращаемся...&body\""};
  for (int i = 0; i < 3; ++i) {
    const std::string line = list.At(i)->CommandLine.Text();
    EXPECT_EQ(0u, line.find("\"mailto:")) << line;
    EXPECT_EQ(line.size() - std::string(queries[i]).size(), line.rfind(queries[i])) << line;
    EXPECT_EQ(2, std::count(line.begin(), line.end(), '"')) << line;
  }
}

TEST(DefaultCommands, OtherRowsAsTheMenuNeedsThem) {
  CommandList list;
  DefaultCommands(list);
  EXPECT_EQ(0u, std::string(list.At(3)->CommandLine.Text()).find("iexplore "));
  EXPECT_NE(std::string::npos, std::string(list.At(4)->CommandLine.Text()).find("/picofday"));
  const std::string forum = list.At(5)->CommandLine.Text();
  EXPECT_NE(std::string::npos, forum.find("userforum/?owner="));
  const std::string help = list.At(6)->CommandLine.Text();
  const std::string page = "Tandrel/commands.html";
  EXPECT_EQ(help.size() - page.size(), help.rfind(page));
  EXPECT_STREQ("", list.At(7)->CommandLine.Text()) << "opens the commands settings";
}

TEST(DefaultCommands, AddressesArePlaceholdersOnly) {
  CommandList list;
  DefaultCommands(list);
  for (int i = 0; i < list.Size(); ++i) {
    const std::string line = list.At(i)->CommandLine.Text();
    if (line.empty()) continue;
    EXPECT_NE(std::string::npos, line.find("example")) << line;
  }
}
