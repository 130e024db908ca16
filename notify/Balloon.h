// The notification balloon of new letters: which boxes, who wrote and about
// what. Windows 10 and 11 show it as a notification even while the envelope
// sits hidden in the overflow of the notification area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mail/MessageInfo.h"

// What Windows shows of a balloon, in UTF-16 units.
constexpr size_t kBalloonTitleUnits = 63;
constexpr size_t kBalloonTextUnits = 255;

// One box's letters that no earlier poll announced.
struct BoxNews {
  int32_t BoxId = -1;
  std::string BoxName;  // Windows-1251, as the box is named
  int32_t Count = 0;    // how many
  // Date mode: the letters themselves; a count-mode box reads no headers.
  std::vector<MessageInfo> Letters;
};

struct BalloonText {
  std::string Title;  // UTF-8
  std::string Text;   // UTF-8
};

// The balloon of one publication, every box that has news sharing it. The
// title names the boxes, each with its count ("NAME (N шт.)"); the text has
// a line per letter, newest first, its sender, then its subject, and a line
// per count-mode box, the new-mail tooltip of `prompt` and its count. What
// does not fit ends with how many more there are.
BalloonText ComposeBalloon(const std::vector<BoxNews>& news, const char* prompt);
