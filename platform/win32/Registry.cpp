// Registry keys and values through the wide functions, and the registration
// of the mail program, which is a registry value too. Texts are stored as
// Windows keeps them, in UTF-16, converted from and to Windows-1251 here: a
// value reads back as written whatever the system's ANSI code page is. One
// that an older build wrote through another ANSI code page reads back with
// characters that Windows-1251 lacks, and is said to be Foreign.
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform {

using win32::FromHkey;
using win32::ToHkey;
using win32::Wide;

namespace {

// The value's type and stored bytes; false when it is missing or changed
// between the two questions.
bool QueryValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data) {
  DWORD length = 0;
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &length) != ERROR_SUCCESS) return false;
  data.assign(length, 0);
  DWORD read = length;
  if (RegQueryValueExW(key, name.c_str(), nullptr, nullptr, data.data(), &read) != ERROR_SUCCESS) {
    return false;
  }
  data.resize(read);
  return true;
}

// A text, or with `expandable` also one that names variables, read as it
// stands (ReadRegText).
ReadResult ReadText(HKEY key, const char* name, bool expandable, char* buffer, size_t capacity) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!key || !QueryValue(key, Wide(name), type, data)) return ReadResult::Missing;
  if (type != REG_SZ && !(type == REG_EXPAND_SZ && expandable)) return ReadResult::WrongType;
  std::wstring wide(data.size() / sizeof(wchar_t), L'\0');
  if (!wide.empty()) std::memcpy(&wide[0], data.data(), wide.size() * sizeof(wchar_t));
  // A text stored by another program usually ends in a NUL, the program's own never.
  if (!wide.empty() && wide.back() == L'\0') wide.pop_back();
  if (wide.size() >= capacity) return ReadResult::TooLong;
  wide.resize(std::wcslen(wide.c_str()));
  std::string text;
  const bool whole = win32::Narrow(wide, text);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return whole ? ReadResult::Read : ReadResult::Foreign;
}

template <size_t N>
ReadResult ProgramFilesFolder(char (&buffer)[N]) {
  wchar_t wide[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, wide))) {
    return ReadResult::Missing;
  }
  std::string path;
  const bool whole = win32::Narrow(wide, wcsnlen(wide, MAX_PATH), path);
  if (path.empty()) return ReadResult::Missing;
  if (path.size() >= N) return ReadResult::TooLong;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return whole ? ReadResult::Read : ReadResult::Foreign;
}

}  // namespace

RegKey OpenRegKey(const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
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

ReadResult ReadRegText(RegKey key, const char* name, char* buffer, size_t capacity) {
  return ReadText(ToHkey(key), name, false, buffer, capacity);
}

ReadResult ReadRegNumber(RegKey key, const char* name, uint32_t* number) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!key || !QueryValue(ToHkey(key), Wide(name), type, data)) return ReadResult::Missing;
  if (type != REG_DWORD || data.size() != sizeof(DWORD)) return ReadResult::WrongType;
  DWORD value = 0;
  std::memcpy(&value, data.data(), sizeof value);
  *number = value;
  return ReadResult::Read;
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

// The classes root is mostly the machine's, which a user may only read. Its
// key's default value is read by its name "": the first value of the key in
// enumeration order may be another one.
MailProgramRegistration RegisteredMailProgram() {
  MailProgramRegistration found;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", 0, KEY_READ, &opened) ==
      ERROR_SUCCESS) {
    const OwnedKey key(FromHkey(opened));
    found.lineRead = ReadText(opened, "", true, found.line, sizeof found.line);
  }
  found.folderRead = ProgramFilesFolder(found.programFiles);
  return found;
}

}  // namespace platform
