// The program's stored settings, section by section: the program's own, a
// mailbox's and a command's, each a set of named texts and numbers. They
// live in the registry under HKEY_CURRENT_USER\Software\Tandreller: the
// program's in "Settings", the N-th mailbox's in "MailBoxes\N", the N-th
// command's in "Commands\N".
//
// A save that fails lets go of the section and says so; every later load or
// save through it fails quietly, so one broken section gives one message,
// never a cascade.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/Owned.h"

class SettingsSection {
 public:
  // Each opens its section, creating it (with its parents) when it is
  // missing; when neither works it shows the section message and the
  // section is empty. Sections are numbered from 1.
  static SettingsSection OfProgram();
  static SettingsSection OfMailbox(int32_t number);
  static SettingsSection OfCommand(int32_t number);
  // The program's section once loading has made it: opened, never created.
  // When it cannot be opened the read message is shown and it is empty.
  static SettingsSection ReopenProgram();

  SettingsSection(SettingsSection&&) = default;
  SettingsSection& operator=(SettingsSection&&) = default;

  explicit operator bool() const { return static_cast<bool>(Key); }

  // Load-or-default: the value keeps its present (default) content unless
  // the stored one is taken. A value is taken only as the type it is saved
  // as (a text as a text, a number as a number of four bytes) and whole: a
  // text with characters that Windows-1251 lacks has lost them and is no
  // use, a password least of all. A missing value, or a text too long to be
  // one, is then saved with the default. A value of another type, or a text
  // that lost characters, is left as it is: it holds what someone meant,
  // such as an administrator's port typed as a text, and only the user's own
  // save replaces it.
  void Load(const char* name, std::string& value);
  void Load(const char* name, int32_t& value);
  void Load(const char* name, uint32_t& value);

  // Each save is true on success. Texts are stored without their NUL.
  bool Save(const char* name, const std::string& text);
  bool Save(const char* name, int32_t number);
  bool Save(const char* name, uint32_t number);

 private:
  explicit SettingsSection(platform::OwnedKey key) : Key(std::move(key)) {}
  bool SaveFailed();

  platform::OwnedKey Key;
};
