// Delivery dates come from mail headers that anyone can write.
#include <cstdint>
#include <string>

#include "mail/ReceivedDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  int32_t value = 0;
  if (ParseReceivedDate(reply.c_str(), &value) && value < -1) __builtin_trap();
  return 0;
}
