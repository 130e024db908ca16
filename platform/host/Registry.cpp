// Stand-in for the registry: values by key and name, each with the type it
// was written as. Windows matches names without regard to case, so paths and
// names are kept as their upper case.
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

struct OpenKey {
  Values* values;
  std::string path;
};

struct Registry {
  std::mutex lock;
  std::map<std::string, Values> keys[2];  // by path
  std::map<uintptr_t, OpenKey> open;
  uintptr_t lastHandle = 0x2000;
  std::vector<std::string> failKeys;    // path prefixes
  std::vector<std::string> failWrites;  // path prefixes
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
  static const unsigned char kPairs[][2] = {{0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C},
                                            {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1},
                                            {0xBC, 0xA3}, {0xB4, 0xA5}, {0xB8, 0xA8}, {0xBA, 0xAA},
                                            {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD}};
  for (const auto& pair : kPairs) {
    if (pair[0] == byte) return static_cast<char>(pair[1]);
  }
  return c;
}

std::string Fold(const char* text) {
  std::string folded(text ? text : "");
  std::transform(folded.begin(), folded.end(), folded.begin(), UpperOf);
  return folded;
}

bool Under(const std::string& path, const std::vector<std::string>& prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [&](const std::string& prefix) { return path.compare(0, prefix.size(), prefix) == 0; });
}

int RootIndex(RegRoot root) { return root == RegRoot::ClassesRoot ? 1 : 0; }

Values* FindKey(Registry& r, RegRoot root, const std::string& path) {
  const auto found = r.keys[RootIndex(root)].find(path);
  return found == r.keys[RootIndex(root)].end() ? nullptr : &found->second;
}

// Makes the key and every key above it.
Values& MakeKey(Registry& r, RegRoot root, const std::string& path) {
  for (size_t slash = path.find('\\'); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    r.keys[RootIndex(root)][path.substr(0, slash)];
  }
  return r.keys[RootIndex(root)][path];
}

RegKey Open(RegRoot root, const char* path, bool create) {
  const std::string folded = Fold(path);
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  if (Under(folded, r.failKeys)) return nullptr;
  Values* values = create ? &MakeKey(r, root, folded) : FindKey(r, root, folded);
  if (!values) return nullptr;
  r.lastHandle += 4;
  r.open[r.lastHandle] = OpenKey{values, folded};
  return reinterpret_cast<RegKey>(r.lastHandle);
}

const host::RegValue* FindValue(const Values& values, const char* name) {
  const auto found = values.find(Fold(name));
  return found == values.end() ? nullptr : &found->second;
}

OpenKey* FindOpen(Registry& r, RegKey key) {
  const auto found = r.open.find(reinterpret_cast<uintptr_t>(key));
  return found == r.open.end() ? nullptr : &found->second;
}

bool Write(RegKey key, const char* name, host::RegValue value) {
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  const OpenKey* open = FindOpen(r, key);
  if (!open || Under(open->path, r.failWrites)) return false;
  (*open->values)[Fold(name)] = std::move(value);
  return true;
}

}  // namespace

RegKey OpenRegKey(RegRoot root, const char* path) { return Open(root, path, false); }

RegKey CreateRegKey(const char* path) { return Open(RegRoot::CurrentUser, path, true); }

void CloseRegKey(RegKey key) {
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  r.open.erase(reinterpret_cast<uintptr_t>(key));
}

int ReadRegValue(RegKey key, const char* name, char* buffer, size_t capacity) {
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  const OpenKey* open = FindOpen(r, key);
  const host::RegValue* value = open ? FindValue(*open->values, name) : nullptr;
  if (!value) return -1;
  std::string bytes = value->bytes;
  if (value->type == host::RegType::Text) bytes.push_back('\0');
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

using platform::Fold;
using platform::State;

bool KeyExists(platform::RegRoot root, const std::string& path) {
  std::lock_guard<std::mutex> lock(State().lock);
  return platform::FindKey(State(), root, Fold(path.c_str())) != nullptr;
}

bool GetValue(platform::RegRoot root, const std::string& path, const std::string& name, RegValue* value) {
  std::lock_guard<std::mutex> lock(State().lock);
  const platform::Values* key = platform::FindKey(State(), root, Fold(path.c_str()));
  const RegValue* found = key ? platform::FindValue(*key, name.c_str()) : nullptr;
  if (found && value) *value = *found;
  return found != nullptr;
}

void PutValue(platform::RegRoot root, const std::string& path, const std::string& name, const RegValue& value) {
  std::lock_guard<std::mutex> lock(State().lock);
  platform::MakeKey(State(), root, Fold(path.c_str()))[Fold(name.c_str())] = value;
}

void FailKeysUnder(const std::string& pathPrefix) {
  std::lock_guard<std::mutex> lock(State().lock);
  State().failKeys.push_back(Fold(pathPrefix.c_str()));
}

void FailWritesUnder(const std::string& pathPrefix) {
  std::lock_guard<std::mutex> lock(State().lock);
  State().failWrites.push_back(Fold(pathPrefix.c_str()));
}

int OpenKeyCount() {
  std::lock_guard<std::mutex> lock(State().lock);
  return static_cast<int>(State().open.size());
}

namespace detail {

void ResetRegistry() {
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  for (auto& keys : r.keys) keys.clear();
  r.open.clear();
  r.failKeys.clear();
  r.failWrites.clear();
}

}  // namespace detail
}  // namespace host
