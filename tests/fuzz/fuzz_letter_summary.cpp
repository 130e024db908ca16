// Who wrote and about what comes from header blocks that anyone can write.
#include <cstdint>
#include <string>

#include "common/Utf8.h"
#include "mail/LetterSummary.h"

namespace {

// Shown whole in a balloon: valid UTF-8 within the limit, no control
// characters, single blanks between words only.
void Check(const std::string& text) {
  if (text.size() > kSummaryTextLimit || !IsUtf8(text.data(), text.size())) __builtin_trap();
  char32_t previous = ' ';
  for (size_t at = 0; at < text.size();) {
    char32_t c;
    at += ReadUtf8(text.data() + at, text.size() - at, &c);
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c == ' ' && previous == ' ')) __builtin_trap();
    previous = c;
  }
  if (previous == ' ' && !text.empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const LetterSummary summary = SummaryOf(reinterpret_cast<const char*>(data), size);
  Check(summary.Sender);
  Check(summary.Subject);
  return 0;
}
