// TLS of the stand-in: to be built on the machine's TLS library.
#include "platform/Platform.h"
#include "platform/host/HostControl.h"

namespace platform {

TlsSession OpenTlsSession(Socket, const char*, uint32_t, TlsFailure* failure) {
  if (failure != nullptr) *failure = TlsFailure::NotTls;
  return nullptr;
}

bool TlsSendAll(TlsSession, const void*, size_t, uint32_t) { return false; }

int TlsReceiveSome(TlsSession, void*, size_t, uint32_t) { return -1; }

void CloseTlsSession(TlsSession) {}

}  // namespace platform

namespace host {

void TrustAuthority(const std::string&) {}

}  // namespace host
