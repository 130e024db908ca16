// Owners of the SSPI and certificate handles a TLS session holds.
#pragma once

#include "platform/win32/TlsLibraries.h"

namespace platform::win32 {

// Frees the SSPI handle with its own function when it was ever filled in.
template <typename Handle, SECURITY_STATUS(WINAPI* Free)(Handle*)>
class SspiHold {
 public:
  SspiHold() { SecInvalidateHandle(&Value); }
  SspiHold(const SspiHold&) = delete;
  SspiHold& operator=(const SspiHold&) = delete;
  ~SspiHold() {
    if (SecIsValidHandle(&Value)) Free(&Value);
  }
  Handle* Get() { return &Value; }

 private:
  Handle Value;
};

// A handle or buffer of theirs exists only once the libraries have served.
inline SECURITY_STATUS WINAPI FreeCredentials(CredHandle* credentials) {
  return Sspi()->FreeCredentialsHandle(credentials);
}
inline SECURITY_STATUS WINAPI DeleteContext(CtxtHandle* context) {
  return Sspi()->DeleteSecurityContext(context);
}

using CredentialsHold = SspiHold<CredHandle, FreeCredentials>;
using ContextHold = SspiHold<CtxtHandle, DeleteContext>;

// A certificate or chain context, freed with its own function.
template <typename Context, BOOL(WINAPI* Free)(Context)>
class CryptHold {
 public:
  explicit CryptHold(Context value = nullptr) : Value(value) {}
  CryptHold(const CryptHold&) = delete;
  CryptHold& operator=(const CryptHold&) = delete;
  ~CryptHold() {
    if (Value != nullptr) Free(Value);
  }
  Context Value;
};

inline BOOL WINAPI FreeChain(PCCERT_CHAIN_CONTEXT chain) {
  Certificates()->FreeChain(chain);
  return TRUE;
}
inline BOOL WINAPI FreeCertificate(PCCERT_CONTEXT certificate) {
  return Certificates()->FreeCertificate(certificate);
}

using CertificateHold = CryptHold<PCCERT_CONTEXT, FreeCertificate>;
using ChainHold = CryptHold<PCCERT_CHAIN_CONTEXT, FreeChain>;

// A buffer SChannel allocated for an outgoing token.
class TokenHold {
 public:
  TokenHold() = default;
  TokenHold(const TokenHold&) = delete;
  TokenHold& operator=(const TokenHold&) = delete;
  ~TokenHold() {
    if (Buffer.pvBuffer != nullptr) Sspi()->FreeContextBuffer(Buffer.pvBuffer);
  }
  SecBuffer Buffer{0, SECBUFFER_TOKEN, nullptr};
};

}  // namespace platform::win32
