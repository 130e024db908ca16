// TLS of the stand-in, on OpenSSL over the socket's own descriptor, which
// never blocks (see Sockets.cpp): each call here waits with poll() until its
// deadline.
#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <string>
#include <vector>

#include "platform/Owned.h"
#include "platform/Platform.h"
#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

namespace {

using CtxHolder = platform::Owned<SSL_CTX*, SSL_CTX_free>;
using SslHolder = platform::Owned<SSL*, SSL_free>;

// The CA files a test added (host::TrustAuthority), and the context every
// session starts from, made for them. Loading the machine's roots costs
// far more than a handshake, so it is done once, and again only when the
// files change; sessions keep their own reference to the context they
// started from.
struct Trust {
  std::vector<std::string> files;
  CtxHolder context;
};

host::detail::Guarded<Trust>& g_trust = *new host::detail::Guarded<Trust>;

enum class Outcome { Done, Closed, Failed, TimedOut };

// Repeats one OpenSSL call, waiting for the socket as it asks, until it
// succeeds, fails or the deadline passes.
template <typename Call>
Outcome Drive(SSL* ssl, uint32_t timeoutMs, Call call) {
  const uint64_t deadline = platform::MonotonicMs() + timeoutMs;
  for (;;) {
    ERR_clear_error();
    const int result = call();
    if (result > 0) return Outcome::Done;
    const int error = SSL_get_error(ssl, result);
    if (error == SSL_ERROR_ZERO_RETURN) return Outcome::Closed;
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) return Outcome::Failed;
    pollfd entry{SSL_get_fd(ssl), static_cast<short>(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0};
    int ready = 0;
    do {
      const uint64_t now = platform::MonotonicMs();
      if (now >= deadline) return Outcome::TimedOut;
      ready = ::poll(&entry, 1, static_cast<int>(std::min<uint64_t>(deadline - now, INT_MAX)));
    } while (ready == 0 || (ready < 0 && errno == EINTR));
    if (ready < 0) return Outcome::Failed;
  }
}

// Why the certificate was refused, from OpenSSL's verdict on it.
platform::TlsFailure CertificateFailure(long verdict) {
  using platform::TlsFailure;
  switch (verdict) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return TlsFailure::UnknownIssuer;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return TlsFailure::OtherName;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return TlsFailure::Expired;
    default:
      return TlsFailure::Untrusted;
  }
}

// Whether the handshake failed because the server speaks no version we
// offer: it said so in an alert, or it chose an older one.
bool NoCommonVersion() {
  bool found = false;
  for (unsigned long error; (error = ERR_get_error()) != 0;) {
    const int reason = ERR_GET_REASON(error);
    found = found || reason == SSL_R_TLSV1_ALERT_PROTOCOL_VERSION || reason == SSL_R_UNSUPPORTED_PROTOCOL;
  }
  return found;
}

// OpenSSL works out a certificate's extensions on first use and marks them
// done with a flag it reads without a lock, so two handshakes checking
// against the same trusted certificate at once race on it. Working them out
// here, before any session shares the store, leaves only reads afterwards.
void SettleTrustedCertificates(X509_STORE* store) {
  STACK_OF(X509_OBJECT)* objects = X509_STORE_get0_objects(store);
  for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i) {
    X509* certificate = X509_OBJECT_get0_X509(sk_X509_OBJECT_value(objects, i));
    if (certificate != nullptr) X509_check_purpose(certificate, -1, 0);
  }
}

// A context for sessions: TLS 1.2 alone, as the Windows build speaks it, the
// peer verified against the default roots and the test's.
CtxHolder NewContext(const std::vector<std::string>& trustedFiles) {
  CtxHolder ctx(SSL_CTX_new(TLS_client_method()));
  if (!ctx || SSL_CTX_set_min_proto_version(ctx.Get(), TLS1_2_VERSION) != 1 ||
      SSL_CTX_set_max_proto_version(ctx.Get(), TLS1_2_VERSION) != 1) {
    return CtxHolder();
  }
  SSL_CTX_set_default_verify_paths(ctx.Get());
  for (const std::string& file : trustedFiles)
    SSL_CTX_load_verify_locations(ctx.Get(), file.c_str(), nullptr);
  SettleTrustedCertificates(SSL_CTX_get_cert_store(ctx.Get()));
  SSL_CTX_set_verify(ctx.Get(), SSL_VERIFY_PEER, nullptr);
  // POP3 marks its own ends, and servers often close without a goodbye.
  SSL_CTX_set_options(ctx.Get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
  return ctx;
}

// Names the host to the server (SNI, not for addresses) and to the check.
bool SetHost(SSL* ssl, const char* host) {
  X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
  in_addr address{};
  if (::inet_pton(AF_INET, host, &address) == 1) return X509_VERIFY_PARAM_set1_ip_asc(param, host) == 1;
  X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  return SSL_set_tlsext_host_name(ssl, host) == 1 && X509_VERIFY_PARAM_set1_host(param, host, 0) == 1;
}

SslHolder NewSsl(int fd, const char* host) {
  // OpenSSL writes with write(), which raises SIGPIPE on a connection the
  // server has closed; Windows knows no such signal, nor does the program.
  static const bool quiet = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
  SslHolder ssl(g_trust([](Trust& t) {
    if (!t.context) t.context = NewContext(t.files);
    return t.context ? SSL_new(t.context.Get()) : nullptr;  // holds its own reference to the context
  }));
  if (!quiet || !ssl || !SetHost(ssl.Get(), host) || SSL_set_fd(ssl.Get(), fd) != 1) return SslHolder();
  return ssl;
}

}  // namespace

namespace platform {

struct TlsSessionTag {
  SslHolder ssl;
  // After a failure, or a send cut short, the session cannot say goodbye.
  bool broken = false;
};

TlsSession OpenTlsSession(Socket socket, const char* host, uint32_t timeoutMs, TlsFailure* failure) {
  TlsFailure ignored;
  TlsFailure& why = failure != nullptr ? *failure : ignored;
  why = TlsFailure::NotTls;
  if (socket == kNoSocket || host == nullptr || *host == '\0') return nullptr;
  SslHolder ssl = NewSsl(static_cast<int>(socket), host);
  if (!ssl) return nullptr;
  const Outcome outcome = Drive(ssl.Get(), timeoutMs, [&] { return SSL_connect(ssl.Get()); });
  if (outcome == Outcome::Done) {
    why = TlsFailure::None;
    return new TlsSessionTag{std::move(ssl)};
  }
  const long verdict = SSL_get_verify_result(ssl.Get());
  if (outcome == Outcome::TimedOut) {
    why = TlsFailure::Stalled;
  } else if (verdict != X509_V_OK) {
    why = CertificateFailure(verdict);
  } else if (NoCommonVersion()) {
    why = TlsFailure::NoCommonVersion;
  }
  ERR_clear_error();
  return nullptr;
}

bool TlsSendAll(TlsSession session, const void* data, size_t size, uint32_t timeoutMs) {
  if (session == nullptr || session->broken) return false;
  if (size == 0) return true;
  SSL* ssl = session->ssl.Get();
  size_t written = 0;
  // Without partial writes, a success has sent everything.
  const Outcome outcome = Drive(ssl, timeoutMs, [&] { return SSL_write_ex(ssl, data, size, &written); });
  session->broken = outcome != Outcome::Done;
  return outcome == Outcome::Done;
}

int TlsReceiveSome(TlsSession session, void* buffer, size_t capacity, uint32_t timeoutMs) {
  if (session == nullptr || session->broken) return -1;
  SSL* ssl = session->ssl.Get();
  size_t got = 0;
  const size_t wanted = std::min<size_t>(capacity, INT_MAX);
  const Outcome outcome = Drive(ssl, timeoutMs, [&] { return SSL_read_ex(ssl, buffer, wanted, &got); });
  if (outcome == Outcome::Done) return static_cast<int>(got);
  if (outcome == Outcome::Closed) return 0;
  // A receive that timed out left nothing half done.
  session->broken = outcome == Outcome::Failed;
  return -1;
}

void CloseTlsSession(TlsSession session) {
  if (session == nullptr) return;
  if (!session->broken) {
    // Sends close_notify; the server's own goodbye is not waited for.
    SSL* ssl = session->ssl.Get();
    Drive(ssl, 200, [&] { return SSL_shutdown(ssl) >= 0 ? 1 : -1; });
  }
  delete session;
}

}  // namespace platform

namespace host {

void TrustAuthority(const std::string& pemFile) {
  g_trust([&](Trust& t) {
    t.files.push_back(pemFile);
    t.context.Reset();
  });
}

}  // namespace host
