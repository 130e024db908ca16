// Putting values into the stand-in registry and reading them back as text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/HostControl.h"

inline void PutDword(const std::string& path, const char* name, int32_t number) {
  const auto bits = static_cast<uint32_t>(number);
  const char bytes[] = {char(bits), char(bits >> 8), char(bits >> 16), char(bits >> 24)};
  host::PutValue(path, name, {host::RegType::Number, std::string(bytes, 4)});
}

// The stored value as an export shows it: a text quoted up to its NUL, a number in decimal.
inline std::string Stored(const std::string& path, const char* name) {
  host::RegValue value;
  if (!host::GetValue(path, name, &value)) return "<missing>";
  if (value.type != host::RegType::Number) return '"' + std::string(value.bytes.c_str()) + '"';
  const auto byte = [&](int i) { return uint32_t(uint8_t(value.bytes[i])) << (8 * i); };
  return std::to_string(int32_t(byte(0) | byte(1) | byte(2) | byte(3)));
}
