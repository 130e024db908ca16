#include "settings/SettingsSection.h"

#include <cstdio>

#include "common/Texts.h"
#include "platform/Platform.h"

namespace {

constexpr char kProgramPath[] = "Software\\Tandreller\\Settings";
constexpr char kMailboxPrefix[] = "Software\\Tandreller\\MailBoxes\\";
constexpr char kCommandPrefix[] = "Software\\Tandreller\\Commands\\";

// The longest text a section holds; a longer one loads as missing.
constexpr uint32_t kMaxText = 2047;

constexpr char kKeyFailure[] =
    "Не удалось добавить ключ в реестр\nОбратитесь к сисадмину\nПрограмма завершает свою работу";
constexpr char kWriteFailure[] =
    "Не удалось добавить запись в реестр\nОбратитесь к сисадмину\nПрограмма завершает свою работу";
constexpr char kReadKeyFailure[] =
    "Не удалось считать ключ из реестра\nОбратитесь к сисадмину\nПрограмма завершает свою работу";

void Warn(const char* text) {
  platform::ShowUrgentMessageBox(nullptr, text, texts::kCaptionError, platform::BoxButtons::Ok,
                                 platform::BoxIcon::Warning);
}

bool Absent(platform::ReadResult result) {
  return result == platform::ReadResult::Missing || result == platform::ReadResult::TooLong;
}

platform::OwnedKey OpenOrCreate(const char* path) {
  platform::OwnedKey key(platform::OpenRegKey(path));
  if (!key) key.Reset(platform::CreateRegKey(path));
  if (!key) Warn(kKeyFailure);
  return key;
}

platform::OwnedKey OpenOrCreateNumbered(const char* prefix, int32_t number) {
  char path[128];
  std::snprintf(path, sizeof path, "%s%d", prefix, static_cast<int>(number));
  return OpenOrCreate(path);
}

// The value changes only when the result is Read.
platform::ReadResult ReadText(const platform::OwnedKey& key, const char* name, std::string& value) {
  char buffer[kMaxText + 1];
  const platform::ReadResult result = platform::ReadRegText(key.Get(), name, buffer, sizeof buffer);
  if (result == platform::ReadResult::Read) value = buffer;
  return result;
}

platform::ReadResult ReadNumber(const platform::OwnedKey& key, const char* name, uint32_t& value) {
  return platform::ReadRegNumber(key.Get(), name, &value);
}

}  // namespace

SettingsSection SettingsSection::OfProgram() { return SettingsSection(OpenOrCreate(kProgramPath)); }

SettingsSection SettingsSection::OfMailbox(int32_t number) {
  return SettingsSection(OpenOrCreateNumbered(kMailboxPrefix, number));
}

SettingsSection SettingsSection::OfCommand(int32_t number) {
  return SettingsSection(OpenOrCreateNumbered(kCommandPrefix, number));
}

SettingsSection SettingsSection::ReopenProgram() {
  platform::OwnedKey key(platform::OpenRegKey(kProgramPath));
  if (!key) Warn(kReadKeyFailure);
  return SettingsSection(std::move(key));
}

void SettingsSection::Load(const char* name, std::string& value) {
  if (Absent(ReadText(Key, name, value))) Save(name, value);
}

void SettingsSection::Load(const char* name, uint32_t& value) {
  if (Absent(ReadNumber(Key, name, value))) Save(name, value);
}

void SettingsSection::Load(const char* name, int32_t& value) {
  uint32_t stored = 0;
  const platform::ReadResult result = ReadNumber(Key, name, stored);
  if (result == platform::ReadResult::Read) value = static_cast<int32_t>(stored);
  if (Absent(result)) Save(name, value);
}

bool SettingsSection::Save(const char* name, const std::string& text) {
  if (!Key) return false;
  return platform::WriteRegText(Key.Get(), name, text.c_str()) || SaveFailed();
}

bool SettingsSection::Save(const char* name, int32_t number) {
  return Save(name, static_cast<uint32_t>(number));
}

bool SettingsSection::Save(const char* name, uint32_t number) {
  if (!Key) return false;
  return platform::WriteRegNumber(Key.Get(), name, number) || SaveFailed();
}

bool SettingsSection::SaveFailed() {
  Key.Reset();
  Warn(kWriteFailure);
  return false;
}
