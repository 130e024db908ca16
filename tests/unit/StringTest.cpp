#include "common/String.h"

#include <gtest/gtest.h>

#include <string>

TEST(String, AssigningFromItsOwnBufferKeepsTheText) {
  String text("0123456789012345678");  // 19 bytes: fills the first buffer
  text = text.Text() + 1;
  EXPECT_STREQ("123456789012345678", text.Text());
  const std::string longer(40, 'a');
  text = longer.c_str();
  text = text;
  EXPECT_EQ(longer, text.Text());
}

TEST(String, CopyToCutsSafelyAtTheBufferSize) {
  String text("Мыло припёрло");
  char small[5];
  EXPECT_FALSE(text.CopyTo(small, sizeof small));
  EXPECT_EQ(std::string(text.Text(), 4), small);
  char exact[14];
  EXPECT_TRUE(text.CopyTo(exact, sizeof exact));
  EXPECT_STREQ(text.Text(), exact);
  EXPECT_FALSE(text.CopyTo(exact, 0));
}
