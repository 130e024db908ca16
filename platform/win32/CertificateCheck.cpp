// Certificate checks done by the program itself: under Wine, SChannel's own
// validation lets everything through and the SSL policy misses an unknown
// issuer, so the chain's trust status is read first and the policy after.
#include "platform/win32/CertificateCheck.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"

namespace platform::win32 {
namespace {

// Revocation is not asked for: the lists cannot be fetched offline, and a
// mailbox poll must not hang on them.
constexpr DWORD kIgnoredChainErrors = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

// The chain's own verdict; an unknown issuer comes before any fault of the
// certificate, since nothing it says can be believed.
TlsFailure ChainFailure(DWORD errors) {
  errors &= ~kIgnoredChainErrors;
  if (errors == 0) return TlsFailure::None;
  if (errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) return TlsFailure::UnknownIssuer;
  if (errors & CERT_TRUST_IS_NOT_TIME_VALID) return TlsFailure::Expired;
  return TlsFailure::Untrusted;
}

TlsFailure PolicyFailure(DWORD error) {
  switch (error) {
    case 0:
      return TlsFailure::None;
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
      return TlsFailure::UnknownIssuer;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH):
      return TlsFailure::OtherName;
    case static_cast<DWORD>(CERT_E_EXPIRED):
      return TlsFailure::Expired;
    default:
      return TlsFailure::Untrusted;
  }
}

// The chain from the server's certificate (with the intermediates it sent)
// to a root, for server authentication. Windows fetches what it lacks as it
// would for a browser: an intermediate the server left out, from the address
// in the certificate, and a root it trusts but has not downloaded yet. Each
// download may take half the time left, as Windows shares out its own
// bound on revocation checks: one address that never answers leaves the
// chain time to end with a verdict.
PCCERT_CHAIN_CONTEXT BuildChain(PCCERT_CONTEXT certificate, uint32_t timeoutMs) {
  LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
  CERT_CHAIN_PARA parameters = {};
  parameters.cbSize = sizeof parameters;
  parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
  parameters.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
  parameters.dwUrlRetrievalTimeout = timeoutMs > 1 ? timeoutMs / 2 : 1;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!Certificates()->GetChain(nullptr, certificate, nullptr, certificate->hCertStore, &parameters, 0,
                                nullptr, &chain)) {
    return nullptr;
  }
  return chain;
}

// One chain in the making, shared by the handshake and the thread that
// builds it. The handshake stops waiting when its time is up and lets go;
// whichever lets go last frees it.
struct ChainBuild {
  LONG Holders = 2;
  OwnedHandle Done;                      // set once Chain holds the outcome
  PCCERT_CONTEXT Certificate = nullptr;  // the thread's own reference
  uint32_t TimeoutMs = 0;
  PCCERT_CHAIN_CONTEXT Chain = nullptr;
};

void LetGo(ChainBuild* build) {
  if (InterlockedDecrement(&build->Holders) != 0) return;
  if (build->Chain != nullptr) Certificates()->FreeChain(build->Chain);
  Certificates()->FreeCertificate(build->Certificate);
  delete build;
}

void ChainThread(void* argument) {
  auto* build = static_cast<ChainBuild*>(argument);
  build->Chain = BuildChain(build->Certificate, build->TimeoutMs);
  SetEvent(build->Done.Get());
  LetGo(build);
}

// The retrieval time-out holds for each download alone, not for all of them
// together (the one flag that adds them up is for revocation, which is not
// asked for), and Wine's downloads keep none at all: so the chain is built
// on a thread of its own, and the handshake waits no longer than its time.
// False when the time ran out; *chain is null when no chain could be built.
bool BuildChainWithin(PCCERT_CONTEXT certificate, uint32_t timeoutMs, PCCERT_CHAIN_CONTEXT* chain) {
  *chain = nullptr;
  auto* build = new (std::nothrow) ChainBuild;
  if (build == nullptr) return true;
  build->Done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!build->Done) {
    delete build;
    return true;
  }
  build->Certificate = Certificates()->DuplicateCertificate(certificate);
  build->TimeoutMs = timeoutMs;
  // Without a thread of its own, the chain is built here, bounded by the
  // time-out of each download alone.
  if (!StartDetachedThread(ChainThread, build)) ChainThread(build);
  const bool built = WaitForSingleObject(build->Done.Get(), timeoutMs) == WAIT_OBJECT_0;
  if (built) *chain = std::exchange(build->Chain, nullptr);
  LetGo(build);
  return built;
}

// The SSL policy; with no server name it leaves the name alone.
TlsFailure CheckPolicy(PCCERT_CHAIN_CONTEXT chain, const char* dnsName) {
  // The name as the user typed it, in Windows-1251 like every text of ours.
  std::wstring wideName = Wide(dnsName);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = wideName.empty() ? nullptr : wideName.data();
  CERT_CHAIN_POLICY_PARA policy = {};
  policy.cbSize = sizeof policy;
  policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status = {};
  status.cbSize = sizeof status;
  if (!Certificates()->VerifyPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status)) {
    return TlsFailure::Untrusted;
  }
  return PolicyFailure(status.dwError);
}

// Whether the certificate lists the address among its subject's alternative
// names. A common name never stands for an address, as in browsers.
bool NamesAddress(PCCERT_CONTEXT certificate, const BYTE address[4]) {
  const CERT_INFO* info = certificate->pCertInfo;
  const CERT_EXTENSION* extension =
      Certificates()->FindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
  if (extension == nullptr) return false;
  CERT_ALT_NAME_INFO* names = nullptr;
  DWORD size = 0;
  if (!Certificates()->DecodeObject(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                                    extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names,
                                    &size)) {
    return false;
  }
  bool found = false;
  for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
    found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == 4 &&
            std::memcmp(entry.IPAddress.pbData, address, 4) == 0;
  }
  LocalFree(names);
  return found;
}

// Reads a dotted IPv4 address of four decimal parts without leading zeros;
// false for anything else.
bool ParseDottedAddress(const char* host, BYTE address[4]) {
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *host++ != '.') return false;
    unsigned value = 0;
    int digits = 0;
    for (; *host >= '0' && *host <= '9'; ++host, ++digits) {
      // With a leading zero the socket library reads a part as octal and
      // connects elsewhere than a decimal reading says: such a host counts
      // as a name.
      if (digits == 3 || (digits == 1 && value == 0)) return false;
      value = value * 10 + static_cast<unsigned>(*host - '0');
      if (value > 255) return false;
    }
    if (digits == 0) return false;
    address[part] = static_cast<BYTE>(value);
  }
  return *host == '\0';
}

}  // namespace

bool IsDottedAddress(const char* host) {
  BYTE address[4];
  return ParseDottedAddress(host, address);
}

TlsFailure CheckServerCertificate(CtxtHandle* context, const char* host, uint32_t timeoutMs) {
  if (timeoutMs == 0) return TlsFailure::Stalled;
  CertificateHold certificate;
  const SECURITY_STATUS status =
      Sspi()->QueryContextAttributesW(context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate.Value);
  if (status != SEC_E_OK || certificate.Value == nullptr) return TlsFailure::Untrusted;
  ChainHold chain;
  if (!BuildChainWithin(certificate.Value, timeoutMs, &chain.Value)) return TlsFailure::Stalled;
  if (chain.Value == nullptr) return TlsFailure::Untrusted;
  const TlsFailure chainFailure = ChainFailure(chain.Value->TrustStatus.dwErrorStatus);
  if (chainFailure != TlsFailure::None) return chainFailure;
  // Wine's policy matches a dotted address against DNS names only, so an
  // address is looked for among the certificate's IP addresses here.
  BYTE address[4];
  const bool dotted = ParseDottedAddress(host, address);
  const TlsFailure policyFailure = CheckPolicy(chain.Value, dotted ? nullptr : host);
  if (policyFailure != TlsFailure::None) return policyFailure;
  if (dotted && !NamesAddress(certificate.Value, address)) return TlsFailure::OtherName;
  return TlsFailure::None;
}

}  // namespace platform::win32
