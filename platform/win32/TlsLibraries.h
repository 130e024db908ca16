// SChannel's functions and crypt32's certificate functions, loaded when the
// first TLS session opens rather than at start-up: a program whose boxes
// speak plain POP3 never needs them.
#pragma once

// The chain parameters' time-out for retrievals is among the extra fields.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
// clang-format off
#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
#include <schannel.h>
#include <wincrypt.h>
// clang-format on

namespace platform::win32 {

// What the certificate checks call in crypt32.
struct CertificateFunctions {
  decltype(&CertGetCertificateChain) GetChain;
  decltype(&CertFreeCertificateChain) FreeChain;
  decltype(&CertVerifyCertificateChainPolicy) VerifyPolicy;
  decltype(&CertFindExtension) FindExtension;
  decltype(&CryptDecodeObjectEx) DecodeObject;
  decltype(&CertFreeCertificateContext) FreeCertificate;
  decltype(&CertDuplicateCertificateContext) DuplicateCertificate;
};

// Each loads its DLL on the first call from any thread; null when the DLL
// or a function the program calls is missing. A call that once gave a table
// gives the same one ever after.
const SecurityFunctionTableW* Sspi();
const CertificateFunctions* Certificates();

}  // namespace platform::win32
