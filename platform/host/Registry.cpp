// Stand-in for the registry: values by key and name with the type they were
// written as. Paths and names are kept in upper case, as Windows compares
// them; one under the classes root starts with a backslash as none can.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Detail.h"
#include "platform/host/HostControl.h"

namespace platform {
namespace {

using Values = std::map<std::string, host::RegValue>;

struct Registry {
  std::mutex lock;
  std::map<std::string, Values> keys;     // by path
  std::map<uintptr_t, std::string> open;  // the path of each open key
  uintptr_t lastHandle = 0x2000;
  std::vector<std::string> failKeys, failWrites;  // path prefixes
};

// Never destroyed: other threads may still use keys while the program exits.
Registry& State() {
  static auto* registry = new Registry;
  return *registry;
}

// Windows compares names in upper case; in Windows-1251 that covers Cyrillic
// letters, Ё and the letters of the other Slavic alphabets.
char UpperOf(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if ((byte >= 'a' && byte <= 'z') || byte >= 0xE0) return static_cast<char>(byte - 0x20);
  static const char kLower[] = "\x90\x83\x9A\x9C\x9D\x9E\x9F\xA2\xBC\xB4\xB8\xBA\xBF\xB3\xBE";
  static const char kUpper[] = "\x80\x81\x8A\x8C\x8D\x8E\x8F\xA1\xA3\xA5\xA8\xAA\xAF\xB2\xBD";
  const char* lower = byte < 0x80 ? nullptr : std::strchr(kLower, c);
  return lower ? kUpper[lower - kLower] : c;
}

std::string Fold(const std::string& text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), UpperOf);
  return folded;
}

std::string PathOf(RegRoot root, const std::string& path) {
  return (root == RegRoot::ClassesRoot ? "\\" : "") + Fold(path);
}

bool Under(const std::string& path, const std::vector<std::string>& prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [&](const std::string& prefix) { return path.compare(0, prefix.size(), prefix) == 0; });
}

const host::RegValue* FindValue(const Values& values, const std::string& name) {
  const auto found = values.find(Fold(name));
  return found == values.end() ? nullptr : &found->second;
}

RegKey Open(RegRoot root, const char* name, bool create) {
  const std::string path = PathOf(root, name);
  std::lock_guard<std::mutex> lock(State().lock);
  Registry& r = State();
  if (Under(path, r.failKeys) || (!create && r.keys.count(path) == 0)) return nullptr;
  if (create) r.keys[path];
  r.lastHandle += 4;
  r.open[r.lastHandle] = path;
  return reinterpret_cast<RegKey>(r.lastHandle);
}

const std::string* PathOpen(const Registry& r, RegKey key) {
  const auto found = r.open.find(reinterpret_cast<uintptr_t>(key));
  return found == r.open.end() ? nullptr : &found->second;
}

bool Write(RegKey key, const char* name, host::RegValue value) {
  std::lock_guard<std::mutex> lock(State().lock);
  Registry& r = State();
  const std::string* path = PathOpen(r, key);
  if (!path || Under(*path, r.failWrites)) return false;
  r.keys[*path][Fold(name)] = std::move(value);
  return true;
}

}  // namespace

RegKey OpenRegKey(RegRoot root, const char* path) { return Open(root, path, false); }

RegKey CreateRegKey(const char* path) { return Open(RegRoot::CurrentUser, path, true); }

void CloseRegKey(RegKey key) {
  std::lock_guard<std::mutex> lock(State().lock);
  State().open.erase(reinterpret_cast<uintptr_t>(key));
}

int ReadRegValue(RegKey key, const char* name, char* buffer, size_t capacity) {
  std::lock_guard<std::mutex> lock(State().lock);
  Registry& r = State();
  const std::string* path = PathOpen(r, key);
  const host::RegValue* value = path ? FindValue(r.keys[*path], name) : nullptr;
  if (!value) return -1;
  const std::string bytes = value->type == host::RegType::Text ? value->bytes + '\0' : value->bytes;
  if (bytes.size() > capacity) return -1;
  std::copy(bytes.begin(), bytes.end(), buffer);
  return static_cast<int>(bytes.size());
}

bool WriteRegText(RegKey key, const char* name, const char* text) {
  return Write(key, name, {host::RegType::Text, text});
}

bool WriteRegNumber(RegKey key, const char* name, uint32_t number) {
  const char bytes[] = {char(number), char(number >> 8), char(number >> 16), char(number >> 24)};
  return Write(key, name, {host::RegType::Number, std::string(bytes, sizeof bytes)});
}

}  // namespace platform

namespace host {

using platform::State;

bool GetValue(platform::RegRoot root, const std::string& path, const std::string& name, RegValue* value) {
  std::lock_guard<std::mutex> lock(State().lock);
  const auto& keys = State().keys;
  const auto key = keys.find(platform::PathOf(root, path));
  const RegValue* found = key == keys.end() ? nullptr : platform::FindValue(key->second, name);
  if (found && value) *value = *found;
  return found != nullptr;
}

void PutValue(platform::RegRoot root, const std::string& path, const std::string& name,
              const RegValue& value) {
  std::lock_guard<std::mutex> lock(State().lock);
  State().keys[platform::PathOf(root, path)][platform::Fold(name)] = value;
}

void FailKeysUnder(const std::string& pathPrefix) {
  std::lock_guard<std::mutex> lock(State().lock);
  State().failKeys.push_back(platform::Fold(pathPrefix));
}

void FailWritesUnder(const std::string& pathPrefix) {
  std::lock_guard<std::mutex> lock(State().lock);
  State().failWrites.push_back(platform::Fold(pathPrefix));
}

int OpenKeyCount() {
  std::lock_guard<std::mutex> lock(State().lock);
  return static_cast<int>(State().open.size());
}

void detail::ResetRegistry() {
  std::lock_guard<std::mutex> lock(State().lock);
  platform::Registry& r = State();
  r.keys.clear();
  r.open.clear();
  r.failKeys.clear();
  r.failWrites.clear();
}

}  // namespace host
