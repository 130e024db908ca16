// The mail program that another program registered for mailto: links, as
// the settings dialog reads it: any bytes of any length, stored as text.
#include <cstdint>
#include <string>

#include "mail/DefaultMailProgram.h"
#include "platform/host/HostControl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host::Reset();
  // Registered as either kind of text, and now and then with characters lost.
  const host::RegValue value{size % 2 ? host::RegType::ExpandableText : host::RegType::Text,
                             std::string(reinterpret_cast<const char*>(data), size), size % 3 == 0};
  host::PutValue("Software\\Classes\\mailto\\shell\\open\\command", "", value);
  std::string program;
  DetectDefaultMailProgram(program);
  // The same bytes as a whole command, whatever their length.
  MailProgramFromCommand(value.bytes.c_str(), "C:\\Program Files", program);
  return 0;
}
