#include "mail/SenderParts.h"

namespace {

// Reads the quoted string or comment opening at from[at] into *text (when
// not null), without its delimiters and escapes; comments nest. Returns
// where it closes, or the last byte of a value cut inside it.
size_t ReadDelimited(const std::string& from, size_t at, std::string* text) {
  const char open = from[at];
  const char close = open == '(' ? ')' : '"';
  int depth = 1;
  for (++at; at < from.size(); ++at) {
    char c = from[at];
    if (c == '\\' && at + 1 < from.size()) {
      c = from[++at];
    } else if (c == close && --depth == 0) {
      return at;
    } else if (c == open && open == '(') {
      ++depth;
    }
    if (text != nullptr) *text += c;
  }
  return at - 1;
}

}  // namespace

SenderParts SenderPartsOf(const std::string& from) {
  SenderParts parts;
  std::string words;
  bool angled = false, commented = false;
  std::string* target = &words;  // where the words being read go; null past the address
  for (size_t at = 0; at < from.size(); ++at) {
    const char c = from[at];
    if (c == '"') {
      at = ReadDelimited(from, at, target);
    } else if (c == '(') {
      at = ReadDelimited(from, at, commented ? nullptr : &parts.Comment);
      commented = true;
    } else if (c == '<' && !angled) {
      angled = true;
      target = &parts.Address;
    } else if (c == '>' && target == &parts.Address) {
      target = nullptr;
    } else if (target != nullptr) {
      *target += c;
    }
  }
  if (angled) {
    parts.Name = words;
  } else {
    parts.Address = words;
  }
  return parts;
}
