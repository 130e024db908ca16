#include "platform/win32/TlsLibraries.h"

#include "platform/win32/Library.h"

namespace platform::win32 {
namespace {

// secur32 hands out its functions as one table, SChannel's among them; the
// slots this program calls must be filled.
struct SspiTable {
  const SecurityFunctionTableW* Functions;
};

bool FillSspi(HMODULE module, SspiTable& sspi) {
  INIT_SECURITY_INTERFACE_W initialise = nullptr;
  if (!FindEntry(module, "InitSecurityInterfaceW", initialise)) return false;
  const SecurityFunctionTableW* table = initialise();
  sspi.Functions = table;
  return table != nullptr && table->AcquireCredentialsHandleW && table->FreeCredentialsHandle &&
         table->InitializeSecurityContextW && table->DeleteSecurityContext && table->ApplyControlToken &&
         table->QueryContextAttributesW && table->FreeContextBuffer && table->EncryptMessage &&
         table->DecryptMessage;
}

bool FillCertificates(HMODULE module, CertificateFunctions& crypt) {
  return FindEntry(module, "CertGetCertificateChain", crypt.GetChain) &&
         FindEntry(module, "CertFreeCertificateChain", crypt.FreeChain) &&
         FindEntry(module, "CertVerifyCertificateChainPolicy", crypt.VerifyPolicy) &&
         FindEntry(module, "CertFindExtension", crypt.FindExtension) &&
         FindEntry(module, "CryptDecodeObjectEx", crypt.DecodeObject) &&
         FindEntry(module, "CertFreeCertificateContext", crypt.FreeCertificate) &&
         FindEntry(module, "CertDuplicateCertificateContext", crypt.DuplicateCertificate);
}

SystemLibrary<SspiTable, FillSspi> g_secur32(L"secur32.dll");
SystemLibrary<CertificateFunctions, FillCertificates> g_crypt32(L"crypt32.dll");

}  // namespace

const SecurityFunctionTableW* Sspi() {
  const SspiTable* sspi = g_secur32.Get();
  return sspi != nullptr ? sspi->Functions : nullptr;
}

const CertificateFunctions* Certificates() { return g_crypt32.Get(); }

}  // namespace platform::win32
