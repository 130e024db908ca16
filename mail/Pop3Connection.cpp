#include "mail/Pop3Connection.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const char* Terminator(ReplyEnd end) { return end == ReplyEnd::MultiLine ? "\r\n.\r\n" : "\r\n"; }

bool EndsWith(const char* text, size_t length, const char* suffix) {
  const size_t size = std::strlen(suffix);
  return length >= size && std::memcmp(text + length - size, suffix, size) == 0;
}

// Keeps the last few bytes of everything received, so a terminator split
// across chunks is still seen.
void KeepTail(std::string& tail, const char* data, size_t size) {
  tail.append(data, size);
  if (tail.size() > 8) tail.erase(0, tail.size() - 8);
}

// One reply's reading: the time it must be done by, and whether it still may
// go on.
class ReplyReader {
 public:
  explicit ReplyReader(Pop3Connection& connection)
      : Connection(connection), Deadline(platform::MonotonicMs() + connection.ReceiveTimeoutMs) {}

  // One receive of at most `capacity` bytes; 0 or less, with the connection
  // gone, when it closed, failed or the reply's time ran out.
  int Receive(char* chunk, size_t capacity = kReceiveChunk) {
    const uint64_t now = platform::MonotonicMs();
    const int received =
        now >= Deadline ? -1 : ReceiveWithin(chunk, capacity, static_cast<uint32_t>(Deadline - now));
    if (received <= 0) Connection.Gone = true;
    return received;
  }

  // Reads and drops the rest of a cut reply, up to its terminator.
  void Drain(std::string tail, ReplyEnd end) {
    char chunk[kReceiveChunk];
    size_t dropped = 0;
    while (!EndsWith(tail.data(), tail.size(), Terminator(end))) {
      if (dropped == kDiscardLimit) {
        Connection.Gone = true;
        return;
      }
      const int received = Receive(chunk, std::min(sizeof chunk, kDiscardLimit - dropped));
      if (received <= 0) return;
      dropped += static_cast<size_t>(received);
      KeepTail(tail, chunk, static_cast<size_t>(received));
    }
  }

 private:
  int ReceiveWithin(char* chunk, size_t capacity, uint32_t timeoutMs) {
    if (Connection.Tls != nullptr)
      return platform::TlsReceiveSome(Connection.Tls, chunk, capacity, timeoutMs);
    return platform::ReceiveSome(Connection.Socket, chunk, capacity, timeoutMs);
  }

  Pop3Connection& Connection;
  const uint64_t Deadline;
};

}  // namespace

int SendText(Pop3Connection& connection, const char* text) {
  if (connection.Gone) return 0;
  const size_t size = std::strlen(text);
  const bool sent = connection.Tls != nullptr
                        ? platform::TlsSendAll(connection.Tls, text, size, connection.SendTimeoutMs)
                        : platform::SendAll(connection.Socket, text, size, connection.SendTimeoutMs);
  if (sent) return 1;
  connection.Gone = true;
  return 0;
}

size_t ReceiveReply(Pop3Connection& connection, char* buffer, size_t limit, ReplyEnd end) {
  buffer[0] = '\0';
  if (connection.Gone) return 0;
  ReplyReader reader(connection);
  size_t held = 0;
  std::string tail;
  char chunk[kReceiveChunk];
  for (int chunks = 1;; ++chunks) {
    const int received = reader.Receive(chunk);
    if (received <= 0) return held;
    KeepTail(tail, chunk, static_cast<size_t>(received));
    if (held + received >= limit) {
      if (end != ReplyEnd::OneChunk) reader.Drain(tail, end);
      return held;
    }
    std::memcpy(buffer + held, chunk, static_cast<size_t>(received));
    held += static_cast<size_t>(received);
    buffer[held] = '\0';
    if (held >= 4 && std::strncmp(buffer, "-ERR", 4) == 0) return held;
    if (end == ReplyEnd::OneChunk) return held;
    // The end is looked for at the end of the text only, as a C string: a
    // NUL from the server hides what follows it.
    const size_t text = std::strlen(buffer);
    if (EndsWith(buffer, text, Terminator(end)) && text >= (end == ReplyEnd::MultiLine ? 5u : 2u))
      return held;
    if (chunks >= kMaxChunks) {
      reader.Drain(tail, end);
      return held;
    }
  }
}
