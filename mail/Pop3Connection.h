// Talking to a POP3 server: sending a command, receiving a reply.
#pragma once

#include <cstddef>

#include "platform/Platform.h"

constexpr size_t kReplyLimit = 4096;  // a reply keeps at most 4095 bytes and its NUL
constexpr size_t kReceiveChunk = 1024;
constexpr int kMaxChunks = 8;
// What is read and thrown away of a reply beyond what the buffer keeps. A
// real header block is far smaller; a server that streams past it is not
// answering our command.
constexpr size_t kDiscardLimit = 1024 * 1024;

// How a reply ends: one chunk whatever it holds, a line end, or a line
// holding a single dot.
enum class ReplyEnd { OneChunk, Line, MultiLine };

// A connection to a server, with how long a send and a whole reply may take.
struct Pop3Connection {
  platform::Socket Socket;
  // The TLS session over the socket, or null for plain text.
  platform::TlsSession Tls;
  uint32_t SendTimeoutMs;
  uint32_t ReceiveTimeoutMs;
  // Set once the dialogue is over: a send failed, the server closed the
  // connection, a receive failed, or a reply broke its time or size bound
  // and so left the conversation out of step. Nothing is sent or read after
  // that: every later reply would be empty anyway.
  bool Gone = false;
};

// Sends the whole NUL-terminated text; 1 when all of it went out.
int SendText(Pop3Connection& connection, const char* text);

// Receives one reply into buffer (limit bytes, NUL-terminated) and returns
// the number of bytes it holds, 0 when nothing came. A reply that begins
// with "-ERR" ends with its first chunk. The buffer keeps at most 8 chunks
// and less than `limit` bytes; when a line or multi-line reply is cut there,
// the rest of it is read and thrown away up to its end, so that the next
// reply starts where it should. The whole reply, rest included, must come
// within ReceiveTimeoutMs and the rest within kDiscardLimit bytes, or the
// connection is gone.
size_t ReceiveReply(Pop3Connection& connection, char* buffer, size_t limit, ReplyEnd end);
