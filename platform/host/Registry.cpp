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
  std::string folded;  // the name as lookups compare it
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
// letters, Ё and the letters of the other Slavic alphabets. Every key path and
// value name passes through here, so the mapping is a table built once.
struct UpperTable {
  char map[256];
  UpperTable() {
    for (int byte = 0; byte < 256; ++byte) {
      int upper = byte;
      if ((byte >= 'a' && byte <= 'z') || byte >= 0xE0) upper = byte - 0x20;
      map[byte] = static_cast<char>(upper);
    }
    static const unsigned char kPairs[][2] = {{0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C},
                                              {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1},
                                              {0xBC, 0xA3}, {0xB4, 0xA5}, {0xB8, 0xA8}, {0xBA, 0xAA},
                                              {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD}};
    for (const auto& pair : kPairs) map[pair[0]] = static_cast<char>(pair[1]);
  }
};

char UpperOf(char c) {
  static const UpperTable kUpper;
  return kUpper.map[static_cast<unsigned char>(c)];
}

std::string Fold(const std::string& text) {
  std::string folded(text);
  for (size_t i = 0; i < folded.size(); ++i) folded[i] = UpperOf(folded[i]);
  return folded;
}

bool StartsWithAny(const std::string& folded, const std::vector<std::string>& prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(), [&](const std::string& prefix) {
    return folded.compare(0, prefix.size(), prefix) == 0;
  });
}

// Reads a path as Windows does: empty names between backslashes are skipped,
// but a leading backslash, an over-long name or an over-long path make it
// invalid. Gives its key names joined by single backslashes, as written.
bool NormalPath(const char* path, std::string* joined) {
  const size_t size = path ? std::strlen(path) : 0;
  if (size > kMaxPath || (size > 0 && path[0] == '\\')) return false;
  joined->clear();
  size_t start = 0;
  while (start <= size) {
    const char* slash = static_cast<const char*>(std::memchr(path + start, '\\', size - start));
    const size_t end = slash ? static_cast<size_t>(slash - path) : size;
    if (end - start > kMaxKeyName) return false;
    if (end > start) {
      if (!joined->empty()) joined->push_back('\\');
      joined->append(path + start, end - start);
    }
    start = end + 1;
  }
  return true;
}

int RootIndex(RegRoot root) { return root == RegRoot::ClassesRoot ? 1 : 0; }

// Makes the key of a normal path and every key above it.
void CreatePath(Registry& r, int root, const std::string& joined) {
  const std::string folded = Fold(joined);
  size_t nameStart = 0;
  while (nameStart < joined.size()) {
    size_t nameEnd = joined.find('\\', nameStart);
    if (nameEnd == std::string::npos) nameEnd = joined.size();
    Key& key = r.keys[root][folded.substr(0, nameEnd)];
    if (key.name.empty()) key.name = joined.substr(nameStart, nameEnd - nameStart);
    nameStart = nameEnd + 1;
  }
}

Key* FindKey(Registry& r, int root, const std::string& path) {
  const auto found = r.keys[root].find(path);
  return found == r.keys[root].end() ? nullptr : &found->second;
}

Key* FindKey(Registry& r, RegRoot root, const std::string& path) {
  std::string joined;
  if (!NormalPath(path.c_str(), &joined)) return nullptr;
  return FindKey(r, RootIndex(root), Fold(joined));
}

const OpenKey* FindOpen(Registry& r, RegKey key) {
  const auto found = r.open.find(reinterpret_cast<uintptr_t>(key));
  return found == r.open.end() ? nullptr : &found->second;
}

// Compares without building a folded copy: every read and write looks a
// value up this way.
bool SameName(const std::string& folded, const char* name) {
  if (std::strlen(name) != folded.size()) return false;
  for (size_t i = 0; i < folded.size(); ++i) {
    if (UpperOf(name[i]) != folded[i]) return false;
  }
  return true;
}

Value* FindValue(Key& key, const char* name) {
  if (!name) name = "";
  for (Value& value : key.values) {
    if (SameName(value.folded, name)) return &value;
  }
  return nullptr;
}

void StoreValue(Key& key, const std::string& name, host::RegValue content) {
  if (Value* existing = FindValue(key, name.c_str())) {
    existing->content = std::move(content);
  } else {
    key.values.push_back(Value{name, Fold(name), std::move(content)});
  }
}

bool IsText(uint32_t type) { return type == 1 || type == 2 || type == 7; }

RegKey OpenHandle(Registry& r, int root, std::string path) {
  r.lastHandle += 4;
  r.open[r.lastHandle] = OpenKey{root, std::move(path)};
  return reinterpret_cast<RegKey>(r.lastHandle);
}

RegKey OpenOrCreate(RegRoot root, const char* path, bool create) {
  std::string joined;
  if (!NormalPath(path, &joined)) return nullptr;
  std::string folded = Fold(joined);
  Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  if (StartsWithAny(folded, r.failKeys)) return nullptr;
  const int index = RootIndex(root);
  if (create) CreatePath(r, index, joined);
  if (!FindKey(r, index, folded)) return nullptr;
  return OpenHandle(r, index, std::move(folded));
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
  StoreValue(*stored, name ? name : "", std::move(content));
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

void PutValue(platform::RegRoot root, const std::string& path, const std::string& name,
              const RegValue& value) {
  std::string joined;
  if (!platform::NormalPath(path.c_str(), &joined)) return;
  platform::Registry& r = State();
  std::lock_guard<std::mutex> lock(r.lock);
  const int index = platform::RootIndex(root);
  platform::CreatePath(r, index, joined);
  platform::StoreValue(*platform::FindKey(r, index, platform::Fold(joined)), name, value);
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
  std::string joined;
  if (!platform::NormalPath(path.c_str(), &joined)) return {};
  const std::string parent = platform::Fold(joined);
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
