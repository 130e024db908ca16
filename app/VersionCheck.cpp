#include "app/VersionCheck.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/Application.h"
#include "app/Site.h"
#include "mail/TimeScale.h"
#include "platform/Platform.h"

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

namespace {

// The number travels as the task's argument itself: should the main loop end
// before the task runs, nothing is left to free.
void* ArgumentOf(float version) {
  uint32_t bits = 0;
  std::memcpy(&bits, &version, sizeof bits);
  return reinterpret_cast<void*>(static_cast<uintptr_t>(bits));
}

float VersionOf(void* argument) {
  const auto bits = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(argument));
  float version = 0.0f;
  std::memcpy(&version, &bits, sizeof version);
  return version;
}

// After the exit the answer changes nothing.
void OnSiteVersionRead(void* application, void* argument) {
  Application& app = *static_cast<Application*>(application);
  if (!app.Ended) app.FinishVersionCheck(VersionOf(argument));
}

// The reading thread touches nothing of the application's: the application
// may be ending by the time the site answers.
void ReadSiteVersion(void*) {
  char buffer[kVersionFileBytes];
  const int read = platform::ReadUrl(site::kVersionFile, buffer, sizeof buffer, kVersionCheckTimeLimitMs);
  const float version = read > 0 ? SiteVersionOf(buffer, static_cast<size_t>(read)) : 0.0f;
  platform::PostToMainThread(OnSiteVersionRead, ArgumentOf(version));
}

}  // namespace

bool StartSiteVersionRead() { return platform::StartDetachedThread(ReadSiteVersion, nullptr); }
