#include "mail/Pop3Connection.h"

#include <algorithm>
#include <cstring>

namespace {

// Finds where one reply ends as its bytes come: at the terminator of its
// kind, looked for in the bytes themselves, or at its first line end once it
// turns out to begin with "-ERR". Replies to commands sent together may
// arrive in one receive, so the end must be found where it is, not only at
// the end of what came.
class ReplyScan {
 public:
  explicit ReplyScan(ReplyEnd end) : End(end) {}

  // How many of the bytes belong to the reply: all, or those up to its end.
  size_t Take(const char* data, size_t size) {
    if (End == ReplyEnd::OneChunk) {
      Ended = true;
      return size;
    }
    for (size_t i = 0; i < size;) {
      const unsigned char byte = static_cast<unsigned char>(data[i++]);
      if (Count < 4) Start[Count] = static_cast<char>(byte);
      ++Count;
      Last = Last << 8 | byte;
      if (byte == '\n' && AtEnd()) {
        Ended = true;
        return i;
      }
    }
    return size;
  }
  bool Done() const { return Ended; }

 private:
  bool AtEnd() const {
    constexpr uint64_t kLineEnd = 0x0D0A;           // CR LF
    constexpr uint64_t kDotLine = 0x0D0A2E0D0AULL;  // CR LF . CR LF
    const bool refused = Count >= 4 && std::memcmp(Start, "-ERR", 4) == 0;
    if (End == ReplyEnd::Line || refused) return Count >= 2 && (Last & 0xFFFF) == kLineEnd;
    return Count >= 5 && (Last & 0xFFFFFFFFFFULL) == kDotLine;
  }

  const ReplyEnd End;
  char Start[4] = {};
  uint64_t Count = 0;
  uint64_t Last = 0;  // the last eight bytes, the newest lowest
  bool Ended = false;
};

// One reply's bytes as they come: first what the receive before left over,
// then from the connection, up to the reply's end; and the time the reply
// must be done by, never later than the dialogue's deadline.
class ReplyStream {
 public:
  ReplyStream(Pop3Connection& connection, ReplyEnd end, uint32_t timeoutMs)
      : Connection(connection),
        Scan(end),
        Deadline(std::min(platform::MonotonicMs() + timeoutMs, connection.DeadlineMs)) {}
  ReplyStream(const ReplyStream&) = delete;
  ReplyStream& operator=(const ReplyStream&) = delete;
  // The reply is answered, or will never be.
  ~ReplyStream() {
    if (!Connection.Waiting.empty()) Connection.Waiting.pop_front();
  }

  // The next piece of the reply; false once it has ended or the connection
  // is gone (closed, failed, or the reply's time ran out).
  bool Next(std::string& piece) {
    std::string& carry = Connection.Carry;
    if (Scan.Done() || Connection.Gone || (carry.empty() && !Receive())) return false;
    const size_t used = Scan.Take(carry.data(), carry.size());
    piece.assign(carry, 0, used);
    carry.erase(0, used);
    Began = true;
    return true;
  }
  bool Ended() const { return Scan.Done(); }
  // Receives made for this reply so far.
  int Receives() const { return Count; }

 private:
  // The next chunk into the carry, as one receive of kReceiveChunk bytes
  // would bring it.
  bool Receive() {
    ++Count;
    if (Connection.AheadAt >= Connection.AheadEnd && !Fill()) {
      Lose();
      return false;
    }
    const size_t size = std::min(kReceiveChunk, Connection.AheadEnd - Connection.AheadAt);
    Connection.Carry.assign(Connection.Ahead, Connection.AheadAt, size);
    Connection.AheadAt += size;
    return true;
  }
  // Asks for as much as the last call brought, and more: the buffer grows
  // to kReadAheadBytes only where replies come in that bulk.
  bool Fill() {
    std::string& ahead = Connection.Ahead;
    if (ahead.empty()) ahead.resize(kReceiveChunk);
    const uint64_t now = platform::MonotonicMs();
    const int received =
        now >= Deadline ? -1 : ReceiveWithin(&ahead[0], ahead.size(), static_cast<uint32_t>(Deadline - now));
    Connection.AheadAt = 0;
    Connection.AheadEnd = received > 0 ? static_cast<size_t>(received) : 0;
    if (Connection.AheadEnd == ahead.size() && ahead.size() < kReadAheadBytes) ahead.resize(2 * ahead.size());
    return received > 0;
  }
  void Lose() {
    Connection.Gone = true;
    if (platform::MonotonicMs() >= Connection.DeadlineMs) {
      Connection.OutOfTime = true;
    } else if (!Began && !Connection.Waiting.empty() && Connection.Waiting.front()) {
      Connection.WindowLost = true;
    }
  }
  int ReceiveWithin(char* chunk, size_t capacity, uint32_t timeoutMs) {
    if (Connection.Tls != nullptr)
      return platform::TlsReceiveSome(Connection.Tls, chunk, capacity, timeoutMs);
    return platform::ReceiveSome(Connection.Socket, chunk, capacity, timeoutMs);
  }

  Pop3Connection& Connection;
  ReplyScan Scan;
  const uint64_t Deadline;
  int Count = 0;
  bool Began = false;
};

// Splits a reply into lines at CR LF, keeping at most lineLimit + 1 bytes
// of each.
class LineSplitter {
 public:
  explicit LineSplitter(size_t lineLimit) : Limit(lineLimit) {}

  template <typename Hand>
  void Feed(const std::string& piece, const Hand& hand) {
    for (const char c : piece) {
      if (c == '\n' && Previous == '\r') {
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        if (Line.size() > Limit) Line.resize(Limit + 1);
        hand(Line);
        Line.clear();
      } else if (Line.size() <= Limit + 1) {
        Line += c;
      }
      Previous = c;
    }
  }

 private:
  const size_t Limit;
  std::string Line;
  char Previous = '\0';
};

}  // namespace

bool SendText(Pop3Connection& connection, const char* text) {
  const uint64_t now = platform::MonotonicMs();
  if (connection.Gone || now >= connection.DeadlineMs) {
    connection.OutOfTime = connection.OutOfTime || !connection.Gone;
    connection.Gone = true;
    return false;
  }
  const size_t size = std::strlen(text);
  const uint32_t timeoutMs =
      static_cast<uint32_t>(std::min<uint64_t>(connection.SendTimeoutMs, connection.DeadlineMs - now));
  const bool sent = connection.Tls != nullptr ? platform::TlsSendAll(connection.Tls, text, size, timeoutMs)
                                              : platform::SendAll(connection.Socket, text, size, timeoutMs);
  for (const char* line = std::strchr(text, '\n'); line != nullptr; line = std::strchr(line + 1, '\n'))
    connection.Waiting.push_back(!connection.Waiting.empty());
  if (sent) return true;
  connection.Gone = true;
  return false;
}

size_t ReceiveReply(Pop3Connection& connection, char* buffer, size_t limit, ReplyEnd end) {
  return ReceiveReply(connection, buffer, limit, end, nullptr, 0);
}

size_t ReceiveReply(Pop3Connection& connection, char* buffer, size_t limit, ReplyEnd end, std::string* whole,
                    size_t wholeLimit) {
  buffer[0] = '\0';
  if (whole != nullptr) whole->clear();
  ReplyStream stream(connection, end, connection.ReceiveTimeoutMs);
  size_t held = 0;
  size_t dropped = 0;
  bool keeping = true;
  std::string piece;
  while (stream.Next(piece)) {
    if (whole != nullptr && whole->size() < wholeLimit)
      whole->append(piece, 0, std::min(piece.size(), wholeLimit - whole->size()));
    keeping = keeping && held + piece.size() < limit && stream.Receives() <= kMaxChunks;
    if (keeping) {
      std::memcpy(buffer + held, piece.data(), piece.size());
      held += piece.size();
      buffer[held] = '\0';
    } else if ((dropped += piece.size()) > kDiscardLimit) {
      connection.Gone = true;
      break;
    }
  }
  return held;
}

bool ReceiveLines(Pop3Connection& connection, size_t lineLimit, size_t byteLimit, uint32_t timeoutMs,
                  const std::function<void(const std::string& line)>& line) {
  ReplyStream stream(connection, ReplyEnd::MultiLine, timeoutMs);
  LineSplitter splitter(lineLimit);
  std::string piece;
  size_t total = 0;
  bool first = true;
  while (stream.Next(piece)) {
    if ((total += piece.size()) > byteLimit) {
      connection.Gone = true;
      return false;
    }
    splitter.Feed(piece, [&](const std::string& text) {
      // Only the closing line of a multi-line reply is a lone dot: any other
      // would have been stuffed.
      if (first || text != ".") line(text);
      first = false;
    });
  }
  return stream.Ended();
}
