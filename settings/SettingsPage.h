// The pages of the settings dialog, in the order of its tabs. Their numbers
// are what "LastTabPos" stores.
#pragma once

#include <cstdint>

enum class SettingsPage : int32_t { General = 0, Mailboxes = 1, Commands = 2, Antispam = 3 };

constexpr int32_t kSettingsPageCount = 4;

// The page of a stored or tab number; one that names no page (a damaged
// value, or a page of another version) is the general page.
constexpr SettingsPage PageNumbered(int32_t number) {
  return number >= 0 && number < kSettingsPageCount ? static_cast<SettingsPage>(number) : SettingsPage::General;
}

constexpr int32_t NumberOf(SettingsPage page) { return static_cast<int32_t>(page); }
