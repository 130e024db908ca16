// An owned, NUL-terminated 8-bit text (Windows-1251).
#pragma once

#include <cstddef>
#include <cstdint>

class String {
 public:
  String();
  explicit String(const char* text);
  String(const String& other);
  String& operator=(const String& other);
  String& operator=(const char* text);
  virtual ~String();

  // Replaces the text. The buffer grows to exactly length + 2 bytes when it
  // is too small and never shrinks. A null text counts as empty.
  void Assign(const char* text);

  const char* Text() const { return Buffer; }
  size_t Length() const;
  bool IsEmpty() const { return Buffer[0] == '\0'; }
  uint32_t Capacity() const { return Size; }

 private:
  char* Buffer;
  uint32_t Size;
};
