// Stand-in for the registry: values by key and name with the type they were
// written as. Paths and names are kept in upper case. A key's handle is a
// copy of its path.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

namespace {

using platform::ReadResult;
using platform::RegKey;
using Values = std::map<std::string, host::RegValue>;

struct Registry {
  std::map<std::string, Values> keys;             // by path
  std::set<RegKey> open;                          // keys open since Reset
  std::vector<std::string> failKeys, failWrites;  // path prefixes
};

host::detail::Guarded<Registry>& g_registry = *new host::detail::Guarded<Registry>;

// Windows compares names without regard to case; the program's own names
// and the shell's are ASCII.
std::string Fold(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c;
  return text;
}

bool Under(const std::string& path, const std::vector<std::string>& prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(),
                     [&](const std::string& prefix) { return path.compare(0, prefix.size(), prefix) == 0; });
}

const host::RegValue* FindValue(Registry& r, const std::string& path, const std::string& name) {
  const auto key = r.keys.find(path);
  if (key == r.keys.end()) return nullptr;
  const auto value = key->second.find(Fold(name));
  return value == key->second.end() ? nullptr : &value->second;
}

const std::string& PathOf(RegKey key) { return *reinterpret_cast<const std::string*>(key); }

RegKey Open(const char* name, bool create) {
  const std::string path = Fold(name);
  return g_registry([&](Registry& r) -> RegKey {
    if (Under(path, r.failKeys) || (!create && r.keys.count(path) == 0)) return nullptr;
    if (create) r.keys[path];
    return *r.open.insert(reinterpret_cast<RegKey>(new std::string(path))).first;
  });
}

bool Write(RegKey key, const char* name, host::RegValue value) {
  return key != nullptr && g_registry([&](Registry& r) {
           if (Under(PathOf(key), r.failWrites)) return false;
           r.keys[PathOf(key)][Fold(name)] = std::move(value);
           return true;
         });
}

// A text of the type, or with `expandable` also one that names variables,
// as Windows reads it (platform::ReadRegText).
ReadResult ReadText(const std::string& path, const char* name, bool expandable, char* buffer,
                    size_t capacity) {
  return g_registry([&](Registry& r) {
    const host::RegValue* value = FindValue(r, path, name);
    if (!value) return ReadResult::Missing;
    if (value->type != host::RegType::Text && !(value->type == host::RegType::ExpandableText && expandable)) {
      return ReadResult::WrongType;
    }
    std::string text = value->bytes;
    if (!text.empty() && text.back() == '\0') text.pop_back();
    if (text.size() >= capacity) return ReadResult::TooLong;
    text.resize(std::strlen(text.c_str()));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer);
    return value->foreign ? ReadResult::Foreign : ReadResult::Read;
  });
}

}  // namespace

namespace platform {

RegKey OpenRegKey(const char* path) { return Open(path, false); }
RegKey CreateRegKey(const char* path) { return Open(path, true); }

void CloseRegKey(RegKey key) {
  if (key == nullptr) return;
  g_registry([&](Registry& r) { r.open.erase(key); });
  delete &PathOf(key);
}

ReadResult ReadRegText(RegKey key, const char* name, char* buffer, size_t capacity) {
  return key != nullptr ? ReadText(PathOf(key), name, false, buffer, capacity) : ReadResult::Missing;
}

ReadResult ReadRegNumber(RegKey key, const char* name, uint32_t* number) {
  if (key == nullptr) return ReadResult::Missing;
  return g_registry([&](Registry& r) {
    const host::RegValue* value = FindValue(r, PathOf(key), name);
    if (!value) return ReadResult::Missing;
    if (value->type != host::RegType::Number || value->bytes.size() != 4) return ReadResult::WrongType;
    const auto byte = [&](int i) {
      return static_cast<uint32_t>(static_cast<uint8_t>(value->bytes[i])) << (8 * i);
    };
    *number = byte(0) | byte(1) | byte(2) | byte(3);
    return ReadResult::Read;
  });
}

bool WriteRegText(RegKey key, const char* name, const char* text) {
  return Write(key, name, {host::RegType::Text, text});
}

bool WriteRegNumber(RegKey key, const char* name, uint32_t number) {
  const char bytes[] = {char(number), char(number >> 8), char(number >> 16), char(number >> 24)};
  return Write(key, name, {host::RegType::Number, std::string(bytes, sizeof bytes)});
}

// Windows reports a user's own registration, kept among the user's
// classes, before the machine's; the stand-in's machine registers nothing.
MailProgramRegistration RegisteredMailProgram() {
  MailProgramRegistration found{ReadResult::Missing, {}, ReadResult::Read, "C:\\Program Files"};
  const std::string path = Fold("Software\\Classes\\mailto\\shell\\open\\command");
  found.lineRead = ReadText(path, "", true, found.line, sizeof found.line);
  return found;
}

}  // namespace platform

namespace host {

bool GetValue(const std::string& path, const std::string& name, RegValue* value) {
  return g_registry([&](Registry& r) {
    const RegValue* found = FindValue(r, Fold(path), name);
    if (found && value) *value = *found;
    return found != nullptr;
  });
}

void PutValue(const std::string& path, const std::string& name, const RegValue& value) {
  g_registry([&](Registry& r) { r.keys[Fold(path)][Fold(name)] = value; });
}

void FailKeysUnder(const std::string& pathPrefix) { g_registry.Add(&Registry::failKeys, Fold(pathPrefix)); }

void FailWritesUnder(const std::string& pathPrefix) {
  g_registry.Add(&Registry::failWrites, Fold(pathPrefix));
}

int OpenKeyCount() {
  return g_registry([](Registry& r) { return static_cast<int>(r.open.size()); });
}

}  // namespace host
