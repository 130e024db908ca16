// The program's five ways into its registry tree under HKEY_CURRENT_USER,
// and the messages that report their failures.
//
// A write that fails lets go of the key through its holder and says so;
// every later read or write through the emptied holder fails quietly, so one
// broken key gives one message, never a cascade.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Owned.h"
#include "platform/Platform.h"

namespace registry {

constexpr char kSettingsKey[] = "Software\\Tandreller\\Settings";
constexpr char kMailBoxesPrefix[] = "Software\\Tandreller\\MailBoxes\\";
constexpr char kCommandsPrefix[] = "Software\\Tandreller\\Commands\\";

// The longest text the tree holds; a longer one reads as missing.
constexpr uint32_t kMaxText = 2047;

// Opens the key with full access, creating it (with its parents) when it is
// missing. Shows the key message and returns null when neither works.
platform::OwnedKey OpenOrCreateKey(const char* path);

// Opens the numbered subkey ("%s%d") of a prefix the same way.
platform::OwnedKey OpenOrCreateNumberedKey(const char* prefix, int32_t number);

// Each read takes only a value stored as its type (a text as a text, a
// number as a number of four bytes) and whole: a text with characters that
// Windows-1251 lacks has lost them and is no use, a password least of all.
// The target changes only when the result is Read.
platform::ReadResult ReadStringValue(const platform::OwnedKey& key, const char* name, std::string& target);
platform::ReadResult ReadDwordValue(const platform::OwnedKey& key, const char* name, int32_t& target);
platform::ReadResult ReadDwordValue(const platform::OwnedKey& key, const char* name, uint32_t& target);

// Each write is true on success. Texts are stored without their NUL.
bool WriteStringValue(platform::OwnedKey& key, const char* name, const char* text);
bool WriteDwordValue(platform::OwnedKey& key, const char* name, int32_t value);

// Read-or-default: the target keeps its present (default) value unless the
// read takes the stored one. A missing value, or a text too long to be one,
// is then written with it. A value of another type, or a text that lost
// characters, is left as it is: it holds what someone meant, such as an
// administrator's port typed as a text, and only the user's own save
// replaces it.
void ReadOrWrite(platform::OwnedKey& key, const char* name, std::string& target);
void ReadOrWrite(platform::OwnedKey& key, const char* name, int32_t& target);
void ReadOrWrite(platform::OwnedKey& key, const char* name, uint32_t& target);

// Shows the message for a Settings key that cannot be opened to be read.
void ShowReadKeyFailure();

}  // namespace registry
