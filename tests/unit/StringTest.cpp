#include "common/String.h"

#include <gtest/gtest.h>

#include <string>

TEST(String, StartsEmptyWithTwentyBytes) {
  String text;
  EXPECT_STREQ("", text.Text());
  EXPECT_EQ(20u, text.Capacity());
}

TEST(String, GrowsToExactlyLengthPlusTwoAndNeverShrinks) {
  String text;
  text = "short";
  EXPECT_EQ(20u, text.Capacity()) << "a text that fits keeps the buffer";
  const std::string longer(40, 'x');
  text = longer.c_str();
  EXPECT_EQ(42u, text.Capacity());
  EXPECT_EQ(longer, text.Text());
  text = "";
  EXPECT_EQ(42u, text.Capacity());
  EXPECT_STREQ("", text.Text());
}

TEST(String, AssigningFromItsOwnBufferKeepsTheText) {
  String text("0123456789012345678");  // 19 bytes: fills the first buffer
  text = text.Text() + 1;
  EXPECT_STREQ("123456789012345678", text.Text());
  String grown(std::string(25, 'a').c_str());
  grown = grown;
  EXPECT_EQ(std::string(25, 'a'), grown.Text());
}

TEST(String, CopiesOwnTheirBuffers) {
  String original("Вестун");
  String copy(original);
  original = "другой";
  EXPECT_STREQ("Вестун", copy.Text());
  EXPECT_NE(original.Text(), copy.Text());
}

TEST(String, CopyToCutsSafelyAtTheBufferSize) {
  String text("Мыло припёрло");
  char small[5];
  EXPECT_FALSE(text.CopyTo(small, sizeof small));
  EXPECT_EQ(4u, std::string(small).size());
  char exact[14];
  EXPECT_TRUE(text.CopyTo(exact, sizeof exact));
  EXPECT_STREQ(text.Text(), exact);
  EXPECT_FALSE(text.CopyTo(exact, 0));
}

TEST(String, TextsAreWindows1251) {
  // "Прога" in Windows-1251, byte for byte.
  EXPECT_STREQ("\xCF\xF0\xEE\xE3\xE0", String("Прога").Text());
}
