#include "settings/RegistryAccess.h"

#include <cstdio>

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

bool Absent(platform::ReadResult result) {
  return result == platform::ReadResult::Missing || result == platform::ReadResult::TooLong;
}

bool WriteFailed(platform::OwnedKey& key) {
  key.Reset();
  Warn(kWriteFailure);
  return false;
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

platform::ReadResult ReadStringValue(const platform::OwnedKey& key, const char* name, std::string& target) {
  char buffer[kMaxText + 1];
  const platform::ReadResult result =
      platform::ReadRegText(key.Get(), name, platform::TextKind::Plain, buffer, sizeof buffer);
  if (result == platform::ReadResult::Read) target = buffer;
  return result;
}

platform::ReadResult ReadDwordValue(const platform::OwnedKey& key, const char* name, uint32_t& target) {
  return platform::ReadRegNumber(key.Get(), name, &target);
}

platform::ReadResult ReadDwordValue(const platform::OwnedKey& key, const char* name, int32_t& target) {
  uint32_t value = 0;
  const platform::ReadResult result = ReadDwordValue(key, name, value);
  if (result == platform::ReadResult::Read) target = static_cast<int32_t>(value);
  return result;
}

bool WriteStringValue(platform::OwnedKey& key, const char* name, const char* text) {
  if (!key) return false;
  return platform::WriteRegText(key.Get(), name, text) || WriteFailed(key);
}

bool WriteDwordValue(platform::OwnedKey& key, const char* name, int32_t value) {
  if (!key) return false;
  return platform::WriteRegNumber(key.Get(), name, static_cast<uint32_t>(value)) || WriteFailed(key);
}

void ReadOrWrite(platform::OwnedKey& key, const char* name, std::string& target) {
  if (Absent(ReadStringValue(key, name, target))) WriteStringValue(key, name, target.c_str());
}

void ReadOrWrite(platform::OwnedKey& key, const char* name, int32_t& target) {
  if (Absent(ReadDwordValue(key, name, target))) WriteDwordValue(key, name, target);
}

void ReadOrWrite(platform::OwnedKey& key, const char* name, uint32_t& target) {
  if (Absent(ReadDwordValue(key, name, target))) WriteDwordValue(key, name, static_cast<int32_t>(target));
}

void ShowReadKeyFailure() { Warn(kReadKeyFailure); }

}  // namespace registry
