// Owners of the SSPI and certificate handles a TLS session holds.
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

using CredentialsHold = SspiHold<CredHandle, FreeCredentialsHandle>;
using ContextHold = SspiHold<CtxtHandle, DeleteSecurityContext>;

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
  CertFreeCertificateChain(chain);
  return TRUE;
}

using CertificateHold = CryptHold<PCCERT_CONTEXT, CertFreeCertificateContext>;
using ChainHold = CryptHold<PCCERT_CHAIN_CONTEXT, FreeChain>;

// A buffer SChannel allocated for an outgoing token.
class TokenHold {
 public:
  TokenHold() = default;
  TokenHold(const TokenHold&) = delete;
  TokenHold& operator=(const TokenHold&) = delete;
  ~TokenHold() {
    if (Buffer.pvBuffer != nullptr) FreeContextBuffer(Buffer.pvBuffer);
  }
  SecBuffer Buffer{0, SECBUFFER_TOKEN, nullptr};
};

}  // namespace platform::win32
