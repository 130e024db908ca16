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
