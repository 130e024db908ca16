#include "mail/HeaderFields.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithFolded(const char* text, size_t length, const char* word, size_t wordLength) {
  if (length < wordLength) return false;
  for (size_t i = 0; i < wordLength; ++i) {
    if (Lower(text[i]) != Lower(word[i])) return false;
  }
  return true;
}

// Where the value starts in a line that opens the field `name`, blanks
// before the colon allowed as old mail has them; 0 when it opens another.
size_t ValueStart(const char* line, size_t length, const char* name) {
  const size_t nameLength = std::strlen(name);
  if (!StartsWithFolded(line, length, name, nameLength)) return 0;
  size_t at = nameLength;
  while (at < length && IsBlank(line[at])) ++at;
  return at < length && line[at] == ':' ? at + 1 : 0;
}

void AppendCapped(std::string& value, const char* text, size_t length) {
  value.append(text, std::min(length, kFieldValueLimit - value.size()));
}

// A cursor over the block's lines, without their line ends (LF or CRLF).
class Lines {
 public:
  Lines(const char* block, size_t size)
      : Block(block), Size(block != nullptr ? std::min(size, kHeaderBlockLimit) : 0) {}

  // False at the block's end: the first empty line, or its last byte.
  bool Next(const char** line, size_t* length) {
    if (At >= Size) return false;
    *line = Block + At;
    const void* end = std::memchr(*line, '\n', Size - At);
    *length = end != nullptr ? static_cast<const char*>(end) - *line : Size - At;
    At += *length + 1;
    if (*length > 0 && (*line)[*length - 1] == '\r') --*length;
    return *length > 0;
  }

 private:
  const char* const Block;
  const size_t Size;
  size_t At = 0;
};

// The value of the parameter `name` in a Content-Type value, unquoted.
std::string ParameterValue(const std::string& field, const char* name) {
  const size_t nameLength = std::strlen(name);
  for (size_t semicolon = field.find(';'); semicolon != std::string::npos;
       semicolon = field.find(';', semicolon + 1)) {
    size_t at = semicolon + 1;
    while (at < field.size() && IsBlank(field[at])) ++at;
    if (!StartsWithFolded(field.data() + at, field.size() - at, name, nameLength)) continue;
    at += nameLength;
    while (at < field.size() && IsBlank(field[at])) ++at;
    if (at >= field.size() || field[at] != '=') continue;
    ++at;
    while (at < field.size() && IsBlank(field[at])) ++at;
    if (at < field.size() && field[at] == '"') {
      const size_t end = field.find('"', at + 1);
      return field.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    }
    const size_t end = field.find_first_of("; \t", at);
    return field.substr(at, end == std::string::npos ? std::string::npos : end - at);
  }
  return {};
}

}  // namespace

std::string FieldValue(const char* block, size_t size, const char* name) {
  std::string value;
  bool found = false;
  Lines lines(block, size);
  const char* line;
  size_t length;
  while (lines.Next(&line, &length)) {
    if (IsBlank(line[0])) {
      if (found) AppendCapped(value, line, length);
    } else if (found) {
      break;
    } else if (const size_t start = ValueStart(line, length, name)) {
      found = true;
      AppendCapped(value, line + start, length - start);
    }
  }
  return value;
}

Charset LetterCharset(const char* block, size_t size) {
  const std::string charset = ParameterValue(FieldValue(block, size, "Content-Type"), "charset");
  return CharsetNamed(charset.data(), charset.size());
}
