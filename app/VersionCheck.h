// The program's own version against the number its web site publishes.
#pragma once

#include <cstddef>
#include <cstdint>

// Compared and shown in single precision, as "%.2f".
constexpr float kProgramVersion = 2.13f;

// At most this many bytes of the version file are read.
constexpr size_t kVersionFileBytes = 10;

// The whole read of the version file ends within this time. It runs in a
// thread of its own, so a slow site holds up nothing but its own answer.
constexpr uint32_t kVersionCheckTimeLimitMs = 10000;

class Application;

// Told on the main thread once a check's result is in SiteVersion.
using VersionAnswer = void (*)(Application& application);

// Who waits for the version check that runs: one read serves every asker.
struct VersionCheckWaiters {
  bool Running = false;
  // The start-up check: a newer number announces the notice.
  bool Announce = false;
  VersionAnswer Answer = nullptr;
};

// The number at the start of the version file's first bytes (as "%f" reads
// it, blanks first allowed), or 0 when there is none: an empty answer, an
// error page or garbage count as a site that could not be reached.
float SiteVersionOf(const char* body, size_t length);

// Reads the version file in a thread of its own; on the main thread its
// number (0 when the site cannot be reached) goes to
// Application::FinishVersionCheck, unless the program has ended by then.
// False when the thread could not start.
bool StartSiteVersionRead();

// Whether the site's number is a newer version than this one.
bool IsNewerVersion(float siteVersion);

// Whether the start-up check is due: the moment `periodDays` days after the
// last check (the last check's UTC calendar fields with the days added,
// through the program's time scale, see mail/TimeScale.h) is earlier than
// `now` (true UTC seconds). Absurd periods saturate.
bool VersionCheckDue(int32_t lastCheck, int32_t periodDays, int64_t now);
