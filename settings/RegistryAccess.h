// The program's five ways into its registry tree under HKEY_CURRENT_USER,
// and the messages that report their failures.
//
// A write that fails closes the key it was given, sets the caller's handle to
// null and says so; every later read or write through that null handle fails
// quietly, so one broken key gives one message, never a cascade.
#pragma once

#include <cstdint>

#include "common/String.h"
#include "platform/Platform.h"

namespace registry {

constexpr char kSettingsKey[] = "Software\\Tandreller\\Settings";
constexpr char kMailBoxesPrefix[] = "Software\\Tandreller\\MailBoxes\\";
constexpr char kCommandsPrefix[] = "Software\\Tandreller\\Commands\\";

// The longest text the tree holds; a longer one reads as missing.
constexpr uint32_t kMaxText = 2047;

// Opens the key with full access, creating it (with its parents) when it is
// missing. Shows the key message and returns null when neither works.
platform::RegKey OpenOrCreateKey(const char* path);

// Opens the numbered subkey ("%s%d") of a prefix the same way.
platform::RegKey OpenOrCreateNumberedKey(const char* prefix, int32_t number);

// Each read is non-zero on success and leaves the target unchanged on failure.
// The stored type is not looked at: a value is what its bytes are.
int ReadStringValue(platform::RegKey key, const char* name, String& target);
// Exactly four bytes make a number; shorter or longer data reads as missing.
int ReadDwordValue(platform::RegKey key, const char* name, int32_t& target);
int ReadDwordValue(platform::RegKey key, const char* name, uint32_t& target);

// Each write is non-zero on success. Texts are stored without their NUL.
int WriteStringValue(platform::RegKey& key, const char* name, const char* text);
int WriteDwordValue(platform::RegKey& key, const char* name, int32_t value);

// Read-or-default: a value that cannot be read is written with the target's
// present (default) value.
void ReadOrWrite(platform::RegKey& key, const char* name, String& target);
void ReadOrWrite(platform::RegKey& key, const char* name, int32_t& target);
void ReadOrWrite(platform::RegKey& key, const char* name, uint32_t& target);

// Closes a key unless it is already closed, and forgets it.
void CloseKey(platform::RegKey& key);

// Shows the message for a Settings key that cannot be opened to be read.
void ShowReadKeyFailure();

}  // namespace registry
