// A POP3 server of our own on 127.0.0.1 that answers from a rule table, for
// the replies no real server sends: cut, slow, silent, oversized or garbled.
//
//   ScriptedPop3Server server;                      // listening at once
//   server.On("STAT", Reply("+OK 3 1200\r\n"));
//   server.OnPrefix("TOP ", Reply::MultiLine("+OK", hugeHeaders).Chunks(20, 5));
//
// Every connection gets the greeting, then one reply per command line (read
// up to CRLF). An exact rule beats a prefix rule, and a longer prefix beats a
// shorter one; without a match, "-ERR unknown command". QUIT answers "+OK"
// and closes, and CAPA is refused as by a server that knows only RFC 1939,
// unless a rule says otherwise. Rules may change while clients are
// connected. The destructor ends every connection and returns quickly even
// while a client waits for an answer.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct Reply {
  Reply() = default;
  explicit Reply(std::string bytes) : Bytes(std::move(bytes)) {}

  // "+OK ..." followed by the lines of body (LF or CRLF ends), dot-stuffed,
  // and the terminating ".".
  static Reply MultiLine(const std::string& status, const std::string& body);
  // Never answers; the connection stays open, and later commands are still
  // recorded but not answered either.
  static Reply Silence();

  // Sends the bytes in pieces of `size` bytes, waiting delayMs before each
  // piece after the first.
  Reply& Chunks(size_t size, int delayMs);
  // Sends the bytes in two pieces, the first `offset` bytes long.
  Reply& SplitAt(size_t offset);
  // Closes the connection once the whole reply is sent.
  Reply& ThenClose();

  std::string Bytes;
  size_t ChunkSize = 0;    // 0: all at once
  size_t SplitOffset = 0;  // instead of ChunkSize, when set
  int ChunkDelayMs = 0;
  bool CloseAfterReply = false;
  bool Silent = false;
};

class ScriptedPop3Server {
 public:
  ScriptedPop3Server();
  ~ScriptedPop3Server();
  ScriptedPop3Server(const ScriptedPop3Server&) = delete;
  ScriptedPop3Server& operator=(const ScriptedPop3Server&) = delete;

  // 0 when the listening socket could not be made.
  uint16_t Port() const { return port_; }

  // "+OK ready\r\n" unless set.
  void SetGreeting(Reply greeting);
  // For the command line exactly as sent (without CRLF).
  void On(const std::string& command, Reply reply);
  // For every command line starting with prefix; "" matches everything.
  void OnPrefix(const std::string& prefix, Reply reply);
  // Loses whatever comes in the same read as a PASS command, as a real
  // server does although it offers PIPELINING.
  void DropWithPass();
  // Answers only the first command of each read and loses the rest, as a
  // server that offers PIPELINING and cannot do it.
  void DropPipelined();
  // Each connection answers this many commands and then reads no more,
  // holding the connection open.
  void StopReadingAfter(size_t commands);

  // Every command line received, over all connections, in order, without
  // CRLF. What a client sent without a line end before closing comes last
  // for its connection, as it was.
  std::vector<std::string> Commands() const;
  // Connections accepted so far.
  size_t Connections() const;
  // The most command lines, and the most bytes, that a client had sent
  // ahead of the server's answers, as seen at a read.
  size_t MostCommandsAhead() const;
  size_t MostBytesAhead() const;

 private:
  void AcceptLoop();
  void Serve(int connection, std::atomic<bool>* done);
  Reply ReplyFor(const std::string& command) const;
  // False when the connection is to be closed (or the server is stopping).
  bool Send(int fd, const Reply& reply);
  // Sends all the bytes, waiting as the socket asks; false once the
  // connection is over.
  bool Write(int fd, const char* data, size_t size);
  // Waits for the socket or the stop signal; false on stop or time-out.
  bool WaitFor(int fd, short events, int timeoutMs) const;
  void Record(const std::string& command);
  void NoteAhead(const std::string& pending);

  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};

  mutable std::mutex mutex_;
  Reply greeting_;
  std::map<std::string, Reply> exact_;
  std::map<std::string, Reply> prefixes_;
  std::vector<std::string> commands_;
  size_t connections_ = 0;
  bool dropWithPass_ = false;
  bool dropPipelined_ = false;
  size_t stopReadingAfter_ = SIZE_MAX;
  size_t mostCommandsAhead_ = 0;
  size_t mostBytesAhead_ = 0;
  // One per connection; those whose connection is over are joined at the
  // next accept, so a server that lives for thousands of connections (a
  // fuzz target's) does not pile up threads.
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };
  std::list<Worker> workers_;
  std::thread acceptor_;
};
