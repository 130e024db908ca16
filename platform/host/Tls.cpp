// TLS of the stand-in, without cryptography: a session carries the bytes as
// they are over its socket, so a test's server speaks plain POP3 behind it,
// and the handshake ends as the test scripted. The program's real TLS is
// SChannel's, which the conformance suite holds under Wine.
#include "platform/Platform.h"
#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

namespace {

struct Handshakes {
  platform::TlsFailure verdict = platform::TlsFailure::None;
};

host::detail::Guarded<Handshakes>& g_handshakes = *new host::detail::Guarded<Handshakes>;

}  // namespace

namespace platform {

struct TlsSessionTag {
  Socket socket;
};

TlsSession OpenTlsSession(Socket socket, const char* host, uint32_t, TlsFailure* failure) {
  TlsFailure ignored;
  TlsFailure& why = failure != nullptr ? *failure : ignored;
  why = TlsFailure::NotTls;
  if (socket == kNoSocket || host == nullptr || *host == '\0') return nullptr;
  why = g_handshakes.Get(&Handshakes::verdict);
  return why == TlsFailure::None ? new TlsSessionTag{socket} : nullptr;
}

bool TlsSendAll(TlsSession session, const void* data, size_t size, uint32_t timeoutMs) {
  return session != nullptr && SendAll(session->socket, data, size, timeoutMs);
}

int TlsReceiveSome(TlsSession session, void* buffer, size_t capacity, uint32_t timeoutMs) {
  return session != nullptr ? ReceiveSome(session->socket, buffer, capacity, timeoutMs) : -1;
}

void CloseTlsSession(TlsSession session) { delete session; }

}  // namespace platform

namespace host {

void EndTlsHandshakes(platform::TlsFailure verdict) { g_handshakes.Set(&Handshakes::verdict, verdict); }

}  // namespace host
