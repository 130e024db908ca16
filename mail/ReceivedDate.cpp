#include "mail/ReceivedDate.h"

#include <cctype>
#include <cstring>
#include <string>

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

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether the header line at `line` starts a field of this name, in any case.
bool NamesField(const char* line, const char* name) {
  for (; *name != '\0'; ++line, ++name) {
    if (std::tolower(static_cast<unsigned char>(*line)) != *name) return false;
  }
  while (IsBlank(*line)) ++line;
  return *line == ':';
}

// The topmost Received field, written by the server that put the message
// into the box, and what follows it, unfolded (a line break before a blank
// goes); the whole reply when no field of the header block is named so.
// Mail filters put fields with a ";" of their own above it
// (Authentication-Results, ARC, spam scores).
std::string FromTopmostReceived(const char* reply) {
  const char* line = std::strchr(reply, '\n');  // the status line is no field
  for (; line != nullptr; line = std::strchr(line, '\n')) {
    ++line;
    if (*line == '\r' || *line == '\n' || *line == '\0') break;  // the header block has ended
    if (NamesField(line, "received")) break;
  }
  if (line == nullptr || !NamesField(line, "received")) return reply;
  std::string unfolded;
  for (const char* next = line; *next != '\0'; ++next) {
    const char* blank = *next == '\r' && next[1] == '\n' ? next + 2 : *next == '\n' ? next + 1 : nullptr;
    if (blank != nullptr && IsBlank(*blank)) {
      next = blank - 1;
      continue;
    }
    unfolded += *next;
  }
  return unfolded;
}

}  // namespace

bool ParseReceivedDate(const char* reply, int32_t* value) {
  if (reply == nullptr) return false;
  const std::string field = FromTopmostReceived(reply);
  const char* next = std::strchr(field.c_str(), ';');
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
