#include "mail/LetterSummary.h"

#include <new>

#include "common/Utf8.h"
#include "mail/EncodedWords.h"
#include "mail/HeaderFields.h"
#include "mail/SenderParts.h"

namespace {

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// The decoded text as the balloon shows it, cut between characters at
// kSummaryTextLimit bytes.
std::string Shown(const std::string& text) {
  std::string shown, character;
  bool blank = false;  // a blank is owed before the next character
  for (size_t at = 0; at < text.size();) {
    char32_t c;
    at += ReadUtf8(text.data() + at, text.size() - at, &c);
    if (c == ' ' || IsControl(c)) {
      blank = !shown.empty();
      continue;
    }
    character.clear();
    if (blank) character += ' ';
    AppendUtf8(c, character);
    if (shown.size() + character.size() > kSummaryTextLimit) break;
    shown += character;
    blank = false;
  }
  return shown;
}

std::string SenderOf(const std::string& from, Charset letter) {
  const Charset raw = RawCharsetOf(from, letter);
  const SenderParts parts = SenderPartsOf(from);
  for (const std::string* part : {&parts.Name, &parts.Comment, &parts.Address}) {
    std::string shown = Shown(DecodeWords(*part, raw));
    if (!shown.empty()) return shown;
  }
  return {};
}

std::string SubjectOf(const std::string& subject, Charset letter) {
  return Shown(DecodeWords(subject, RawCharsetOf(subject, letter)));
}

}  // namespace

LetterSummary SummaryOf(const char* block, size_t size) {
  LetterSummary summary;
  // Out of memory, the balloon goes without names rather than the poll's
  // thread ending on an exception.
  try {
    const Charset letter = LetterCharset(block, size);
    summary.Sender = SenderOf(FieldValue(block, size, "From"), letter);
    summary.Subject = SubjectOf(FieldValue(block, size, "Subject"), letter);
  } catch (const std::bad_alloc&) {
    summary = LetterSummary();
  }
  return summary;
}
