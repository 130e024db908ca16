// Talking to a POP3 server: sending a command, receiving a reply.
#pragma once

#include <cstddef>

#include "platform/Platform.h"

constexpr size_t kReplyLimit = 4096;  // a reply keeps at most 4095 bytes and its NUL
constexpr size_t kReceiveChunk = 1024;
constexpr int kMaxChunks = 8;

// How a reply ends: one chunk whatever it holds, a line end, or a line
// holding a single dot.
enum class ReplyEnd { OneChunk, Line, MultiLine };

// A connection to a server, with how long each send and receive may wait.
struct Pop3Connection {
  platform::Socket Socket;
  uint32_t SendTimeoutMs;
  uint32_t ReceiveTimeoutMs;
};

// Sends the whole NUL-terminated text; 1 when all of it went out.
int SendText(const Pop3Connection& connection, const char* text);

// Receives one reply into buffer (limit bytes, NUL-terminated) and returns
// the number of bytes it holds, 0 when nothing came. A reply that begins
// with "-ERR" ends with its first chunk. The buffer keeps at most 8 chunks
// and less than `limit` bytes; when a line or multi-line reply is cut there,
// the rest of it is read and thrown away up to its end, so that the next
// reply starts where it should.
size_t ReceiveReply(const Pop3Connection& connection, char* buffer, size_t limit, ReplyEnd end);
