// Putting values into the stand-in registry and reading them back as text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/HostControl.h"

inline void PutDword(const std::string& path, const char* name, int32_t number) {
  const auto bits = static_cast<uint32_t>(number);
  host::PutValue(
      platform::RegRoot::CurrentUser, path, name,
      {platform::kRegDword, {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)}});
}

inline void PutText(const std::string& path, const char* name, const std::string& text) {
  host::PutValue(platform::RegRoot::CurrentUser, path, name,
                 {platform::kRegText, std::vector<uint8_t>(text.begin(), text.end())});
}

// The stored value as it reads: a text up to its NUL, a DWORD in decimal.
inline std::string Stored(const std::string& path, const char* name) {
  host::RegValue value;
  if (!host::GetValue(platform::RegRoot::CurrentUser, path, name, &value)) return "<missing>";
  if (value.type != platform::kRegDword) return std::string(value.data.begin(), value.data.end()).c_str();
  const auto& d = value.data;
  return std::to_string(int32_t(d[0] | d[1] << 8 | d[2] << 16 | uint32_t(d[3]) << 24));
}
