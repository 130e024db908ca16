#include "DovecotServer.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#ifndef VESTUN_DOVECOT_SCRIPT
#error "VESTUN_DOVECOT_SCRIPT must name tests/support/dovecot.sh"
#endif

namespace {

bool Executable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream entries(path != nullptr ? path : "/usr/sbin:/usr/bin:/sbin:/bin");
  std::string entry;
  while (std::getline(entries, entry, ':')) {
    if (!entry.empty() && Executable(entry + "/" + program)) return true;
  }
  return false;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::string DovecotServer::Unavailability() {
  if (!Executable(VESTUN_DOVECOT_SCRIPT)) return std::string(VESTUN_DOVECOT_SCRIPT) + " is not executable";
  if (::geteuid() != 0) return "not running as root";
  // The service binaries are in /usr/sbin, which a user's PATH may lack.
  if (!OnPath("dovecot") && !Executable("/usr/sbin/dovecot")) return "dovecot is not installed";
  if (!Executable("/usr/lib/dovecot/lmtp")) return "dovecot-lmtpd is not installed";
  if (!Executable("/usr/lib/dovecot/pop3")) return "dovecot-pop3d is not installed";
  if (!OnPath("python3")) return "python3 is not installed";
  return "";
}

bool DovecotServer::Available() { return Unavailability().empty(); }

DovecotServer::DovecotServer() {
  char pattern[] = "/tmp/vestun-dovecot-XXXXXX";
  if (::mkdtemp(pattern) != nullptr) directory_ = pattern;
}

DovecotServer::~DovecotServer() {
  Stop();
  if (!directory_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
}

bool DovecotServer::Start() {
  if (directory_.empty()) {
    lastError_ = "no temporary directory";
    return false;
  }
  if (port_ != 0) return true;
  std::string output;
  if (!Run({"start", directory_}, &output)) return false;
  const long port = std::strtol(output.c_str(), nullptr, 10);
  if (port <= 0 || port > 65535) {
    lastError_ = "dovecot.sh start printed no port: " + output;
    Stop();
    return false;
  }
  port_ = static_cast<uint16_t>(port);
  return true;
}

void DovecotServer::Stop() {
  if (directory_.empty()) return;
  // Even when Start failed half-way, a master may be running.
  Run({"stop", directory_});
  port_ = 0;
}

bool DovecotServer::AddUser(const std::string& user, const std::string& password) {
  return Run({"adduser", directory_, user, password});
}

bool DovecotServer::Deliver(const std::string& user, const std::string& message, const std::string& date) {
  const std::string file = WriteScratch(message);
  if (file.empty()) return false;
  std::vector<std::string> arguments{"deliver", directory_, user, file};
  if (!date.empty()) arguments.push_back(date);
  const bool delivered = Run(arguments);
  ::unlink(file.c_str());
  return delivered;
}

bool DovecotServer::DeliverMany(const std::string& user, int count, const std::string& date) {
  std::vector<std::string> arguments{"deliver-many", directory_, user, std::to_string(count)};
  if (!date.empty()) arguments.push_back(date);
  return Run(arguments);
}

bool DovecotServer::Drop(const std::string& user, const std::string& message) {
  const std::string file = WriteScratch(message);
  if (file.empty()) return false;
  const bool dropped = Run({"drop", directory_, user, file});
  ::unlink(file.c_str());
  return dropped;
}

std::string DovecotServer::Log() const { return ReadFile(directory_ + "/log/dovecot.log"); }

std::string DovecotServer::WriteScratch(const std::string& contents) {
  const std::string path = directory_ + "/message-" + std::to_string(++scratchCount_) + ".eml";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  out.close();
  if (!out) {
    lastError_ = "cannot write " + path;
    return "";
  }
  return path;
}

// Output goes to files, not pipes: the Dovecot master that start leaves
// behind could otherwise hold a pipe open and a read would never end.
bool DovecotServer::Run(const std::vector<std::string>& arguments, std::string* output) {
  const std::string outPath = directory_ + "/.script.out";
  const std::string errPath = directory_ + "/.script.err";
  std::vector<char*> argv;
  std::string script = VESTUN_DOVECOT_SCRIPT;
  argv.push_back(script.data());
  std::vector<std::string> copies(arguments);
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const pid_t child = ::fork();
  if (child < 0) {
    lastError_ = "fork failed";
    return false;
  }
  if (child == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    // dovecot lives in /usr/sbin, which is not on every PATH.
    const char* path = std::getenv("PATH");
    const std::string fullPath = std::string(path != nullptr ? path : "/usr/bin:/bin") + ":/usr/sbin:/sbin";
    ::setenv("PATH", fullPath.c_str(), 1);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (output != nullptr) *output = ReadFile(outPath);
  const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!succeeded) {
    lastError_ = "dovecot.sh " + arguments.front() + " failed";
    if (WIFEXITED(status)) lastError_ += " (exit " + std::to_string(WEXITSTATUS(status)) + ")";
    const std::string said = Trimmed(ReadFile(errPath));
    if (!said.empty()) lastError_ += ": " + said;
  }
  return succeeded;
}
