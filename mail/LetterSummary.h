// Who wrote a letter and about what, for the balloon that announces it.
#pragma once

#include <cstddef>
#include <string>

// The most bytes of UTF-8 each text keeps: a balloon shows at most 255
// UTF-16 units, and those take at most 765 bytes.
constexpr size_t kSummaryTextLimit = 1000;

// As people wrote them, in UTF-8: every script whole, control characters
// as blanks, runs of blanks as one, none at either end. Empty when the
// letter does not say. Texts from mail are shown, never stored.
struct LetterSummary {
  std::string Sender;
  std::string Subject;
};

// Reads a header block as TOP n 1 brings it (up to kHeaderBlockLimit bytes
// of it; see mail/HeaderFields.h). The sender is the display name, else the
// text of a comment ("ivan@example.org (Ivan)"), else the address.
LetterSummary SummaryOf(const char* block, size_t size);
