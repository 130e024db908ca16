#include "app/VersionCheck.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/Application.h"
#include "app/Site.h"
#include "mail/TimeScale.h"
#include "platform/Platform.h"
#include "settings/RegistryAccess.h"

float SiteVersionOf(const char* body, size_t length) {
  char text[kVersionFileBytes + 1] = {};
  const size_t size = length < kVersionFileBytes ? length : kVersionFileBytes;
  if (body != nullptr) std::memcpy(text, body, size);
  float version = 0.0f;
  if (std::sscanf(text, "%f", &version) != 1) return 0.0f;
  // "%f" also reads "nan", "inf", "1e99" and negative numbers. None is a
  // version: an infinite one would announce a new version at every start,
  // and the dialog could show no such number. So they count as no answer.
  if (!std::isfinite(version) || version < 0.0f) return 0.0f;
  return version;
}

bool IsNewerVersion(float siteVersion) { return siteVersion > kProgramVersion; }

bool VersionCheckDue(int32_t lastCheck, int32_t periodDays, int64_t now) {
  const CalendarFields last = UtcFields(lastCheck);
  // Saturates for absurd periods, far beyond any time value either way.
  const int64_t dueUtc =
      UtcSeconds(last.Year, last.Month, int64_t{last.Day} + periodDays, last.Hour, last.Minute, last.Second);
  const int32_t due = TimeValueOf(dueUtc);
  // A moment before 1970 or past 2038 has no time value; that far from the
  // scale's ends the zone's few hours do not matter: compare in true UTC.
  if (due < 0) return dueUtc < now;
  return due < now;
}

// Waiting mail keeps the envelope: a check from "О программе" must not make
// it say that all is quiet.
void Application::CheckNewVersion() {
  const bool shown = Tray.State != TrayState::NewMail;
  if (shown) Tray.SetState(TrayState::CheckingVersion);
  SiteVersion = 0.0f;
  char buffer[kVersionFileBytes];
  const int read = platform::ReadUrl(site::kVersionFile, buffer, sizeof buffer, kVersionCheckTimeLimitMs);
  if (read > 0) SiteVersion = SiteVersionOf(buffer, static_cast<size_t>(read));
  if (shown) Tray.Calm();
}

int Application::AutoCheckNewVersion() {
  CheckNewVersion();
  if (!IsNewerVersion(SiteVersion)) return 0;
  Tray.SetState(TrayState::NewVersion);
  return 1;
}

int Application::StartupVersionCheck() {
  if (DoAutoCheckNewVer == 0) return 1;
  const int64_t now = platform::CurrentTime();
  if (!VersionCheckDue(LastCheckNewVer, CheckNewVerPeriod, now)) return 1;
  AutoCheckNewVersion();
  // Opened, not created: LoadSettings made the key a moment ago.
  platform::OwnedKey key(platform::OpenRegKey(platform::RegRoot::CurrentUser, registry::kSettingsKey));
  if (!key) {
    registry::ShowReadKeyFailure();
    return 0;
  }
  // The time before the check: a slow site does not push the next one back.
  LastCheckNewVer = static_cast<int32_t>(now);
  registry::WriteDwordValue(key, "LastCheckNewVer", LastCheckNewVer);
  return 1;
}
