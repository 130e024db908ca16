#include "ScriptedPop3Server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
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

Reply Reply::Garbage(size_t count, uint32_t seed) {
  static const char kAwkward[] = {'\r', '\n', '\0', '.', '+', '-', '\xff', '\x80'};
  std::string bytes(count, '\0');
  uint32_t state = seed == 0 ? 1 : seed;
  for (size_t i = 0; i < count; ++i) {
    // xorshift: reproducible without pulling in <random>'s distributions,
    // whose output differs between standard libraries.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = (state & 7) == 0 ? kAwkward[(state >> 3) % sizeof kAwkward] : static_cast<char>(state >> 8);
  }
  // A trailing CRLF would make the noise look like a finished line.
  while (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0) bytes.back() = 'x';
  return Reply(bytes);
}

Reply& Reply::Chunks(size_t size, int delayMs) {
  ChunkSize = size;
  PieceCount = 0;
  ChunkDelayMs = delayMs;
  return *this;
}

Reply& Reply::InPieces(size_t count, int delayMs) {
  PieceCount = std::max<size_t>(count, 1);
  ChunkSize = 0;
  ChunkDelayMs = delayMs;
  return *this;
}

Reply& Reply::CutAfter(size_t bytes) {
  CloseAfterBytes = bytes;
  return *this;
}

Reply& Reply::ThenClose() {
  CloseAfterReply = true;
  return *this;
}

ScriptedPop3Server::ScriptedPop3Server() : greeting_("+OK ready\r\n") {
  exact_["QUIT"] = Reply("+OK bye\r\n").ThenClose();
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
  for (std::thread& worker : workers_) worker.join();
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

std::vector<std::string> ScriptedPop3Server::Commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

bool ScriptedPop3Server::WaitForCommands(size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return commandArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return commands_.size() >= count; });
}

size_t ScriptedPop3Server::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

size_t ScriptedPop3Server::ClientClosures() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return clientClosures_;
}

void ScriptedPop3Server::Record(const std::string& command) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(command);
  }
  commandArrived_.notify_all();
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
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
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
    std::lock_guard<std::mutex> lock(mutex_);
    ++connections_;
    workers_.emplace_back(&ScriptedPop3Server::Serve, this, connection);
  }
}

bool ScriptedPop3Server::Send(int connection, const Reply& reply) {
  const size_t whole = reply.Bytes.size();
  const size_t total = std::min(whole, reply.CloseAfterBytes);
  // Where each piece of the whole reply ends; a cut applies on top.
  std::vector<size_t> ends;
  if (reply.PieceCount > 0) {
    for (size_t piece = 1; piece <= reply.PieceCount; ++piece) ends.push_back(whole * piece / reply.PieceCount);
  } else {
    const size_t chunk = reply.ChunkSize == 0 ? std::max<size_t>(whole, 1) : reply.ChunkSize;
    for (size_t end = chunk; end < whole + chunk; end += chunk) ends.push_back(std::min(end, whole));
  }
  size_t sent = 0;
  bool first = true;
  for (size_t end : ends) {
    end = std::min(end, total);
    if (end <= sent) continue;
    if (!first && reply.ChunkDelayMs > 0) {
      // Sleeps on the wake pipe alone, so a stop ends the delay at once.
      if (WaitFor(-1, 0, reply.ChunkDelayMs) || stopping_) return false;
    }
    first = false;
    while (sent < end) {
      const ssize_t done = ::send(connection, reply.Bytes.data() + sent, end - sent, MSG_NOSIGNAL);
      if (done > 0) {
        sent += static_cast<size_t>(done);
      } else if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        if (!WaitFor(connection, POLLOUT, -1)) return false;
      } else {
        return false;
      }
    }
  }
  return total == whole && !reply.CloseAfterReply;
}

void ScriptedPop3Server::Serve(int connection) {
  Reply greeting;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    greeting = greeting_;
  }
  bool silent = greeting.Silent;
  bool open = silent || Send(connection, greeting);
  std::string pending;
  char buffer[4096];
  while (open && WaitFor(connection, POLLIN, -1)) {
    const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
    if (got <= 0) {
      if (!pending.empty()) Record(pending);
      std::lock_guard<std::mutex> lock(mutex_);
      ++clientClosures_;
      break;
    }
    pending.append(buffer, static_cast<size_t>(got));
    size_t end;
    while (open && (end = pending.find("\r\n")) != std::string::npos) {
      const std::string command = pending.substr(0, end);
      pending.erase(0, end + 2);
      Record(command);
      if (silent) continue;
      const Reply reply = ReplyFor(command);
      if (reply.Silent) {
        silent = true;
        continue;
      }
      open = Send(connection, reply);
    }
  }
  // Closing with unread input makes the kernel reset the connection, which
  // can destroy replies the client has not read yet; a clean end first.
  ::shutdown(connection, SHUT_WR);
  while (::recv(connection, buffer, sizeof buffer, 0) > 0) {
  }
  ::close(connection);
}
