#include "platform/host/HostControl.h"
#include "tests/conformance/TestAuthority.h"

bool TrustTestAuthority(const char* pemPath) {
  host::TrustAuthority(pemPath);
  return true;
}
