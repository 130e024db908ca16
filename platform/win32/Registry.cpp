// Registry keys and values through the ANSI functions.
#include "platform/win32/Handles.h"

namespace platform {

using win32::FromHkey;
using win32::ToHkey;

namespace {

HKEY RootKey(RegRoot root) {
  return root == RegRoot::ClassesRoot ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
}

}  // namespace

RegKey RegOpenKeyObject(RegRoot root, const char* path) {
  HKEY key = nullptr;
  // The classes root is mostly the machine's, which a user may only read.
  const REGSAM access = root == RegRoot::ClassesRoot ? KEY_READ : KEY_ALL_ACCESS;
  if (RegOpenKeyExA(RootKey(root), path, 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return FromHkey(key);
}

RegKey RegCreateKeyObject(RegRoot root, const char* path) {
  HKEY key = nullptr;
  const LONG result = RegCreateKeyExA(RootKey(root), path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return result == ERROR_SUCCESS ? FromHkey(key) : nullptr;
}

void RegCloseKeyObject(RegKey key) {
  if (key) RegCloseKey(ToHkey(key));
}

RegResult RegQueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  if (!key) return RegResult::Failed;
  DWORD storedType = 0;
  DWORD length = size ? *size : 0;
  const LONG result = RegQueryValueExA(ToHkey(key), name, nullptr, &storedType,
                                       static_cast<BYTE*>(data), size ? &length : nullptr);
  if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) {
    return result == ERROR_FILE_NOT_FOUND ? RegResult::NotFound : RegResult::Failed;
  }
  if (type) *type = storedType;
  if (size) *size = length;
  return result == ERROR_SUCCESS ? RegResult::Ok : RegResult::MoreData;
}

bool RegSetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  return key && RegSetValueExA(ToHkey(key), name, 0, type, static_cast<const BYTE*>(data), size) ==
                    ERROR_SUCCESS;
}

}  // namespace platform
