// The stand-in's user-facing services: message boxes, the shell, menus, the
// tray icon, icons, sound and the web. Each call is recorded for the tests
// and answered from what the tests queued.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

namespace {

using namespace platform;

struct Records {
  std::vector<std::string> boxes;
  std::deque<BoxAnswer> answers;
  std::vector<host::ShellCall> shellCalls;
  std::set<std::string> refusedTargets;
  std::deque<uint32_t> menuChoices;
  std::vector<std::vector<host::MenuItem>> menusShown;
  std::vector<host::TrayIcon> tray;  // none or the one
  int trayCalls = 0;
  std::vector<host::Balloon> balloons;
  std::vector<uint32_t> sounds;  // frequencies
  std::map<std::string, std::string> urls;
  bool urlReadsHeld = false;
};

host::detail::Guarded<Records>& g_records = *new host::detail::Guarded<Records>;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// The program has one icon in the tray; the shell keeps 63 bytes of a tip.
bool Tray(bool show, Icon icon = nullptr, const char* tip = nullptr) {
  return g_records([&](Records& r) {
    ++r.trayCalls;
    const bool had = !r.tray.empty();
    r.tray.clear();
    if (show) r.tray.push_back({icon, Text(tip).substr(0, 63)});
    return show || had;
  });
}

// Every sound has ended when its call returns, as far as a test can tell.
bool Sounded(uint32_t frequencyHz) {
  g_records.Add(&Records::sounds, frequencyHz);
  return true;
}

}  // namespace

namespace platform {

BoxAnswer ShowMessageBox(Window, const char* text, const char*, BoxButtons buttons, BoxIcon) {
  const bool asks = buttons == BoxButtons::YesNo || buttons == BoxButtons::YesNoDefaultNo;
  return g_records([&](Records& r) {
    r.boxes.push_back(Text(text));
    return host::detail::Next(r.answers, asks ? BoxAnswer::Yes : BoxAnswer::Ok);
  });
}

// Nothing here can hide a box: the urgent one is any other.
BoxAnswer ShowUrgentMessageBox(Window owner, const char* text, const char* caption, BoxButtons buttons,
                               BoxIcon icon) {
  return ShowMessageBox(owner, text, caption, buttons, icon);
}

bool ShellOpen(const char* target, const char* params, ShowMode mode) {
  return g_records([&](Records& r) {
    r.shellCalls.push_back({Text(target), Text(params), mode});
    return target != nullptr && *target != '\0' && r.refusedTargets.count(target) == 0;
  });
}

// An icon's handle stands for its name.
Icon LoadProgramIcon(Module, IconName name, int) {
  return reinterpret_cast<Icon>(static_cast<uintptr_t>(name) + 1);
}

int SmallIconSize() { return 16; }
int DisplayPixels(int pixelsAt96) { return pixelsAt96; }

uint32_t ShowPopupMenu(const MenuItem* items, size_t count, Window) {
  std::vector<host::MenuItem> shown;
  for (size_t i = 0; i < count; ++i)
    shown.push_back({items[i].commandId, Text(items[i].text), items[i].state});
  return g_records([&](Records& r) {
    r.menusShown.push_back(shown);
    return host::detail::Next(r.menuChoices, 0u);
  });
}

bool ShowTrayIcon(Icon icon, const char* tip) { return Tray(true, icon, tip); }
bool RemoveTrayIcon() { return Tray(false); }

bool ShowTrayBalloon(const char* titleUtf8, const char* textUtf8) {
  return g_records([&](Records& r) {
    if (r.tray.empty()) return false;
    r.balloons.push_back({Text(titleUtf8), Text(textUtf8)});
    return true;
  });
}

bool SpeakerBeep(uint32_t frequencyHz, uint32_t) { return Sounded(frequencyHz); }
bool PlayWaveFile(const char* path) { return path != nullptr && *path != '\0' && Sounded(0); }

bool FileExists(const char* path) {
  struct stat status;
  return path != nullptr && *path != '\0' && ::stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

int ReadUrl(const char* url, char* buffer, size_t capacity, uint32_t timeLimitMs) {
  const auto released = [](Records& r) { return !r.urlReadsHeld; };
  return g_records.Wait(released, timeLimitMs, [&](Records& r, bool answers) {
    // As on Windows, nothing but https is read.
    if (!answers || Text(url).rfind("https://", 0) != 0) return -1;
    const auto found = r.urls.find(Text(url));
    if (found == r.urls.end()) return -1;
    const size_t size = std::min(found->second.size(), capacity);
    std::memcpy(buffer, found->second.data(), size);
    return static_cast<int>(size);
  });
}

}  // namespace platform

namespace host {

std::vector<std::string> MessageBoxes() { return g_records.Get(&Records::boxes); }
std::vector<ShellCall> ShellCalls() { return g_records.Get(&Records::shellCalls); }
std::vector<std::vector<MenuItem>> MenusShown() { return g_records.Get(&Records::menusShown); }
std::vector<TrayIcon> TrayIcons() { return g_records.Get(&Records::tray); }
int TrayCallCount() { return g_records.Get(&Records::trayCalls); }
std::vector<Balloon> Balloons() { return g_records.Get(&Records::balloons); }
std::vector<uint32_t> Sounds() { return g_records.Get(&Records::sounds); }

void QueueAnswer(BoxAnswer answer) { g_records.Add(&Records::answers, answer); }
void RefuseShellTarget(const std::string& target) { g_records.Add(&Records::refusedTargets, target); }
void QueueMenuChoice(uint32_t commandId) { g_records.Add(&Records::menuChoices, commandId); }

void ServeUrl(const std::string& url, const std::string& body) {
  g_records([&](Records& r) { r.urls[url] = body; });
}

void HoldUrlReads(bool hold) { g_records.Set(&Records::urlReadsHeld, hold); }

}  // namespace host
