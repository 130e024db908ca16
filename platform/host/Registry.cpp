// Stand-in for the registry as the ANSI functions show it: keys and value
// names without regard to case, values kept as type and exact bytes.
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

// The ANSI functions convert a path into a buffer of MAX_PATH characters.
constexpr size_t kMaxPath = 260;
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

struct Value {
  std::string name;
  host::RegValue content;
};

struct Key {
  std::string name;
  std::vector<Value> values;  // in the order they were first written, as Windows lists them
};

struct OpenKey {
  int root;
  std::string path;  // folded
};

struct Registry {
  std::mutex lock;
  std::map<std::string, Key> keys[2];  // by folded path; the root itself is ""
  std::map<uintptr_t, OpenKey> open;
  uintptr_t lastHandle = 0x2000;
  std::vector<std::string> failKeys;    // folded prefixes
  std::vector<std::string> failWrites;  // folded prefixes
};


void ResetLocked(Registry& r) {
  for (auto& keys : r.keys) {
    keys.clear();
    keys[""] = Key{};
  }
  r.open.clear();
  r.failKeys.clear();
  r.failWrites.clear();
}

// Never destroyed: other threads may still use keys while the program exits.
Registry& State() {
  static Registry* registry = [] {
    auto* fresh = new Registry;
    ResetLocked(*fresh);
    return fresh;
  }();
  return *registry;
}

// Windows compares names in upper case; in Windows-1251 that covers Cyrillic
// letters, Ё and the letters of the other Slavic alphabets.
char Upper(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  if (byte >= 0xE0) return static_cast<char>(byte - 0x20);
  static const unsigned char kPairs[][2] = {{0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C},
                                            {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1},
                                            {0xBC, 0xA3}, {0xB4, 0xA5}, {0xB8, 0xA8}, {0xBA, 0xAA},
                                            {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD}};
  for (const auto& pair : kPairs) {
    if (byte == pair[0]) return static_cast<char>(pair[1]);
  }
  return c;
}

std::string Fold(const std::string& text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), Upper);
  return folded;
}

bool StartsWithAny(const std::string& folded, const std::vector<std::string>& prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [&](const std::string& prefix) { return folded.compare(0, prefix.size(), prefix) == 0; });
}

// Splits a path into its key names as Windows reads it: empty names between
// backslashes are skipped, but a leading backslash, an over-long name or an
// over-long path make it invalid.
bool SplitPath(const char* path, std::vector<std::string>* names) {
  const std::string text = path ? path : "";
  if (text.size() > kMaxPath || (!text.empty() && text[0] == '\\')) return false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\\', start);
    if (end == std::string::npos) end = text.size();
    if (end - start > kMaxKeyName) return false;
    if (end > start) names->push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return true;
}

std::string Join(const std::vector<std::string>& names, size_t count) {
  std::string path;
  for (size_t i = 0; i < count; ++i) path += (i ? "\\" : "") + Fold(names[i]);
  return path;
}

int RootIndex(RegRoot root) { return root == RegRoot::ClassesRoot ? 1 : 0; }

void CreatePath(Registry& r, int root, const std::vector<std::string>& names) {
  for (size_t depth = 1; depth <= names.size(); ++depth) {
    Key& key = r.keys[root][Join(names, depth)];
    if (key.name.empty()) key.name = names[depth - 1];
  }
}

Key* FindKey(Registry& r, int root, const std::string& path) {
  const auto found = r.keys[root].find(path);
  return found == r.keys[root].end() ? nullptr : &found->second;
}

Key* FindKey(Registry& r, RegRoot root, const std::string& path) {
  std::vector<std::string> names;
  if (!SplitPath(path.c_str(), &names)) return nullptr;
  return FindKey(r, RootIndex(root), Join(names, names.size()));
}

const OpenKey* FindOpen(Registry& r, RegKey key) {
  const auto found = r.open.find(reinterpret_cast<uintptr_t>(key));
  return found == r.open.end() ? nullptr : &found->second;
}

Value* FindValue(Key& key, const char* name) {
  const std::string wanted = Fold(name ? name : "");
  for (Value& value : key.values) {
    if (Fold(value.name) == wanted) return &value;
  }
  return nullptr;
}

void StoreValue(Key& key, const std::string& name, const host::RegValue& content) {
  if (Value* existing = FindValue(key, name.c_str())) {
    existing->content = content;
  } else {
    key.values.push_back(Value{name, content});
  }
}

bool IsText(uint32_t type) { return type == 1 || type == 2 || type == 7; }

RegKey OpenHandle(Registry& r, int root, std::string path) {
  r.lastHandle += 4;
  r.open[r.lastHandle] = OpenKey{root, std::move(path)};
  return reinterpret_cast<RegKey>(r.lastHandle);
}

RegKey OpenOrCreate(RegRoot root, const char* path, bool create) {
  std::vector<std::string> names;
  if (!SplitPath(path, &names)) return nullptr;
  const std::string folded = Join(names, names.size());
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  if (StartsWithAny(folded, r.failKeys)) return nullptr;
  const int index = RootIndex(root);
  if (create) CreatePath(r, index, names);
  if (!FindKey(r, index, folded)) return nullptr;
  return OpenHandle(r, index, folded);
}
}  // namespace

RegKey RegOpenKeyObject(RegRoot root, const char* path) { return OpenOrCreate(root, path, false); }

RegKey RegCreateKeyObject(RegRoot root, const char* path) { return OpenOrCreate(root, path, true); }

void RegCloseKeyObject(RegKey key) {
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  r.open.erase(reinterpret_cast<uintptr_t>(key));
}

RegResult RegQueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  const OpenKey* open = FindOpen(r, key);
  Key* stored = open ? FindKey(r, open->root, open->path) : nullptr;
  if (!stored || (data && !size)) return RegResult::Failed;
  const Value* value = FindValue(*stored, name);
  if (!value) return RegResult::NotFound;
  const std::vector<uint8_t>& bytes = value->content.data;
  const auto length = static_cast<uint32_t>(bytes.size());
  if (type) *type = value->content.type;
  if (!size) return RegResult::Ok;
  const uint32_t capacity = *size;
  *size = length;
  if (!data) return RegResult::Ok;
  if (length > capacity) return RegResult::MoreData;
  auto* out = static_cast<uint8_t*>(data);
  std::copy(bytes.begin(), bytes.end(), out);
  // A text stored without its NUL gets one when it fits, not counted in the size.
  if (IsText(value->content.type) && length > 0 && length < capacity && bytes.back() != 0) out[length] = 0;
  return RegResult::Ok;
}

bool RegSetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  if ((!data && size > 0) || (name && std::strlen(name) > kMaxValueName)) return false;
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  const OpenKey* open = FindOpen(r, key);
  Key* stored = open ? FindKey(r, open->root, open->path) : nullptr;
  if (!stored || StartsWithAny(open->path, r.failWrites)) return false;
  host::RegValue content{type, {}};
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (size > 0) content.data.assign(bytes, bytes + size);
  // RegSetValueExA terminates a text that was given without its NUL.
  if (IsText(type) && size > 0 && bytes[size - 1] != 0) content.data.push_back(0);
  StoreValue(*stored, name ? name : "", content);
  return true;
}

}  // namespace platform

namespace host {

using platform::State;

bool KeyExists(platform::RegRoot root, const std::string& path) {
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  return platform::FindKey(r, root, path) != nullptr;
}

bool GetValue(platform::RegRoot root, const std::string& path, const std::string& name, RegValue* value) {
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  platform::Key* key = platform::FindKey(r, root, path);
  const platform::Value* found = key ? platform::FindValue(*key, name.c_str()) : nullptr;
  if (!found) return false;
  if (value) *value = found->content;
  return true;
}

void PutValue(platform::RegRoot root, const std::string& path, const std::string& name, const RegValue& value) {
  std::vector<std::string> names;
  if (!platform::SplitPath(path.c_str(), &names)) return;
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  const int index = platform::RootIndex(root);
  platform::CreatePath(r, index, names);
  platform::StoreValue(*platform::FindKey(r, index, platform::Join(names, names.size())), name, value);
}

std::vector<std::string> ValueNames(platform::RegRoot root, const std::string& path) {
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  std::vector<std::string> names;
  if (platform::Key* key = platform::FindKey(r, root, path)) {
    for (const platform::Value& value : key->values) names.push_back(value.name);
  }
  return names;
}

// Subkeys come in the order of their upper-case names, as Windows lists them.
std::vector<std::string> SubkeyNames(platform::RegRoot root, const std::string& path) {
  std::vector<std::string> parts;
  if (!platform::SplitPath(path.c_str(), &parts)) return {};
  const std::string parent = platform::Join(parts, parts.size());
  const std::string prefix = parent.empty() ? "" : parent + "\\";
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  std::vector<std::string> names;
  for (const auto& [folded, key] : r.keys[platform::RootIndex(root)]) {
    if (folded.size() <= prefix.size() || folded.compare(0, prefix.size(), prefix) != 0) continue;
    if (folded.find('\\', prefix.size()) == std::string::npos) names.push_back(key.name);
  }
  return names;
}

void FailKeysUnder(const std::string& pathPrefix) {
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  r.failKeys.push_back(platform::Fold(pathPrefix));
}

void FailWritesUnder(const std::string& pathPrefix) {
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  r.failWrites.push_back(platform::Fold(pathPrefix));
}

int OpenKeyCount() {
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  return static_cast<int>(r.open.size());
}

namespace detail {

void ResetRegistry() {
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  platform::ResetLocked(r);
}

}  // namespace detail
}  // namespace host
