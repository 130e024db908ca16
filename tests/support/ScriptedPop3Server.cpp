#include "ScriptedPop3Server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

void MakeNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

}  // namespace

Reply Reply::MultiLine(const std::string& status, const std::string& body) {
  std::string bytes = status + "\r\n";
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    std::string line = body.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '.') bytes += '.';
    bytes += line;
    bytes += "\r\n";
    start = end + 1;
  }
  bytes += ".\r\n";
  return Reply(bytes);
}

Reply Reply::Silence() {
  Reply reply;
  reply.Silent = true;
  return reply;
}

Reply& Reply::Chunks(size_t size, int delayMs) {
  ChunkSize = size;
  ChunkDelayMs = delayMs;
  return *this;
}

Reply& Reply::SplitAt(size_t offset) {
  SplitOffset = offset;
  return *this;
}

Reply& Reply::ThenClose() {
  CloseAfterReply = true;
  return *this;
}

ScriptedPop3Server::ScriptedPop3Server() : greeting_("+OK ready\r\n") {
  exact_["QUIT"] = Reply("+OK bye\r\n").ThenClose();
  exact_["CAPA"] = Reply("-ERR unknown command\r\n");
  int wake[2];
  if (::pipe(wake) != 0) return;
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];

  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) return;
  const int yes = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(listener_);
    listener_ = -1;
    return;
  }
  MakeNonBlocking(listener_);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread(&ScriptedPop3Server::AcceptLoop, this);
}

ScriptedPop3Server::~ScriptedPop3Server() {
  stopping_ = true;
  // Never read, so the pipe stays readable and wakes every wait at once.
  if (wakeWrite_ >= 0) {
    const char byte = 0;
    while (::write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
    }
  }
  if (acceptor_.joinable()) acceptor_.join();
  // The acceptor has ended, so nobody adds workers any more.
  for (Worker& worker : workers_) worker.thread.join();
  if (listener_ >= 0) ::close(listener_);
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

void ScriptedPop3Server::SetGreeting(Reply greeting) {
  std::lock_guard<std::mutex> lock(mutex_);
  greeting_ = std::move(greeting);
}

void ScriptedPop3Server::On(const std::string& command, Reply reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  exact_[command] = std::move(reply);
}

void ScriptedPop3Server::OnPrefix(const std::string& prefix, Reply reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  prefixes_[prefix] = std::move(reply);
}

void ScriptedPop3Server::DropWithPass() {
  std::lock_guard<std::mutex> lock(mutex_);
  dropWithPass_ = true;
}

void ScriptedPop3Server::DropPipelined() {
  std::lock_guard<std::mutex> lock(mutex_);
  dropPipelined_ = true;
}

void ScriptedPop3Server::StopReadingAfter(size_t commands) {
  std::lock_guard<std::mutex> lock(mutex_);
  stopReadingAfter_ = commands;
}

size_t ScriptedPop3Server::MostCommandsAhead() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mostCommandsAhead_;
}

size_t ScriptedPop3Server::MostBytesAhead() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mostBytesAhead_;
}

void ScriptedPop3Server::NoteAhead(const std::string& pending) {
  size_t lines = 0;
  for (size_t at = pending.find("\r\n"); at != std::string::npos; at = pending.find("\r\n", at + 2)) ++lines;
  std::lock_guard<std::mutex> lock(mutex_);
  mostCommandsAhead_ = std::max(mostCommandsAhead_, lines);
  mostBytesAhead_ = std::max(mostBytesAhead_, pending.size());
}

std::vector<std::string> ScriptedPop3Server::Commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

size_t ScriptedPop3Server::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

void ScriptedPop3Server::Record(const std::string& command) {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.push_back(command);
}

Reply ScriptedPop3Server::ReplyFor(const std::string& command) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto exact = exact_.find(command);
  if (exact != exact_.end()) return exact->second;
  // The map is ordered, so walking backwards meets longer prefixes of the
  // same stem first.
  for (auto rule = prefixes_.rbegin(); rule != prefixes_.rend(); ++rule) {
    if (command.compare(0, rule->first.size(), rule->first) == 0) return rule->second;
  }
  return Reply("-ERR unknown command\r\n");
}

bool ScriptedPop3Server::WaitFor(int fd, short events, int timeoutMs) const {
  pollfd entries[2] = {{fd, events, 0}, {wakeRead_, POLLIN, 0}};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (stopping_) return false;
    int wait = -1;
    if (timeoutMs >= 0) {
      // Rounded up: a delay must never come out shorter than asked.
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      wait = static_cast<int>(std::max<int64_t>(left.count(), 0));
    }
    const int ready = ::poll(entries, 2, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (entries[1].revents != 0) return false;
    return entries[0].revents != 0;
  }
}

void ScriptedPop3Server::AcceptLoop() {
  while (WaitFor(listener_, POLLIN, -1)) {
    const int connection = ::accept(listener_, nullptr, nullptr);
    if (connection < 0) continue;
    MakeNonBlocking(connection);
    // Each piece goes out at once, not held back until the last is acknowledged.
    const int yes = 1;
    ::setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    std::lock_guard<std::mutex> lock(mutex_);
    ++connections_;
    workers_.remove_if([](Worker& worker) {
      const bool over = worker.done;  // read once: it may turn true meanwhile
      if (over) worker.thread.join();
      return over;
    });
    Worker& worker = workers_.emplace_back();
    worker.thread = std::thread(&ScriptedPop3Server::Serve, this, connection, &worker.done);
  }
}

bool ScriptedPop3Server::Write(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t done = ::send(fd, data, size, MSG_NOSIGNAL);
    if (done > 0) {
      data += done;
      size -= static_cast<size_t>(done);
    } else if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (!WaitFor(fd, POLLOUT, -1)) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool ScriptedPop3Server::Send(int fd, const Reply& reply) {
  const size_t whole = reply.Bytes.size();
  const size_t chunk = reply.ChunkSize == 0 ? whole : reply.ChunkSize;
  for (size_t sent = 0; sent < whole;) {
    const size_t end = std::min(whole, reply.SplitOffset == 0 ? sent + chunk
                                       : sent == 0            ? reply.SplitOffset
                                                              : whole);
    // Sleeps on the wake pipe alone, so a stop ends the delay at once.
    if (sent > 0 && reply.ChunkDelayMs > 0 && (WaitFor(-1, 0, reply.ChunkDelayMs) || stopping_)) return false;
    if (!Write(fd, reply.Bytes.data() + sent, end - sent)) return false;
    sent = end;
  }
  return !reply.CloseAfterReply;
}

void ScriptedPop3Server::Serve(int connection, std::atomic<bool>* done) {
  Reply greeting;
  bool dropWithPass;
  bool dropPipelined;
  size_t stopReadingAfter;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    greeting = greeting_;
    dropWithPass = dropWithPass_;
    dropPipelined = dropPipelined_;
    stopReadingAfter = stopReadingAfter_;
  }
  bool silent = greeting.Silent;
  bool open = silent || Send(connection, greeting);
  std::string pending;
  char buffer[4096];
  size_t answered = 0;
  while (open && WaitFor(connection, POLLIN, -1)) {
    const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (got <= 0) {
      if (!pending.empty()) Record(pending);
      break;
    }
    pending.append(buffer, static_cast<size_t>(got));
    NoteAhead(pending);
    size_t end;
    while (open && (end = pending.find("\r\n")) != std::string::npos) {
      const std::string command = pending.substr(0, end);
      pending.erase(0, end + 2);
      Record(command);
      if ((dropWithPass && command.rfind("PASS ", 0) == 0) || dropPipelined) pending.clear();
      if (!silent) {
        const Reply reply = ReplyFor(command);
        silent = reply.Silent;
        open = silent || Send(connection, reply);
      }
      // Until the server stops: WaitFor on no socket sleeps on the wake pipe.
      if (++answered == stopReadingAfter) open = WaitFor(-1, 0, -1);
    }
  }
  // Closing with unread input makes the kernel reset the connection, which
  // can destroy replies the client has not read yet; a clean end first.
  ::shutdown(connection, SHUT_WR);
  while (::recv(connection, buffer, sizeof buffer, 0) > 0) {
  }
  ::close(connection);
  *done = true;
}
