// TLS through SChannel: to be written.
#include "platform/Platform.h"

namespace platform {

TlsSession OpenTlsSession(Socket, const char*, uint32_t, TlsFailure* failure) {
  if (failure != nullptr) *failure = TlsFailure::NotTls;
  return nullptr;
}

bool TlsSendAll(TlsSession, const void*, size_t, uint32_t) { return false; }

int TlsReceiveSome(TlsSession, void*, size_t, uint32_t) { return -1; }

void CloseTlsSession(TlsSession) {}

}  // namespace platform
