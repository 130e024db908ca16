#include "common/String.h"

#include <cstring>

namespace {
constexpr uint32_t kInitialSize = 20;
}

String::String() : Buffer(new char[kInitialSize]()), Size(kInitialSize) {}

String::String(const char* text) : String() { Assign(text); }

String::String(const String& other) : String() { Assign(other.Buffer); }

String& String::operator=(const String& other) {
  Assign(other.Buffer);
  return *this;
}

String& String::operator=(const char* text) {
  Assign(text);
  return *this;
}

String::~String() { delete[] Buffer; }

void String::Assign(const char* text) {
  if (text == nullptr) text = "";
  const size_t length = std::strlen(text);
  if (Size < length + 2) {
    // The new buffer is filled before the old one goes, so a text taken from
    // this very String survives its own assignment.
    char* grown = new char[length + 2];
    std::memcpy(grown, text, length + 1);
    delete[] Buffer;
    Buffer = grown;
    Size = static_cast<uint32_t>(length + 2);
    return;
  }
  std::memmove(Buffer, text, length + 1);
}

size_t String::Length() const { return std::strlen(Buffer); }

