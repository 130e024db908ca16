#include "common/Utf8.h"

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

size_t Utf16Units(char32_t c) { return c > 0xFFFF ? 2 : 1; }

constexpr char32_t kBroken = 0xFFFFFFFF;

// ReadUtf8, with a broken part read as kBroken: a U+FFFD written out in the
// text is a character like any other.
size_t ReadCharacter(const char* text, size_t size, char32_t* c) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const unsigned char lead = bytes[0];
  *c = kBroken;
  if (lead < 0x80) {
    *c = lead;
    return 1;
  }
  // The second byte's range also rules out overlong forms, surrogates and
  // values past U+10FFFF, so that the rest need only be continuation bytes.
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  if (size < 2 || bytes[1] < low || bytes[1] > high) return 1;
  char32_t value = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if (i >= size || !IsContinuation(bytes[i])) return i;
    value = (value << 6) | (bytes[i] & 0x3F);
  }
  *c = value;
  return length;
}

}  // namespace

size_t ReadUtf8(const char* text, size_t size, char32_t* c) {
  const size_t length = ReadCharacter(text, size, c);
  if (*c == kBroken) *c = kReplacementCharacter;
  return length;
}

void AppendUtf8(char32_t c, std::string& out) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsUtf8(const char* text, size_t size) {
  for (size_t at = 0; at < size;) {
    char32_t c;
    at += ReadCharacter(text + at, size - at, &c);
    if (c == kBroken) return false;
  }
  return true;
}

size_t Utf16Length(const std::string& text) {
  size_t units = 0;
  for (size_t at = 0; at < text.size();) {
    char32_t c;
    at += ReadUtf8(text.data() + at, text.size() - at, &c);
    units += Utf16Units(c);
  }
  return units;
}

std::string CutToUtf16Units(const std::string& text, size_t units) {
  size_t at = 0;
  while (at < text.size()) {
    char32_t c;
    const size_t length = ReadUtf8(text.data() + at, text.size() - at, &c);
    if (Utf16Units(c) > units) break;
    units -= Utf16Units(c);
    at += length;
  }
  return text.substr(0, at);
}
