// The checks of a server's certificate once SChannel's handshake is done.
#pragma once

#include <cstdint>

#include "platform/Platform.h"
#include "platform/win32/TlsHandles.h"

namespace platform::win32 {

// Whether the certificate the server showed in this context chains to a
// trusted root for server use, is valid now and names `host` (a DNS name,
// or a dotted IPv4 address that must be among its IP addresses). What the
// chain lacks beyond what the server sent and the local stores hold is
// fetched as Windows fetches it for a browser, all within timeoutMs
// (Stalled when that runs out, or is 0).
TlsFailure CheckServerCertificate(CtxtHandle* context, const char* host, uint32_t timeoutMs);

// Whether the host is a dotted IPv4 address rather than a name.
bool IsDottedAddress(const char* host);

}  // namespace platform::win32
