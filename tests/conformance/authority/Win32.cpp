#include "tests/conformance/TestAuthority.h"

bool TrustTestAuthority(const char*) { return false; }
