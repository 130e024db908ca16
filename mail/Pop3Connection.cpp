#include "mail/Pop3Connection.h"

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

// Reads and drops the rest of a cut reply, up to its terminator, a closed
// connection or a time-out.
void DrainReply(const Pop3Connection& connection, std::string tail, ReplyEnd end) {
  char chunk[kReceiveChunk];
  while (!EndsWith(tail.data(), tail.size(), Terminator(end))) {
    const int received = platform::ReceiveSome(connection.Socket, chunk, sizeof chunk, connection.ReceiveTimeoutMs);
    if (received <= 0) return;
    KeepTail(tail, chunk, static_cast<size_t>(received));
  }
}

}  // namespace

int SendText(const Pop3Connection& connection, const char* text) {
  return platform::SendAll(connection.Socket, text, std::strlen(text), connection.SendTimeoutMs) ? 1 : 0;
}

size_t ReceiveReply(const Pop3Connection& connection, char* buffer, size_t limit, ReplyEnd end) {
  buffer[0] = '\0';
  size_t held = 0;
  std::string tail;
  char chunk[kReceiveChunk];
  for (int chunks = 1;; ++chunks) {
    const int received = platform::ReceiveSome(connection.Socket, chunk, sizeof chunk, connection.ReceiveTimeoutMs);
    if (received <= 0) return held;
    KeepTail(tail, chunk, static_cast<size_t>(received));
    if (held + received >= limit) {
      if (end != ReplyEnd::OneChunk) DrainReply(connection, tail, end);
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
    if (EndsWith(buffer, text, Terminator(end)) && text >= (end == ReplyEnd::MultiLine ? 5u : 2u)) return held;
    if (chunks >= kMaxChunks) {
      DrainReply(connection, tail, end);
      return held;
    }
  }
}
