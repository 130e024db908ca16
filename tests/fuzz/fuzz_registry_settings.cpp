// Loading settings from a registry whose values hold arbitrary bytes of any
// type: nothing may overflow, crash or leave a key open.
#include <cstdint>
#include <string>

#include "app/Application.h"
#include "app/ApplicationSettings.h"
#include "platform/host/HostControl.h"

namespace {

const char* const kKeys[] = {"Software\\Tandreller\\Settings", "Software\\Tandreller\\MailBoxes\\1",
                             "Software\\Tandreller\\MailBoxes\\2", "Software\\Tandreller\\Commands\\1"};
const char* const kNames[] = {"BoxesCount", "CommandCount", "LastBoxPos", "Prompt",     "LastCensusYear",
                              "Password",   "MsminPath",    "Port",       "SpeakerStr", "Capt",
                              "Command",    "Delay",        "BoxName",    "LastMsgDate"};

// Input: records of [key, name, type, length, bytes...]; the type byte's
// fifth bit marks a text as foreign, read from another code page.
void Plant(const uint8_t* data, size_t size) {
  size_t at = 0;
  while (at + 4 <= size) {
    const char* key = kKeys[data[at] % 4];
    const char* name = kNames[data[at + 1] % 14];
    const auto type = static_cast<host::RegType>(data[at + 2] % 4);
    const bool foreign = (data[at + 2] & 0x10) != 0;
    size_t length = data[at + 3];
    at += 4;
    if (length > size - at) length = size - at;
    host::RegValue value{type, std::string(reinterpret_cast<const char*>(data) + at, length), foreign};
    // Counts stay within -3..3: negative, none, one and more than the
    // planted keys are what loading tells apart, and every box or command
    // costs keys, values and a named mutex per input. Start-up caps the
    // counts, so large ones add nothing but time. Only a number is a count.
    if (type == host::RegType::Number && value.bytes.size() == 4 &&
        std::string(name).find("Count") != std::string::npos) {
      const int8_t count = static_cast<int8_t>(static_cast<int8_t>(value.bytes[0]) % 4);
      value.bytes[0] = static_cast<char>(count);
      value.bytes[1] = value.bytes[2] = value.bytes[3] = static_cast<char>(count < 0 ? 0xFF : 0);
    }
    host::PutValue(key, name, value);
    at += length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host::Reset();
  Plant(data, size);
  {
    Application app;
    LoadSettings(app);
    SaveSettings(app);
  }
  if (host::OpenKeyCount() != 0) __builtin_trap();
  // Frees what this input planted, so its mallocs and frees balance and
  // libFuzzer does not rerun it looking for a leak.
  host::Reset();
  return 0;
}
