#include "mail/ReceivedDate.h"

#include <cstring>

#include "mail/TimeScale.h"

namespace {

// A cursor over the stamp that reads fields the way formatted scanning
// does: numbers and words skip leading white space, single characters and
// literals do not. Numbers saturate instead of overflowing.
class StampReader {
 public:
  explicit StampReader(const char* text) : Next(text) {}

  bool Number(int64_t* value, int width = 1 << 30) {
    SkipSpace();
    const char* start = Next;
    bool negative = false;
    if ((*Next == '+' || *Next == '-') && width > 1) {
      negative = *Next == '-';
      ++Next;
      --width;
    }
    int64_t number = 0;
    const char* digits = Next;
    for (; width > 0 && IsDigit(*Next); --width, ++Next) {
      if (number < kSaturated) number = number * 10 + (*Next - '0');
    }
    if (Next == digits) {
      Next = start;
      return false;
    }
    *value = negative ? -number : number;
    return true;
  }

  bool Word(char* word, int width) {
    SkipSpace();
    int length = 0;
    while (length < width && *Next != '\0' && !IsSpace(*Next)) word[length++] = *Next++;
    word[length] = '\0';
    return length > 0;
  }

  bool AnyCharacter(char* character = nullptr) {
    if (*Next == '\0') return false;
    if (character != nullptr) *character = *Next;
    ++Next;
    return true;
  }

  bool Literal(char expected) {
    if (*Next != expected) return false;
    ++Next;
    return true;
  }

  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

 private:
  static constexpr int64_t kSaturated = int64_t{1} << 40;
  static bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
  void SkipSpace() {
    while (IsSpace(*Next)) ++Next;
  }

  const char* Next;
};

int MonthOf(const char* name) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int month = 0; month < 12; ++month) {
    if (std::strcmp(name, kMonths[month]) == 0) return month + 1;
  }
  return 0;
}

struct Stamp {
  int64_t Day, Year, Hour, Minute, Second, ZoneHours, ZoneMinutes;
  char Month[4];
  char Sign;
};

// day, one character, month, one character, year, one character,
// hh:mm:ss, one character, the zone's sign, two digits, two digits.
bool ReadStamp(StampReader& in, Stamp& stamp) {
  return in.Number(&stamp.Day) && in.AnyCharacter() && in.Word(stamp.Month, 3) && in.AnyCharacter() &&
         in.Number(&stamp.Year) && in.AnyCharacter() && in.Number(&stamp.Hour) && in.Literal(':') &&
         in.Number(&stamp.Minute) && in.Literal(':') && in.Number(&stamp.Second) && in.AnyCharacter() &&
         in.AnyCharacter(&stamp.Sign) && in.Number(&stamp.ZoneHours, 2) && in.Number(&stamp.ZoneMinutes, 2);
}

}  // namespace

bool ParseReceivedDate(const char* reply, int32_t* value) {
  if (reply == nullptr) return false;
  const char* next = std::strchr(reply, ';');
  if (next == nullptr || std::strlen(next) <= 7) return false;
  while (*next != '\0' && !StampReader::IsDigit(*next)) ++next;
  if (*next == '\0') return false;

  StampReader in(next);
  Stamp stamp{};
  if (!ReadStamp(in, stamp)) return false;
  const int month = MonthOf(stamp.Month);
  if (month == 0) return false;

  // The zone says how far local time is ahead of UTC; undo it.
  const int64_t toUtc = stamp.Sign == '-' ? 1 : -1;
  const int64_t utc = UtcSeconds(stamp.Year, month, stamp.Day, stamp.Hour + toUtc * stamp.ZoneHours,
                                 stamp.Minute + toUtc * stamp.ZoneMinutes, stamp.Second);
  *value = TimeValueOf(utc);
  return true;
}
