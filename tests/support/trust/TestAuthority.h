// Making the platform trust a test's own certificate authority, the way a
// user trusts the root of a self-signed server in Windows.
#pragma once

// Trusts the CA certificate in the PEM file from now on; false when it
// cannot be read or added.
bool TrustTestAuthority(const char* pemPath);
