// The stand-in's user-facing services: message boxes, the shell, menus, the
// tray icon, icons, sound and the web. Each call is recorded for the tests
// and answered from what the tests queued.
#include <sys/stat.h>

#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Detail.h"
#include "platform/host/HostControl.h"

namespace {

using namespace platform;

std::mutex g_lock;
int g_smallIconSize = 16;
std::vector<host::MessageBoxCall> g_boxes;
std::deque<BoxAnswer> g_answers;
std::vector<host::ShellCall> g_shellCalls;
std::set<std::string> g_refusedTargets;
constexpr char kProgramFiles[] = "C:\\Program Files";
std::string g_programFiles = kProgramFiles;
std::deque<uint32_t> g_menuChoices;
std::vector<std::vector<host::MenuItem>> g_menusShown;
std::vector<host::TrayIcon> g_tray;
int g_trayCalls = 0;
std::map<Icon, std::pair<int, int>> g_icons;  // resource id and size
uintptr_t g_nextIcon = 0x20000;
std::vector<host::Sound> g_sounds;
std::map<std::string, std::string> g_urls;

host::TrayIcon* FindTrayIcon(Window window, uint32_t id) {
  for (host::TrayIcon& icon : g_tray) {
    if (icon.window == window && icon.id == id) return &icon;
  }
  return nullptr;
}

// The shell keeps at most 63 bytes of a tip.
std::string CutTip(const char* tip) {
  std::string text = tip != nullptr ? tip : "";
  return text.size() > 63 ? text.substr(0, 63) : text;
}

host::TrayIcon MakeTrayIcon(const TrayIconData& data) {
  return {data.window, data.id, data.callbackMessage, data.icon, CutTip(data.tip)};
}

}  // namespace

namespace platform {

BoxAnswer ShowMessageBox(Window owner, const char* text, const char* caption, BoxButtons buttons, BoxIcon icon,
                         bool systemModal) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_boxes.push_back({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", buttons, icon,
                     systemModal});
  if (!g_answers.empty()) {
    const BoxAnswer answer = g_answers.front();
    g_answers.pop_front();
    return answer;
  }
  const bool asks = buttons == BoxButtons::YesNo || buttons == BoxButtons::YesNoDefaultNo;
  return asks ? BoxAnswer::Yes : BoxAnswer::Ok;
}

bool ShellOpen(const char* target, const char* params, ShowMode mode) {
  std::lock_guard<std::mutex> hold(g_lock);
  const std::string file = target != nullptr ? target : "";
  g_shellCalls.push_back({file, params != nullptr ? params : "", mode});
  return !file.empty() && g_refusedTargets.count(file) == 0;
}

bool ProgramFilesFolder(char* buffer, size_t capacity) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (buffer == nullptr || g_programFiles.empty() || g_programFiles.size() >= capacity) return false;
  std::memcpy(buffer, g_programFiles.c_str(), g_programFiles.size() + 1);
  return true;
}

Icon LoadIconResource(Module, int resourceId, int size) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (resourceId <= 0) return nullptr;
  Icon icon = reinterpret_cast<Icon>(g_nextIcon);
  g_nextIcon += 8;
  g_icons[icon] = {resourceId, size};
  return icon;
}

int SmallIconSize() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_smallIconSize;
}

int DisplayPixels(int pixelsAt96) {
  std::lock_guard<std::mutex> hold(g_lock);
  return pixelsAt96 * g_smallIconSize / 16;
}

uint32_t ShowPopupMenu(const MenuItem* items, size_t count, Window) {
  std::lock_guard<std::mutex> hold(g_lock);
  std::vector<host::MenuItem> shown;
  for (size_t i = 0; i < count; ++i) {
    const MenuItem& item = items[i];
    const bool command = item.commandId != 0;
    shown.push_back({item.commandId, command && item.text != nullptr ? item.text : "",
                     command ? item.state : ItemState::Enabled});
  }
  g_menusShown.push_back(shown);
  if (g_menuChoices.empty()) return 0;
  const uint32_t choice = g_menuChoices.front();
  g_menuChoices.pop_front();
  return choice;
}

bool TrayAdd(const TrayIconData& data) {
  std::lock_guard<std::mutex> hold(g_lock);
  ++g_trayCalls;
  if (FindTrayIcon(data.window, data.id) != nullptr) return false;
  g_tray.push_back(MakeTrayIcon(data));
  return true;
}

bool TrayModify(const TrayIconData& data) {
  std::lock_guard<std::mutex> hold(g_lock);
  ++g_trayCalls;
  host::TrayIcon* icon = FindTrayIcon(data.window, data.id);
  if (icon == nullptr) return false;
  *icon = MakeTrayIcon(data);
  return true;
}

bool TrayDelete(Window window, uint32_t id) {
  std::lock_guard<std::mutex> hold(g_lock);
  ++g_trayCalls;
  for (size_t i = 0; i < g_tray.size(); ++i) {
    if (g_tray[i].window == window && g_tray[i].id == id) {
      g_tray.erase(g_tray.begin() + i);
      return true;
    }
  }
  return false;
}

bool SpeakerBeep(uint32_t frequencyHz, uint32_t durationMs) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_sounds.push_back({frequencyHz, durationMs, ""});
  return true;
}

bool PlayWaveFile(const char* path) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (path == nullptr || *path == '\0') return false;
  g_sounds.push_back({0, 0, path});
  return true;
}

bool FileExists(const char* path) {
  struct stat status;
  return path != nullptr && *path != '\0' && ::stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

int ReadUrl(const char* url, char* buffer, size_t capacity, uint32_t) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto found = g_urls.find(url != nullptr ? url : "");
  if (found == g_urls.end()) return -1;
  const size_t size = found->second.size() < capacity ? found->second.size() : capacity;
  std::memcpy(buffer, found->second.data(), size);
  return static_cast<int>(size);
}

}  // namespace platform

namespace host {

std::vector<MessageBoxCall> MessageBoxes() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_boxes;
}

void QueueAnswer(BoxAnswer answer) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_answers.push_back(answer);
}

std::vector<ShellCall> ShellCalls() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_shellCalls;
}

void RefuseShellTarget(const std::string& target) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_refusedTargets.insert(target);
}

void SetProgramFilesFolder(const std::string& folder) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_programFiles = folder;
}

void QueueMenuChoice(uint32_t commandId) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_menuChoices.push_back(commandId);
}

std::vector<std::vector<MenuItem>> MenusShown() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_menusShown;
}

std::vector<TrayIcon> TrayIcons() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_tray;
}

int TrayCallCount() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_trayCalls;
}

int IconResourceId(Icon icon) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto found = g_icons.find(icon);
  return found == g_icons.end() ? -1 : found->second.first;
}

int IconSize(Icon icon) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto found = g_icons.find(icon);
  return found == g_icons.end() ? -1 : found->second.second;
}

void SetSmallIconSize(int pixels) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_smallIconSize = pixels;
}

std::vector<Sound> Sounds() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_sounds;
}

void ServeUrl(const std::string& url, const std::string& body) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_urls[url] = body;
}

namespace detail {

void ResetRecords() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_boxes.clear();
  g_answers.clear();
  g_shellCalls.clear();
  g_refusedTargets.clear();
  g_programFiles = kProgramFiles;
  g_menuChoices.clear();
  g_menusShown.clear();
  g_smallIconSize = 16;
  g_tray.clear();
  g_trayCalls = 0;
  g_icons.clear();
  g_sounds.clear();
  g_urls.clear();
}

}  // namespace detail
}  // namespace host
