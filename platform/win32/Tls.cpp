// TLS sessions through SChannel over the program's own sockets.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/CertificateCheck.h"
#include "platform/win32/TlsHandles.h"
#include "platform/win32/TlsHandshake.h"

namespace platform {

using win32::MsLeft;
using win32::Sspi;

namespace {

// Room for the server's part of the handshake: its hello, certificate chain
// and key exchange, which even a long chain keeps well below this.
constexpr size_t kHandshakeBufferSize = 64 * 1024;
// The largest record TLS 1.2 allows: a header, 2^14 bytes of data and up to
// 2048 of expansion. SChannel's own sizes leave out the longest CBC padding,
// which a server may send.
constexpr size_t kMaxRecordSize = 5 + 16384 + 2048;
constexpr uint32_t kGoodbyeTimeoutMs = 500;
// The content type of a record that carries an alert; records begin with it.
constexpr char kAlertRecord = 21;

enum class Decrypted { Data, NeedMore, Ended, Failed };

const SecBuffer* FindBuffer(const SecBuffer* buffers, size_t count, ULONG type) {
  for (size_t i = 0; i < count; ++i) {
    if (buffers[i].BufferType == type) return &buffers[i];
  }
  return nullptr;
}

}  // namespace

// A session holds at most one record that has come but not been decrypted,
// and the part of one decrypted record the caller has not taken yet.
struct TlsSessionTag {
  explicit TlsSessionTag(Socket socket) : Connection(socket) {}

  // Sets the record buffers to the sizes SChannel gives for this session and
  // takes over what came after the handshake.
  bool Prepare(const std::vector<char>& handshake, size_t extra) {
    if (Sspi()->QueryContextAttributesW(Context.Get(), SECPKG_ATTR_STREAM_SIZES, &Sizes) != SEC_E_OK) {
      return false;
    }
    const size_t recordSize = size_t{Sizes.cbHeader} + Sizes.cbMaximumMessage + Sizes.cbTrailer;
    const size_t incomingSize = std::max(recordSize, kMaxRecordSize);
    if (extra > incomingSize) return false;
    Incoming.assign(incomingSize, 0);
    std::memcpy(Incoming.data(), handshake.data(), extra);
    IncomingUsed = extra;
    Outgoing.assign(recordSize, 0);
    Plain.assign(Sizes.cbMaximumMessage, 0);
    return true;
  }

  int Receive(void* buffer, size_t capacity, uint64_t deadline) {
    for (bool first = true;; first = false) {
      if (PlainStart < PlainEnd) return TakePlain(buffer, capacity);
      if (Closed) return 0;
      // Records without data, or one that comes a byte at a time, must not
      // hold the caller past its time-out; what came stays for the next call.
      if (!first && MsLeft(deadline) == 0) return -1;
      switch (DecryptNext()) {
        case Decrypted::Data:
          break;
        case Decrypted::NeedMore:
          if (!ReceiveMore(deadline)) return Closed ? 0 : -1;
          break;
        case Decrypted::Ended:
          Closed = true;
          return 0;
        case Decrypted::Failed:
          return -1;
      }
    }
  }

  bool Send(const char* data, size_t size, uint64_t deadline) {
    while (size > 0) {
      const size_t chunk = std::min<size_t>(size, Sizes.cbMaximumMessage);
      char* header = Outgoing.data();
      char* body = header + Sizes.cbHeader;
      std::memcpy(body, data, chunk);
      SecBuffer buffers[4] = {{Sizes.cbHeader, SECBUFFER_STREAM_HEADER, header},
                              {static_cast<ULONG>(chunk), SECBUFFER_DATA, body},
                              {Sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, body + chunk},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
      if (Sspi()->EncryptMessage(Context.Get(), 0, &desc, 0) != SEC_E_OK) return false;
      // Wine shrinks the trailer to what the cipher used; only that goes out.
      const size_t recordSize = size_t{buffers[0].cbBuffer} + buffers[1].cbBuffer + buffers[2].cbBuffer;
      if (!SendAll(Connection, header, recordSize, MsLeft(deadline))) return false;
      data += chunk;
      size -= chunk;
    }
    return true;
  }

  const Socket Connection;
  win32::CredentialsHold Credentials;
  win32::ContextHold Context;

 private:
  int TakePlain(void* buffer, size_t capacity) {
    const size_t count = std::min(capacity, PlainEnd - PlainStart);
    std::memcpy(buffer, Plain.data() + PlainStart, count);
    PlainStart += count;
    return static_cast<int>(count);
  }

  // Decrypts the first record that has come whole. Several may have come in
  // one receive: the rest stays for the next call.
  Decrypted DecryptNext() {
    if (IncomingUsed == 0) return Decrypted::NeedMore;
    SecBuffer buffers[4] = {{static_cast<ULONG>(IncomingUsed), SECBUFFER_DATA, Incoming.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
    const bool alert = Incoming[0] == kAlertRecord;
    const SECURITY_STATUS status = Sspi()->DecryptMessage(Context.Get(), &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) return Decrypted::NeedMore;
    // The server's close_notify. Wine decrypts it as an empty record instead;
    // any alert of the server's ends the session.
    if (status == SEC_I_CONTEXT_EXPIRED || (status == SEC_E_OK && alert)) return Decrypted::Ended;
    // A renegotiation is not taken up: no server of mail needs one.
    if (status != SEC_E_OK) return Decrypted::Failed;
    const SecBuffer* data = FindBuffer(buffers, 4, SECBUFFER_DATA);
    const SecBuffer* extra = FindBuffer(buffers, 4, SECBUFFER_EXTRA);
    const size_t dataSize = data != nullptr ? data->cbBuffer : 0;
    const size_t extraSize = extra != nullptr ? extra->cbBuffer : 0;
    if (dataSize > Plain.size() || extraSize > IncomingUsed) return Decrypted::Failed;
    if (dataSize > 0) std::memcpy(Plain.data(), data->pvBuffer, dataSize);
    PlainStart = 0;
    PlainEnd = dataSize;
    std::memmove(Incoming.data(), Incoming.data() + IncomingUsed - extraSize, extraSize);
    IncomingUsed = extraSize;
    return Decrypted::Data;
  }

  // False on an error, a time-out or a record larger than SChannel allows;
  // false with Closed set when the server closed the connection.
  bool ReceiveMore(uint64_t deadline) {
    if (IncomingUsed == Incoming.size()) return false;
    const int got = ReceiveSome(Connection, Incoming.data() + IncomingUsed, Incoming.size() - IncomingUsed,
                                MsLeft(deadline));
    if (got == 0) Closed = true;
    if (got <= 0) return false;
    IncomingUsed += static_cast<size_t>(got);
    return true;
  }

  SecPkgContext_StreamSizes Sizes = {};
  std::vector<char> Incoming;
  size_t IncomingUsed = 0;
  std::vector<char> Plain;
  size_t PlainStart = 0;
  size_t PlainEnd = 0;
  std::vector<char> Outgoing;
  bool Closed = false;
};

TlsSession OpenTlsSession(Socket socket, const char* host, uint32_t timeoutMs, TlsFailure* failure) {
  TlsFailure unused;
  if (failure == nullptr) failure = &unused;
  *failure = TlsFailure::NotTls;
  if (socket == kNoSocket || host == nullptr) return nullptr;
  const uint64_t deadline = MonotonicMs() + timeoutMs;
  // Without SChannel or the certificate functions there is no TLS to speak.
  if (Sspi() == nullptr || win32::Certificates() == nullptr) return nullptr;
  auto session = std::make_unique<TlsSessionTag>(socket);
  if (!win32::AcquireClientCredentials(session->Credentials)) return nullptr;
  std::vector<char> handshake(kHandshakeBufferSize);
  size_t extra = 0;
  *failure = win32::RunHandshake(socket, host, deadline, session->Credentials.Get(), session->Context.Get(),
                                 handshake, &extra);
  if (*failure == TlsFailure::None)
    *failure = win32::CheckServerCertificate(session->Context.Get(), host, MsLeft(deadline));
  if (*failure == TlsFailure::None && !session->Prepare(handshake, extra)) *failure = TlsFailure::NotTls;
  return *failure == TlsFailure::None ? session.release() : nullptr;
}

bool TlsSendAll(TlsSession session, const void* data, size_t size, uint32_t timeoutMs) {
  if (session == nullptr || (data == nullptr && size > 0)) return false;
  return session->Send(static_cast<const char*>(data), size, MonotonicMs() + timeoutMs);
}

int TlsReceiveSome(TlsSession session, void* buffer, size_t capacity, uint32_t timeoutMs) {
  if (session == nullptr || buffer == nullptr || capacity == 0) return -1;
  if (capacity > INT_MAX) capacity = INT_MAX;
  return session->Receive(buffer, capacity, MonotonicMs() + timeoutMs);
}

void CloseTlsSession(TlsSession session) {
  if (session == nullptr) return;
  win32::SayGoodbye(session->Connection, session->Credentials.Get(), session->Context.Get(),
                    kGoodbyeTimeoutMs);
  delete session;
}

}  // namespace platform
