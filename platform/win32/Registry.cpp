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

// No text the program stores comes near this; a longer one is not read.
constexpr DWORD kLongestText = 1 << 20;

HKEY RootKey(RegRoot root) {
  return root == RegRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// Null names the key's default value, as the empty name does.
std::wstring NameOf(const char* name) { return Wide(name); }

// A text value in Windows-1251, as the ANSI functions hand it out: a text
// stored without its NUL gets one.
RegResult QueryText(HKEY key, const std::wstring& name, DWORD length, void* data, uint32_t* size) {
  if (length > kLongestText) {
    if (size) *size = length / sizeof(wchar_t) + 1;
    return RegResult::MoreData;
  }
  std::vector<wchar_t> wide(length / sizeof(wchar_t) + 1, L'\0');
  DWORD read = length;
  if (RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(wide.data()), &read) !=
      ERROR_SUCCESS) {
    return RegResult::Failed;
  }
  const size_t units = read / sizeof(wchar_t);
  std::string text;
  win32::Narrow(wide.data(), units, text);
  text.resize(units, '?');
  const bool addNul = units > 0 && wide[units - 1] != L'\0';
  const uint32_t needed = static_cast<uint32_t>(units + (addNul ? 1 : 0));
  if (size == nullptr) return RegResult::Ok;
  const uint32_t capacity = *size;
  *size = needed;
  if (needed > capacity) return RegResult::MoreData;
  if (data != nullptr && needed > 0) {
    std::memcpy(data, text.data(), units);
    if (addNul) static_cast<char*>(data)[units] = '\0';
  }
  return RegResult::Ok;
}

}  // namespace

RegKey RegOpenKeyObject(RegRoot root, const char* path) {
  HKEY key = nullptr;
  // The classes root is mostly the machine's, which a user may only read.
  const REGSAM access = root == RegRoot::ClassesRoot ? KEY_READ : KEY_ALL_ACCESS;
  if (RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return FromHkey(key);
}

RegKey RegCreateKeyObject(RegRoot root, const char* path) {
  HKEY key = nullptr;
  const LONG result = RegCreateKeyExW(RootKey(root), Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return result == ERROR_SUCCESS ? FromHkey(key) : nullptr;
}

void RegCloseKeyObject(RegKey key) {
  if (key) RegCloseKey(ToHkey(key));
}

RegResult RegQueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  if (!key) return RegResult::Failed;
  const std::wstring valueName = NameOf(name);
  DWORD storedType = 0;
  DWORD length = 0;
  LONG result = RegQueryValueExW(ToHkey(key), valueName.c_str(), nullptr, &storedType, nullptr, &length);
  if (result != ERROR_SUCCESS) return result == ERROR_FILE_NOT_FOUND ? RegResult::NotFound : RegResult::Failed;
  if (type) *type = storedType;
  if (IsText(storedType)) return QueryText(ToHkey(key), valueName, length, data, size);
  length = size ? *size : 0;
  result = RegQueryValueExW(ToHkey(key), valueName.c_str(), nullptr, nullptr, static_cast<BYTE*>(data),
                            size ? &length : nullptr);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return RegResult::Failed;
  if (size) *size = length;
  return result == ERROR_SUCCESS ? RegResult::Ok : RegResult::MoreData;
}

bool RegSetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  if (!key) return false;
  const std::wstring valueName = NameOf(name);
  if (!IsText(type)) {
    return RegSetValueExW(ToHkey(key), valueName.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
  }
  // Every byte, a NUL inside included, becomes one UTF-16 unit.
  const std::wstring wide = Wide(static_cast<const char*>(data), size);
  return RegSetValueExW(ToHkey(key), valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(wide.data()),
                        static_cast<DWORD>(wide.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace platform
