#include "ScriptedPop3Server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>

namespace {

void MakeNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

// The key and self-signed certificate of every TLS server in the process,
// and the PEM file that holds the certificate for clients to trust. Made
// once; the file goes when the process ends.
class TlsMaterial {
 public:
  TlsMaterial() {
    Key = EVP_EC_gen("P-256");  // quick to make, unlike an RSA key
    Certificate = X509_new();
    if (Key == nullptr || Certificate == nullptr) return;
    X509_set_version(Certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(Certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(Certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(Certificate), 3600L * 24 * 365);
    X509_set_pubkey(Certificate, Key);
    X509_NAME* name = X509_get_subject_name(Certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"),
                               -1, -1, 0);
    X509_set_issuer_name(Certificate, name);
    AddExtension(NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(NID_subject_alt_name, "DNS:localhost");
    X509_sign(Certificate, Key, EVP_sha256());
    WriteFile();
  }
  ~TlsMaterial() {
    if (!File.empty()) std::remove(File.c_str());
    X509_free(Certificate);
    EVP_PKEY_free(Key);
  }

  EVP_PKEY* Key = nullptr;
  X509* Certificate = nullptr;
  std::string File;

 private:
  void AddExtension(int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, Certificate, Certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (extension == nullptr) return;
    X509_add_ext(Certificate, extension, -1);
    X509_EXTENSION_free(extension);
  }
  void WriteFile() {
    char path[] = "/tmp/vestun-test-authority-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return;
    ::close(fd);
    BIO* out = BIO_new_file(path, "w");
    if (out != nullptr && PEM_write_bio_X509(out, Certificate) == 1) File = path;
    BIO_free(out);
  }
};

TlsMaterial& Material() {
  static TlsMaterial material;
  return material;
}

}  // namespace

// One client connection: its socket and, over TLS, its session.
struct ScriptedPop3Server::Link {
  int Fd;
  SSL* Tls;
};

std::string ScriptedPop3Server::TlsAuthorityFile() { return Material().File; }

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

ScriptedPop3Server::ScriptedPop3Server(ServerTls tls) : greeting_("+OK ready\r\n") {
  exact_["QUIT"] = Reply("+OK bye\r\n").ThenClose();
  exact_["CAPA"] = Reply("-ERR unknown command\r\n");
  if (tls == ServerTls::On) {
    // OpenSSL writes to the socket with write(), which raises SIGPIPE at a
    // client that has gone; the server sees the error instead.
    std::signal(SIGPIPE, SIG_IGN);
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr || SSL_CTX_use_certificate(context, Material().Certificate) != 1 ||
        SSL_CTX_use_PrivateKey(context, Material().Key) != 1) {
      SSL_CTX_free(context);
      return;  // no port: the test fails at its first poll
    }
    tlsContext_ = context;
  }
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
  SSL_CTX_free(static_cast<SSL_CTX*>(tlsContext_));
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

bool ScriptedPop3Server::Write(Link& link, const char* data, size_t size) {
  while (size > 0) {
    if (link.Tls != nullptr) {
      // A whole piece becomes one record; a retry repeats the same call.
      const int done = SSL_write(link.Tls, data, static_cast<int>(size));
      if (done > 0) return true;
      const int error = SSL_get_error(link.Tls, done);
      if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) return false;
      if (!WaitFor(link.Fd, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, -1)) return false;
      continue;
    }
    const ssize_t done = ::send(link.Fd, data, size, MSG_NOSIGNAL);
    if (done > 0) {
      data += done;
      size -= static_cast<size_t>(done);
    } else if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (!WaitFor(link.Fd, POLLOUT, -1)) return false;
    } else {
      return false;
    }
  }
  return true;
}

ssize_t ScriptedPop3Server::Read(Link& link, char* buffer, size_t capacity) {
  if (link.Tls == nullptr) return ::recv(link.Fd, buffer, capacity, 0);
  const int got = SSL_read(link.Tls, buffer, static_cast<int>(capacity));
  if (got > 0) return got;
  const int error = SSL_get_error(link.Tls, got);
  if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
    errno = EAGAIN;
    return -1;
  }
  ERR_clear_error();
  return 0;  // closed, cleanly or not
}

bool ScriptedPop3Server::Send(Link& link, const Reply& reply) {
  const size_t whole = reply.Bytes.size();
  const size_t chunk = reply.ChunkSize == 0 ? whole : reply.ChunkSize;
  for (size_t sent = 0; sent < whole;) {
    const size_t end = std::min(whole, reply.SplitOffset == 0 ? sent + chunk
                                       : sent == 0            ? reply.SplitOffset
                                                              : whole);
    // Sleeps on the wake pipe alone, so a stop ends the delay at once.
    if (sent > 0 && reply.ChunkDelayMs > 0 && (WaitFor(-1, 0, reply.ChunkDelayMs) || stopping_)) return false;
    if (!Write(link, reply.Bytes.data() + sent, end - sent)) return false;
    sent = end;
  }
  return !reply.CloseAfterReply;
}

// The server's half of the handshake, waiting as TLS asks.
bool ScriptedPop3Server::Accept(Link& link) {
  link.Tls = SSL_new(static_cast<SSL_CTX*>(tlsContext_));
  if (link.Tls == nullptr || SSL_set_fd(link.Tls, link.Fd) != 1) return false;
  for (;;) {
    const int done = SSL_accept(link.Tls);
    if (done == 1) return true;
    const int error = SSL_get_error(link.Tls, done);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
      ERR_clear_error();
      return false;
    }
    if (!WaitFor(link.Fd, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, -1)) return false;
  }
}

void ScriptedPop3Server::Serve(int connection, std::atomic<bool>* done) {
  Reply greeting;
  bool dropWithPass;
  size_t stopReadingAfter;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    greeting = greeting_;
    dropWithPass = dropWithPass_;
    stopReadingAfter = stopReadingAfter_;
  }
  Link link{connection, nullptr};
  bool silent = greeting.Silent;
  bool open = tlsContext_ == nullptr || Accept(link);
  open = open && (silent || Send(link, greeting));
  std::string pending;
  char buffer[4096];
  size_t answered = 0;
  // TLS may hold a decrypted record the socket no longer signals.
  while (open && ((link.Tls != nullptr && SSL_pending(link.Tls) > 0) || WaitFor(connection, POLLIN, -1))) {
    const ssize_t got = Read(link, buffer, sizeof buffer);
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
      if (dropWithPass && command.rfind("PASS ", 0) == 0) pending.clear();
      if (!silent) {
        const Reply reply = ReplyFor(command);
        silent = reply.Silent;
        open = silent || Send(link, reply);
      }
      // Until the server stops: WaitFor on no socket sleeps on the wake pipe.
      if (++answered == stopReadingAfter) open = WaitFor(-1, 0, -1);
    }
  }
  if (link.Tls != nullptr) {
    SSL_shutdown(link.Tls);  // our close_notify, without waiting for theirs
    SSL_free(link.Tls);
  }
  // Closing with unread input makes the kernel reset the connection, which
  // can destroy replies the client has not read yet; a clean end first.
  ::shutdown(connection, SHUT_WR);
  while (::recv(connection, buffer, sizeof buffer, 0) > 0) {
  }
  ::close(connection);
  *done = true;
}
