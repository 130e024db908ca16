#include "mail/Pop3Poll.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "mail/CommandRunner.h"
#include "mail/NewMailDecision.h"
#include "mail/Pop3Connection.h"
#include "platform/Owned.h"

namespace {

bool Refused(const char* reply, size_t held) { return held == 0 || std::strncmp(reply, "-ERR", 4) == 0; }

// Sends a command made of a format and one argument, and reads a one-line
// reply. A login or password with a line break would put a second command
// on the wire, and one too long for the buffer would lose its line end:
// neither is sent, and the answer counts as a refusal.
size_t Ask(Pop3Connection& server, char* buffer, const char* format, const char* argument) {
  const int length = std::snprintf(buffer, kReplyLimit, format, argument);
  if (std::strpbrk(argument, "\r\n") != nullptr || length <= 0 ||
      static_cast<size_t>(length) >= kReplyLimit) {
    buffer[0] = '\0';
    return 0;
  }
  SendText(server, buffer);
  return ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::Line);
}

// "+OK", any blanks, a decimal number; -1 when the reply is not like that.
int32_t MessageCount(const char* reply) {
  if (std::strncmp(reply, "+OK", 3) != 0) return -1;
  const char* next = reply + 3;
  while (*next == ' ' || *next == '\t' || *next == '\r' || *next == '\n' || *next == '\v' || *next == '\f')
    ++next;
  bool negative = false;
  if (*next == '+' || *next == '-') negative = *next++ == '-';
  if (*next < '0' || *next > '9') return -1;
  int64_t count = 0;
  for (; *next >= '0' && *next <= '9'; ++next) {
    count = count * 10 + (*next - '0');
    if (count > INT32_MAX) return -1;  // no server holds that many; read as a broken reply
  }
  return negative ? -1 : static_cast<int32_t>(count);
}

// Asks for message `number`'s header block.
void AskForHeaders(Pop3Connection& server, int32_t number) {
  char command[32];
  std::snprintf(command, sizeof command, "TOP %d 1\r\n", static_cast<int>(number));
  SendText(server, command);
}

// One TOP at a time, each sent once the previous reply is wholly read; the
// next one goes out before this reply is classified, so the server works
// while we read the date. Once the connection is gone every later reply
// would be empty and skipped, so the asking stops: a STAT count of two
// thousand million from a server that then hangs up costs nothing. Only the
// newest kMaxExamined messages are asked for: new mail is appended at the
// end of a maildrop, so a bigger box misses nothing new, and a server that
// claims two thousand million messages and answers every TOP cannot hold
// the box for days. Returns the first header block whose date could not be
// read, when the user wants such blocks reported: one report per poll is
// all the author needs, and a box of ten thousand would otherwise open ten
// thousand mail windows at every poll.
std::string ExamineMessages(Pop3Connection& server, char* buffer, int32_t count, const PollRequest& request,
                            PollResult& result) {
  std::string unreadable;
  const int32_t first = count > kMaxExamined ? count - kMaxExamined + 1 : 1;
  if (count > 0) AskForHeaders(server, first);
  // Counted in 64 bits: a count of INT32_MAX would overflow the last step.
  for (int64_t number = first; number <= count && !server.Gone; ++number) {
    const size_t held = ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::MultiLine);
    if (number < count) AskForHeaders(server, static_cast<int32_t>(number + 1));
    if (held > 0 && ClassifyReply(buffer, request, result) && request.SendErrors != 0 && unreadable.empty())
      unreadable = buffer;
  }
  return unreadable;
}

int32_t Converse(Pop3Connection& server, const PollRequest& request, PollResult& result) {
  char buffer[kReplyLimit];
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::Line);
  if (Refused(buffer, Ask(server, buffer, "USER %s\r\n", request.Login.Text()))) return kPollUserRefused;
  if (Refused(buffer, Ask(server, buffer, "PASS %s\r\n", request.Password.Text())))
    return kPollPasswordRefused;

  SendText(server, "STAT\r\n");
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::Line);
  result.StatCount = MessageCount(buffer);
  std::string unreadable;
  if (result.StatCount >= 0 && request.TandrelMode == 0)
    unreadable = ExamineMessages(server, buffer, result.StatCount, request, result);

  SendText(server, "QUIT\r\n");
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::OneChunk);
  // Once the server is done with us: the mail program may take its time.
  if (!unreadable.empty()) RunCommandLine(ErrorReportLine(unreadable.c_str()).c_str(), request.RunMsminMode);
  if (result.StatCount < 0) return request.PreviousCount;
  return request.TandrelMode != 0 ? result.StatCount : result.NewMessages.Size();
}

// Resolves, connects and talks; the caller holds the box's lock.
int32_t PollServer(const PollRequest& request, PollResult& result) {
  uint32_t address = 0;
  const PollTimeouts& timeouts = request.Timeouts;
  if (!platform::ResolveHost(request.PopServerName.Text(), &address, timeouts.ResolveMs))
    return kPollHostNotFound;
  const platform::OwnedSocket hold(platform::OpenTcpSocket());
  if (!hold) return kPollNoSocket;
  const platform::Socket socket = hold.Get();
  if (!platform::ConnectSocket(socket, address, request.Port, timeouts.ConnectMs)) return kPollNotConnected;
  if (!request.Tls) {
    Pop3Connection server{socket, nullptr, timeouts.SendMs, timeouts.ReceiveMs};
    return Converse(server, request, result);
  }
  // A session whose checks failed is never opened, so the login cannot go
  // out over it, nor in plain text instead. Declared after the socket, it
  // is closed before the socket it runs over.
  const platform::OwnedTlsSession session(
      platform::OpenTlsSession(socket, request.PopServerName.Text(), timeouts.ReceiveMs, &result.TlsFailure));
  if (!session) return kPollNotConnected;
  Pop3Connection server{socket, session.Get(), timeouts.SendMs, timeouts.ReceiveMs};
  return Converse(server, request, result);
}

}  // namespace

int32_t CheckMailbox(const PollRequest& request, PollResult& result) {
  const platform::LockTake take = platform::TakeLock(request.CheckLock, request.BusyWaitMs);
  if (take == platform::LockTake::Busy) return kPollBusy;
  // Held from the first step to the last on every path.
  const platform::HeldLock held(request.CheckLock);
  // A poll that ended holding the lock leaves this round out; the next runs.
  if (take == platform::LockTake::Orphaned) return kPollBusy;
  const int32_t code = PollServer(request, result);
  if (request.Finished) request.Finished(code, result);
  return code;
}
