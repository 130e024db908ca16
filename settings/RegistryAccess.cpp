#include "settings/RegistryAccess.h"

#include <cstdio>
#include <cstring>

#include "common/Texts.h"

namespace registry {

namespace {

constexpr char kKeyFailure[] =
    "Не удалось добавить ключ в реестр\nОбратитесь к сисадмину\nПрограмма завершает свою работу";
constexpr char kWriteFailure[] =
    "Не удалось добавить запись в реестр\nОбратитесь к сисадмину\nПрограмма завершает свою работу";
constexpr char kReadKeyFailure[] =
    "Не удалось считать ключ из реестра\nОбратитесь к сисадмину\nПрограмма завершает свою работу";

void Warn(const char* text) {
  platform::ShowMessageBox(nullptr, text, texts::kCaptionError, platform::BoxButtons::Ok,
                           platform::BoxIcon::Warning, true);
}

int WriteFailed(platform::OwnedKey& key) {
  key.Reset();
  Warn(kWriteFailure);
  return 0;
}

}  // namespace

platform::OwnedKey OpenOrCreateKey(const char* path) {
  platform::OwnedKey key(platform::RegOpenKeyObject(platform::RegRoot::CurrentUser, path));
  if (key) return key;
  platform::OwnedKey(platform::RegCreateKeyObject(platform::RegRoot::CurrentUser, path));
  key.Reset(platform::RegOpenKeyObject(platform::RegRoot::CurrentUser, path));
  if (!key) Warn(kKeyFailure);
  return key;
}

platform::OwnedKey OpenOrCreateNumberedKey(const char* prefix, int32_t number) {
  char path[128];
  std::snprintf(path, sizeof path, "%s%d", prefix, static_cast<int>(number));
  return OpenOrCreateKey(path);
}

int ReadStringValue(const platform::OwnedKey& key, const char* name, String& target) {
  // One byte more than the query may fill keeps the text terminated whatever
  // the registry hands back.
  char buffer[kMaxText + 2] = {};
  uint32_t size = kMaxText + 1;
  if (!key || platform::RegQueryValue(key.Get(), name, nullptr, buffer, &size) != platform::RegResult::Ok) {
    return 0;
  }
  // A text stored without its NUL can fill the whole query; it is too long all the same.
  if (std::strlen(buffer) > kMaxText) return 0;
  target.Assign(buffer);
  return 1;
}

int ReadDwordValue(const platform::OwnedKey& key, const char* name, int32_t& target) {
  uint8_t bytes[4] = {};
  uint32_t size = sizeof bytes;
  if (!key || platform::RegQueryValue(key.Get(), name, nullptr, bytes, &size) != platform::RegResult::Ok ||
      size != sizeof bytes) {
    return 0;
  }
  target =
      static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24);
  return 1;
}

int ReadDwordValue(const platform::OwnedKey& key, const char* name, uint32_t& target) {
  int32_t value = 0;
  if (!ReadDwordValue(key, name, value)) return 0;
  target = static_cast<uint32_t>(value);
  return 1;
}

int WriteStringValue(platform::OwnedKey& key, const char* name, const char* text) {
  if (!key) return 0;
  const uint32_t length = static_cast<uint32_t>(std::strlen(text));
  if (!platform::RegSetValue(key.Get(), name, platform::kRegText, text, length)) return WriteFailed(key);
  return 1;
}

int WriteDwordValue(platform::OwnedKey& key, const char* name, int32_t value) {
  if (!key) return 0;
  const uint32_t bits = static_cast<uint32_t>(value);
  const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                            static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
  if (!platform::RegSetValue(key.Get(), name, platform::kRegDword, bytes, sizeof bytes)) return WriteFailed(key);
  return 1;
}

void ReadOrWrite(platform::OwnedKey& key, const char* name, String& target) {
  if (!ReadStringValue(key, name, target)) WriteStringValue(key, name, target.Text());
}

void ReadOrWrite(platform::OwnedKey& key, const char* name, int32_t& target) {
  if (!ReadDwordValue(key, name, target)) WriteDwordValue(key, name, target);
}

void ReadOrWrite(platform::OwnedKey& key, const char* name, uint32_t& target) {
  if (!ReadDwordValue(key, name, target)) WriteDwordValue(key, name, static_cast<int32_t>(target));
}

void ShowReadKeyFailure() { Warn(kReadKeyFailure); }

}  // namespace registry
