// SChannel's side of a client session: credentials, the handshake and the
// goodbye.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/TlsHandles.h"

namespace platform::win32 {

// Milliseconds left until a deadline on the MonotonicMs clock; 0 once it passed.
uint32_t MsLeft(uint64_t deadline);

// Client credentials for TLS 1.2 that leave the server's certificate to the
// program's own checks. False when SChannel refuses them.
bool AcquireClientCredentials(CredentialsHold& credentials);

// Runs the client's handshake on the socket until SChannel has a session,
// by the deadline. `buffer` bounds what the server's messages may take;
// the bytes that came after its last message (maybe already the first
// record of the session) stay at its front, their count in *extra.
TlsFailure RunHandshake(Socket socket, const char* host, uint64_t deadline, CredHandle* credentials,
                        CtxtHandle* context, std::vector<char>& buffer, size_t* extra);

// Sends the close_notify alert, waiting at most timeoutMs for the socket.
void SayGoodbye(Socket socket, CredHandle* credentials, CtxtHandle* context, uint32_t timeoutMs);

}  // namespace platform::win32
