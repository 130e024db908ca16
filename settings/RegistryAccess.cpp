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
  platform::OwnedKey key(platform::OpenRegKey(platform::RegRoot::CurrentUser, path));
  if (!key) key.Reset(platform::CreateRegKey(path));
  if (!key) Warn(kKeyFailure);
  return key;
}

platform::OwnedKey OpenOrCreateNumberedKey(const char* prefix, int32_t number) {
  char path[128];
  std::snprintf(path, sizeof path, "%s%d", prefix, static_cast<int>(number));
  return OpenOrCreateKey(path);
}

int ReadStringValue(const platform::OwnedKey& key, const char* name, String& target) {
  // One byte more than a value may hold keeps the text terminated whatever
  // its bytes are.
  char buffer[kMaxText + 2] = {};
  if (!key || platform::ReadRegValue(key.Get(), name, buffer, kMaxText + 1) < 0) return 0;
  // A value without a NUL can fill the whole buffer; it is too long all the same.
  if (std::strlen(buffer) > kMaxText) return 0;
  target.Assign(buffer);
  return 1;
}

int ReadDwordValue(const platform::OwnedKey& key, const char* name, int32_t& target) {
  char bytes[4] = {};
  if (!key || platform::ReadRegValue(key.Get(), name, bytes, sizeof bytes) != sizeof bytes) return 0;
  const auto byte = [&](int i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << (8 * i); };
  target = static_cast<int32_t>(byte(0) | byte(1) | byte(2) | byte(3));
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
  return platform::WriteRegText(key.Get(), name, text) ? 1 : WriteFailed(key);
}

int WriteDwordValue(platform::OwnedKey& key, const char* name, int32_t value) {
  if (!key) return 0;
  return platform::WriteRegNumber(key.Get(), name, static_cast<uint32_t>(value)) ? 1 : WriteFailed(key);
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
