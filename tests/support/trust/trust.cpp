// Trusts a test's certificate authority in the Wine prefix, as a user trusts
// the root of a self-signed mail server in Windows:
//
//   vestun_e2e_trust.exe CA.pem
#include <cstdio>

#include "tests/support/trust/TestAuthority.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vestun_e2e_trust CA.pem\n");
    return 2;
  }
  if (TrustTestAuthority(argv[1])) return 0;
  std::fprintf(stderr, "cannot trust %s\n", argv[1]);
  return 1;
}
