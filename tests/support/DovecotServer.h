// A private Dovecot on 127.0.0.1 for host tests, run through dovecot.sh.
//
// Each instance has its own directory (configuration, users, Maildirs, logs)
// and its own port, so tests may run side by side. Needs root and the
// dovecot-core, dovecot-pop3d and dovecot-lmtpd packages; where they are
// missing, tests skip, except under CI, where that is a failure:
//
//   TEST(Poll, SeesNewMail) {
//     VESTUN_REQUIRE_DOVECOT();
//     DovecotServer server;
//     ASSERT_TRUE(server.Start()) << server.LastError();
//     ASSERT_TRUE(server.AddUser("tester", "secret"));
//     ASSERT_TRUE(server.Deliver("tester", "Subject: hi\n\nbody\n", "2026-01-02 03:04:05"));
//     ... connect to 127.0.0.1:server.Port() ...
//   }
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

class DovecotServer {
 public:
  DovecotServer();
  // Stops the server and removes its directory.
  ~DovecotServer();
  DovecotServer(const DovecotServer&) = delete;
  DovecotServer& operator=(const DovecotServer&) = delete;

  // Whether this machine can run one: root, dovecot and python3 installed.
  static bool Available();
  // Why not, or empty.
  static std::string Unavailability();

  // Starts and waits until the POP3 port accepts connections.
  bool Start();
  void Stop();
  bool Running() const { return port_ != 0; }
  uint16_t Port() const { return port_; }
  const std::string& Directory() const { return directory_; }

  // Adds a user or changes its password; before or after Start.
  bool AddUser(const std::string& user, const std::string& password);

  // Delivers one message (line ends LF or CRLF) through Dovecot's LMTP, which
  // writes the topmost Received header. With a date ("2026-01-02 03:04:05",
  // UTC) that header carries that date. Needs Start.
  bool Deliver(const std::string& user, const std::string& message, const std::string& date = "");

  // Delivers count small numbered messages ("Subject: Message N"), all
  // stamped with the date when one is given. Fast: 10,000 take seconds.
  bool DeliverMany(const std::string& user, int count, const std::string& date = "");

  // Puts the message into the user's Maildir/new as it is, with whatever
  // headers it has. Dovecot numbers it when it next scans the box.
  bool Drop(const std::string& user, const std::string& message);

  // What the last failed step said on its error output.
  const std::string& LastError() const { return lastError_; }

  // Dovecot's own log, for a failing test's message.
  std::string Log() const;

 private:
  bool Run(const std::vector<std::string>& arguments, std::string* output = nullptr);
  std::string WriteScratch(const std::string& contents);

  std::string directory_;
  uint16_t port_ = 0;
  int scratchCount_ = 0;
  std::string lastError_;
};

// Skips the test when no Dovecot can run here, or fails it under CI (where
// one is always installed, so a skip would hide a broken machine). For
// GoogleTest bodies returning void.
#define VESTUN_REQUIRE_DOVECOT()                                                         \
  do {                                                                                   \
    if (!DovecotServer::Available()) {                                                   \
      if (std::getenv("CI") != nullptr) {                                                \
        FAIL() << "Dovecot is needed under CI: " << DovecotServer::Unavailability();     \
      }                                                                                  \
      GTEST_SKIP() << "no Dovecot here: " << DovecotServer::Unavailability();            \
    }                                                                                    \
  } while (false)
