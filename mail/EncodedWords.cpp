#include "mail/EncodedWords.h"

#include <cstdint>

#include "common/Utf8.h"

namespace {

struct EncodedWord {
  Charset charset = Charset::Unknown;
  std::string bytes;
  size_t end = 0;  // just past its "?="
};

// Printable ASCII but "?": what a charset name and an encoded text are
// made of. A blank ends them too, so a scan never passes the next word.
bool IsWordCharacter(char c) { return c > ' ' && c < 0x7F && c != '?'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool DecodeQ(const char* text, size_t length, std::string& bytes) {
  for (size_t at = 0; at < length; ++at) {
    if (text[at] == '_') {
      bytes += ' ';
    } else if (text[at] != '=') {
      bytes += text[at];
    } else if (at + 2 < length && HexValue(text[at + 1]) >= 0 && HexValue(text[at + 2]) >= 0) {
      bytes += static_cast<char>(HexValue(text[at + 1]) * 16 + HexValue(text[at + 2]));
      at += 2;
    } else {
      return false;
    }
  }
  return true;
}

// Padding may be left out, as some mailers do; a character too many for
// a whole byte, or padding inside, makes it no base64.
bool DecodeB(const char* text, size_t length, std::string& bytes) {
  for (int pad = 0; pad < 2 && length > 0 && text[length - 1] == '='; ++pad) --length;
  if (length % 4 == 1) return false;
  uint32_t bits = 0;
  int count = 0;
  for (size_t at = 0; at < length; ++at) {
    const int value = Base64Value(text[at]);
    if (value < 0) return false;
    bits = (bits << 6) | static_cast<uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return true;
}

size_t WordEnd(const std::string& text, size_t at) {
  while (at < text.size() && IsWordCharacter(text[at])) ++at;
  return at;
}

// The encoded-word starting at text[at], if one does that the program
// can decode.
bool ReadEncodedWord(const std::string& text, size_t at, EncodedWord* word) {
  if (text.compare(at, 2, "=?") != 0) return false;
  const size_t charsetStart = at + 2;
  const size_t charsetEnd = WordEnd(text, charsetStart);
  if (charsetEnd + 2 >= text.size() || text[charsetEnd] != '?' || text[charsetEnd + 2] != '?') return false;
  const char encoding = text[charsetEnd + 1];
  const size_t textStart = charsetEnd + 3;
  const size_t textEnd = WordEnd(text, textStart);
  if (text.compare(textEnd, 2, "?=") != 0) return false;
  word->charset = CharsetNamed(text.data() + charsetStart, charsetEnd - charsetStart);
  if (word->charset == Charset::Unknown) return false;
  word->end = textEnd + 2;
  const char* encoded = text.data() + textStart;
  const size_t length = textEnd - textStart;
  if (encoding == 'B' || encoding == 'b') return DecodeB(encoded, length, word->bytes);
  if (encoding == 'Q' || encoding == 'q') return DecodeQ(encoded, length, word->bytes);
  return false;
}

bool IsLinearWhiteSpace(const std::string& text, size_t from, size_t to) {
  for (size_t at = from; at < to; ++at) {
    if (text[at] != ' ' && text[at] != '\t') return false;
  }
  return true;
}

}  // namespace

Charset RawCharsetOf(const std::string& field, Charset letter) {
  if (IsUtf8(field.data(), field.size())) return Charset::Utf8;
  switch (letter) {
    case Charset::Unknown:
    case Charset::UsAscii:  // bytes a letter that says ASCII has beyond it are anyone's guess
    case Charset::Utf8:     // and so are those of a letter that claims UTF-8 and breaks it
      return Charset::Windows1251;
    default:
      return letter;
  }
}

std::string DecodeWords(const std::string& text, Charset rawCharset) {
  std::string out;
  // The bytes of a run of adjacent encoded-words in one charset are read
  // together: mailers split a character between two of them.
  std::string run;
  Charset runCharset = Charset::Unknown;
  size_t plain = 0;  // where the text not yet read starts
  for (size_t at = text.find("=?"); at != std::string::npos; at = text.find("=?", at + 1)) {
    EncodedWord word;
    if (!ReadEncodedWord(text, at, &word)) continue;
    const bool adjacent = runCharset != Charset::Unknown && IsLinearWhiteSpace(text, plain, at);
    if (adjacent && word.charset == runCharset) {
      run += word.bytes;
    } else {
      AppendInUtf8(run.data(), run.size(), runCharset, out);
      if (!adjacent) AppendInUtf8(text.data() + plain, at - plain, rawCharset, out);
      run = word.bytes;
      runCharset = word.charset;
    }
    plain = word.end;
    at = word.end - 1;
  }
  AppendInUtf8(run.data(), run.size(), runCharset, out);
  AppendInUtf8(text.data() + plain, text.size() - plain, rawCharset, out);
  return out;
}
