#include "notify/Balloon.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/Charsets.h"
#include "common/Utf8.h"
#include "notify/TrayNotifier.h"

namespace {

constexpr char kDash[] = " \xE2\x80\x94 ";    // an em dash between sender and subject
constexpr char kEllipsis[] = "\xE2\x80\xA6";  // what stands where a text was cut
constexpr char kMore[] = "и ещё ";

// A text of the program's own, Windows-1251, in UTF-8.
std::string FromOwn(const char* text) {
  std::string out;
  AppendInUtf8(text, std::strlen(text), Charset::Windows1251, out);
  return out;
}

// At most `units`, with an ellipsis where it was cut.
std::string Fit(const std::string& text, size_t units) {
  if (Utf16Length(text) <= units) return text;
  return CutToUtf16Units(text, units - 1) + kEllipsis;
}

std::string LetterLine(const MessageInfo& letter) {
  if (letter.Sender.empty() || letter.Subject.empty()) return letter.Sender + letter.Subject;
  return letter.Sender + kDash + letter.Subject;
}

std::string TitleOf(const std::vector<BoxNews>& news) {
  std::string title;
  for (const BoxNews& box : news) {
    if (!title.empty()) title += ", ";
    title += FromOwn(box.BoxName.c_str()) + " (" + std::to_string(box.Count) + FromOwn(" шт.)");
  }
  return Fit(title, kBalloonTitleUnits);
}

// Newest first; letters whose date could not be read last.
std::vector<std::string> LinesOf(const std::vector<BoxNews>& news, const char* prompt) {
  std::vector<const MessageInfo*> letters;
  for (const BoxNews& box : news) {
    for (const MessageInfo& letter : box.Letters) letters.push_back(&letter);
  }
  const auto rank = [](const MessageInfo* letter) { return letter->Date == 0 ? INT64_MIN : int64_t{letter->Date}; };
  std::stable_sort(letters.begin(), letters.end(),
                   [&](const MessageInfo* a, const MessageInfo* b) { return rank(a) > rank(b); });
  std::vector<std::string> lines;
  for (const MessageInfo* letter : letters) lines.push_back(Fit(LetterLine(*letter), kBalloonTextUnits));
  for (const BoxNews& box : news) {
    if (!box.Letters.empty()) continue;
    char tip[kTipSize];
    FormatNewMailTip(prompt, box.Count, tip);
    const std::string name = news.size() > 1 ? FromOwn(box.BoxName.c_str()) + ": " : std::string();
    lines.push_back(Fit(name + FromOwn(tip), kBalloonTextUnits));
  }
  return lines;
}

// As many lines as fit, and how many more there are when not all do.
std::string TextOf(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t shown = 0; shown < lines.size(); ++shown) {
    const std::string next = (shown > 0 ? "\n" : "") + lines[shown];
    const size_t left = lines.size() - shown - 1;
    const std::string more = left > 0 ? "\n" + FromOwn(kMore) + std::to_string(left) + kEllipsis : "";
    if (Utf16Length(text + next + more) > kBalloonTextUnits) {
      if (shown == 0) return Fit(lines[0], kBalloonTextUnits - Utf16Length(more)) + more;
      return text + "\n" + FromOwn(kMore) + std::to_string(lines.size() - shown) + kEllipsis;
    }
    text += next;
  }
  return text;
}

}  // namespace

BalloonText ComposeBalloon(const std::vector<BoxNews>& news, const char* prompt) {
  return {TitleOf(news), TextOf(LinesOf(news, prompt))};
}
