// Registry keys and values through the wide functions. Texts are stored as
// Windows keeps them, in UTF-16, converted from and to Windows-1251 here: a
// value reads back as written whatever the system's ANSI code page is.
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {

using win32::FromHkey;
using win32::ToHkey;
using win32::Wide;

namespace {

HKEY RootKey(RegRoot root) { return root == RegRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER; }

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// The stored bytes of a value of `length` bytes; false when it changed
// since its length was asked.
bool QueryBytes(HKEY key, const std::wstring& name, DWORD length, std::vector<BYTE>& data) {
  data.assign(length + sizeof(wchar_t), 0);
  DWORD read = length;
  if (RegQueryValueExW(key, name.c_str(), nullptr, nullptr, data.data(), &read) != ERROR_SUCCESS) {
    return false;
  }
  data.resize(read);
  return true;
}

// A text in Windows-1251 ending in a NUL, added when Windows kept none: the
// program stores its texts without.
std::string TextOf(const std::vector<BYTE>& data) {
  const size_t units = data.size() / sizeof(wchar_t);
  std::wstring wide(units, L'\0');
  if (units > 0) std::memcpy(&wide[0], data.data(), units * sizeof(wchar_t));
  std::string text;
  win32::Narrow(wide, text);
  text.resize(units, '?');
  if (text.empty() || text.back() != '\0') text.push_back('\0');
  return text;
}

}  // namespace

RegKey OpenRegKey(RegRoot root, const char* path) {
  HKEY key = nullptr;
  // The classes root is mostly the machine's, which a user may only read.
  const REGSAM access = root == RegRoot::ClassesRoot ? KEY_READ : KEY_ALL_ACCESS;
  if (RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return FromHkey(key);
}

RegKey CreateRegKey(const char* path) {
  HKEY key = nullptr;
  const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, nullptr,
                                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return result == ERROR_SUCCESS ? FromHkey(key) : nullptr;
}

void CloseRegKey(RegKey key) {
  if (key) RegCloseKey(ToHkey(key));
}

int ReadRegValue(RegKey key, const char* name, char* buffer, size_t capacity) {
  if (!key) return -1;
  const std::wstring valueName = Wide(name);
  DWORD type = 0;
  DWORD length = 0;
  if (RegQueryValueExW(ToHkey(key), valueName.c_str(), nullptr, &type, nullptr, &length) != ERROR_SUCCESS) {
    return -1;
  }
  // A text takes half its stored bytes; either way a longer value is never read.
  const size_t least = IsText(type) ? length / sizeof(wchar_t) : length;
  std::vector<BYTE> data;
  if (least > capacity || !QueryBytes(ToHkey(key), valueName, length, data)) return -1;
  const std::string bytes = IsText(type) ? TextOf(data) : std::string(data.begin(), data.end());
  if (bytes.size() > capacity) return -1;
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

bool WriteRegText(RegKey key, const char* name, const char* text) {
  // Every byte becomes one UTF-16 unit; no NUL is stored after the last.
  const std::wstring wide = Wide(text);
  return key && RegSetValueExW(ToHkey(key), Wide(name).c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(wide.data()),
                               static_cast<DWORD>(wide.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool WriteRegNumber(RegKey key, const char* name, uint32_t number) {
  const DWORD value = number;
  return key && RegSetValueExW(ToHkey(key), Wide(name).c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS;
}

}  // namespace platform
