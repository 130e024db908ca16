// The client's handshake through SChannel, step by step over the program's
// own socket calls, so that every wait is bounded.
#include "platform/win32/TlsHandshake.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/win32/CertificateCheck.h"
#include "platform/win32/Text.h"

namespace platform::win32 {
namespace {

constexpr ULONG kRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                           ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                           ISC_REQ_MANUAL_CRED_VALIDATION;

// What a record's header may hold: a content type from change_cipher_spec
// to application_data, version 3.x, and at most 2^14 bytes plus expansion.
constexpr unsigned char kFirstContentType = 20;
constexpr unsigned char kLastContentType = 23;
constexpr unsigned char kMajorVersion = 3;
constexpr size_t kRecordHeaderSize = 5;
constexpr size_t kMaxRecordBody = 16384 + 2048;

// Whether what came starts like a TLS record. Schannel under Wine waits for
// the rest of a "record" whose length is made of a plain greeting's letters,
// so a server that does not speak TLS is told apart here.
bool StartsLikeRecord(const std::vector<char>& buffer, size_t used) {
  const auto byte = [&buffer](size_t i) { return static_cast<unsigned char>(buffer[i]); };
  if (used >= 1 && (byte(0) < kFirstContentType || byte(0) > kLastContentType)) return false;
  if (used >= 2 && byte(1) != kMajorVersion) return false;
  return used < kRecordHeaderSize || ((size_t{byte(3)} << 8) | byte(4)) <= kMaxRecordBody;
}

constexpr unsigned char kAlertContentType = 21;
constexpr unsigned char kHandshakeContentType = 22;
constexpr unsigned char kProtocolVersionAlert = 70;
constexpr unsigned char kServerHello = 2;
constexpr unsigned char kTls12Minor = 3;

// Whether the server's answer to our hello says it speaks no version we
// offered: it refuses with a protocol_version alert (a server of TLS 1.3
// only), or it picks an older version than 1.2. Wine's SChannel fails
// both with the status of any broken handshake; the server's bytes tell.
bool RefusesOurVersion(const std::vector<char>& buffer, size_t used) {
  const auto byte = [&buffer](size_t i) { return static_cast<unsigned char>(buffer[i]); };
  if (used >= kRecordHeaderSize + 2 && byte(0) == kAlertContentType) return byte(6) == kProtocolVersionAlert;
  // A ServerHello's own version follows its 4-byte message header.
  return used >= kRecordHeaderSize + 6 && byte(0) == kHandshakeContentType && byte(5) == kServerHello &&
         byte(9) == kMajorVersion && byte(10) < kTls12Minor;
}

// A receive that failed this close to the deadline ran into it: socket
// waits may end a little early.
constexpr uint32_t kTimerSlackMs = 50;

class Handshake {
 public:
  Handshake(Socket socket, const char* host, uint64_t deadline, CredHandle* credentials, CtxtHandle* context,
            std::vector<char>& buffer)
      : Connection(socket),
        // No name goes out for an address: SNI carries host names only.
        Target(IsDottedAddress(host) ? std::wstring() : Wide(host)),
        Deadline(deadline),
        Credentials(credentials),
        Context(context),
        Buffer(buffer) {}

  TlsFailure Run(size_t* extra) {
    if (Step(false) != SEC_I_CONTINUE_NEEDED) return SendFailed ? Lost() : TlsFailure::NotTls;
    bool read = true;
    bool askedForCertificate = false;
    for (;;) {
      if (read) {
        const TlsFailure failure = ReadMore();
        if (failure != TlsFailure::None) return failure;
      }
      const SECURITY_STATUS status = Step(true);
      if (SendFailed) return Lost();
      if (status == SEC_E_OK) {
        *extra = Used;
        return TlsFailure::None;
      }
      if (status == SEC_I_CONTINUE_NEEDED) {
        read = Used == 0;
      } else if (status == SEC_E_INCOMPLETE_MESSAGE) {
        read = true;
      } else if (status == SEC_I_INCOMPLETE_CREDENTIALS && !askedForCertificate) {
        // The server asks for a client certificate; go on without one.
        askedForCertificate = true;
        read = false;
      } else {
        return Refused();
      }
      if (MsLeft(Deadline) == 0) return TlsFailure::Stalled;
    }
  }

 private:
  // A server that broke off the handshake, telling why or not.
  TlsFailure Refused() const {
    return RefusesOurVersion(Buffer, Used) ? TlsFailure::NoCommonVersion : TlsFailure::NotTls;
  }

  // A lost connection, or one that ran out of time.
  TlsFailure Lost() const {
    return MsLeft(Deadline) <= kTimerSlackMs ? TlsFailure::Stalled : TlsFailure::NotTls;
  }

  TlsFailure ReadMore() {
    // More than the buffer holds is more than any server's hello needs.
    if (Used == Buffer.size()) return TlsFailure::NotTls;
    const uint32_t wait = MsLeft(Deadline);
    if (wait == 0) return TlsFailure::Stalled;
    const int got = ReceiveSome(Connection, Buffer.data() + Used, Buffer.size() - Used, wait);
    if (got == 0) return Refused();
    if (got < 0) return Lost();
    Used += static_cast<size_t>(got);
    return StartsLikeRecord(Buffer, Used) ? TlsFailure::None : TlsFailure::NotTls;
  }

  // One call of InitializeSecurityContext on what has come so far; its
  // token (a message, or an alert on failure) goes out at once.
  SECURITY_STATUS Step(bool withInput) {
    SecBuffer input[2] = {{static_cast<ULONG>(Used), SECBUFFER_TOKEN, Buffer.data()},
                          {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inputDesc = {SECBUFFER_VERSION, 2, input};
    TokenHold token;
    SecBufferDesc outputDesc = {SECBUFFER_VERSION, 1, &token.Buffer};
    ULONG attributes = 0;
    const SECURITY_STATUS status = Sspi()->InitializeSecurityContextW(
        Credentials, withInput ? Context : nullptr, Target.empty() ? nullptr : Target.data(), kRequest, 0, 0,
        withInput ? &inputDesc : nullptr, 0, withInput ? nullptr : Context, &outputDesc, &attributes,
        nullptr);
    if (token.Buffer.pvBuffer != nullptr && token.Buffer.cbBuffer > 0) {
      SendFailed = !SendAll(Connection, token.Buffer.pvBuffer, token.Buffer.cbBuffer, MsLeft(Deadline));
    }
    if (withInput && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) KeepExtra(input[1]);
    return status;
  }

  // What SChannel did not take belongs to the next step, or to the session.
  void KeepExtra(const SecBuffer& extra) {
    if (extra.BufferType != SECBUFFER_EXTRA || extra.cbBuffer == 0 || extra.cbBuffer > Used) {
      Used = 0;
      return;
    }
    std::memmove(Buffer.data(), Buffer.data() + Used - extra.cbBuffer, extra.cbBuffer);
    Used = extra.cbBuffer;
  }

  const Socket Connection;
  std::wstring Target;
  const uint64_t Deadline;
  CredHandle* const Credentials;
  CtxtHandle* const Context;
  std::vector<char>& Buffer;
  size_t Used = 0;
  bool SendFailed = false;
};

}  // namespace

uint32_t MsLeft(uint64_t deadline) {
  const uint64_t now = MonotonicMs();
  if (now >= deadline) return 0;
  const uint64_t left = deadline - now;
  return left > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(left);
}

// TLS 1.2 only: asking for 1.3 in these credentials makes older Windows
// refuse them outright, and Windows 11 negotiates 1.3 only through the
// newer credential structure anyway.
bool AcquireClientCredentials(CredentialsHold& credentials) {
  SCHANNEL_CRED settings = {};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  settings.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TimeStamp expiry;
  return Sspi()->AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                           nullptr, &settings, nullptr, nullptr, credentials.Get(),
                                           &expiry) == SEC_E_OK;
}

TlsFailure RunHandshake(Socket socket, const char* host, uint64_t deadline, CredHandle* credentials,
                        CtxtHandle* context, std::vector<char>& buffer, size_t* extra) {
  return Handshake(socket, host, deadline, credentials, context, buffer).Run(extra);
}

void SayGoodbye(Socket socket, CredHandle* credentials, CtxtHandle* context, uint32_t timeoutMs) {
  DWORD shutdown = SCHANNEL_SHUTDOWN;
  SecBuffer control = {sizeof shutdown, SECBUFFER_TOKEN, &shutdown};
  SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, &control};
  if (Sspi()->ApplyControlToken(context, &controlDesc) != SEC_E_OK) return;
  TokenHold token;
  SecBufferDesc outputDesc = {SECBUFFER_VERSION, 1, &token.Buffer};
  ULONG attributes = 0;
  const SECURITY_STATUS status = Sspi()->InitializeSecurityContextW(
      credentials, context, nullptr, kRequest, 0, 0, nullptr, 0, nullptr, &outputDesc, &attributes, nullptr);
  if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && token.Buffer.pvBuffer != nullptr) {
    SendAll(socket, token.Buffer.pvBuffer, token.Buffer.cbBuffer, timeoutMs);
  }
}

}  // namespace platform::win32
