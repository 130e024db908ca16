// Talking to a POP3 server: sending a command, receiving a reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "platform/Platform.h"

constexpr size_t kReplyLimit = 4096;  // a reply keeps at most 4095 bytes and its NUL
constexpr size_t kReceiveChunk = 1024;
// What one call asks the system for. Replies are still taken a chunk at a
// time, so their limits count as ever; but every call to the system costs
// (under Wine a select and a recv each go through its server), and a poll of
// ten thousand header blocks would make forty thousand of them.
constexpr size_t kReadAheadBytes = 64 * 1024;
constexpr int kMaxChunks = 8;
// What is read and thrown away of a reply beyond what the buffer keeps. A
// real header block is far smaller; a server that streams past it is not
// answering our command.
constexpr size_t kDiscardLimit = 1024 * 1024;

// How a reply ends: one chunk whatever it holds, a line end, or a line
// holding a single dot. A reply that begins with "-ERR" is one line,
// whatever was asked.
enum class ReplyEnd { OneChunk, Line, MultiLine };

// A connection to a server, with how long a send and a whole reply may take,
// and the moment by which the whole dialogue must be over.
struct Pop3Connection {
  Pop3Connection(platform::Socket socket, platform::TlsSession tls, uint32_t sendTimeoutMs,
                 uint32_t receiveTimeoutMs, uint64_t deadlineMs)
      : Socket(socket),
        Tls(tls),
        SendTimeoutMs(sendTimeoutMs),
        ReceiveTimeoutMs(receiveTimeoutMs),
        DeadlineMs(deadlineMs) {}

  platform::Socket Socket;
  // The TLS session over the socket, or null for plain text.
  platform::TlsSession Tls;
  uint32_t SendTimeoutMs;
  uint32_t ReceiveTimeoutMs;
  // On platform::MonotonicMs(): every wait ends by then, whatever its own
  // time-out, so a server that drips each reply just in time cannot hold
  // the box for longer.
  uint64_t DeadlineMs;
  // Set once the dialogue is over: a send failed, the server closed the
  // connection, a receive failed, or a reply broke its time or size bound
  // and so left the conversation out of step. Nothing is sent or read after
  // that: every later reply would be empty anyway.
  bool Gone = false;
  // Why it is gone, where that says something about the server: the
  // dialogue's own deadline passed (nothing to hold against the server), or
  // a reply never began while commands sent after its own were waiting (the
  // server lost commands it took pipelined).
  bool OutOfTime = false;
  bool WindowLost = false;
  // For each command sent and not yet answered, oldest first: whether it
  // went out while another was unanswered. Each line sent is a command.
  std::deque<bool> Waiting;
  // What a chunk brought beyond the reply it was for: the start of the next
  // reply, when the server answered several commands at once. Never more
  // than one chunk.
  std::string Carry;
  // What the last call to the system brought that no chunk has taken yet:
  // Ahead's bytes from AheadAt to AheadEnd. Ahead grows, never cleared for
  // a call.
  std::string Ahead;
  size_t AheadAt = 0;
  size_t AheadEnd = 0;
};

// Sends the whole NUL-terminated text; true when all of it went out.
bool SendText(Pop3Connection& connection, const char* text);

// Receives one reply into buffer (limit bytes, NUL-terminated) and returns
// the number of bytes it holds, 0 when nothing came. The buffer keeps what
// the first 8 receives bring while it stays below `limit` bytes; when a
// reply is cut there, the rest of it is read and thrown away up to its end,
// so that the next reply starts where it should. The whole reply, rest
// included, must come within ReceiveTimeoutMs and the rest within
// kDiscardLimit bytes, or the connection is gone.
size_t ReceiveReply(Pop3Connection& connection, char* buffer, size_t limit, ReplyEnd end);
// The same, and the first wholeLimit bytes of the reply, beyond what the
// buffer keeps, go to *whole.
size_t ReceiveReply(Pop3Connection& connection, char* buffer, size_t limit, ReplyEnd end, std::string* whole,
                    size_t wholeLimit);

// Receives a multi-line reply and hands `line` each of its lines without
// the line end: the status line first, the closing dot line not at all. A
// line longer than lineLimit is handed cut to lineLimit + 1 bytes, so it is
// still seen to be too long. The whole reply must come within timeoutMs
// and byteLimit bytes, or the connection is gone. True when the reply came
// whole.
bool ReceiveLines(Pop3Connection& connection, size_t lineLimit, size_t byteLimit, uint32_t timeoutMs,
                  const std::function<void(const std::string& line)>& line);
