#include "mail/Pop3Poll.h"

#include <cstdio>
#include <cstring>

#include "mail/DatePoll.h"
#include "mail/MessageCount.h"
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

int32_t Converse(Pop3Connection& server, const PollRequest& request, PollResult& result) {
  char buffer[kReplyLimit];
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::Line);
  if (Refused(buffer, Ask(server, buffer, "USER %s\r\n", request.Login.c_str()))) return kPollUserRefused;
  // Nothing goes out before the password's reply has come: a server may
  // drop what arrives together with PASS, whatever it offers.
  if (Refused(buffer, Ask(server, buffer, "PASS %s\r\n", request.Password.c_str())))
    return kPollPasswordRefused;

  if (request.TandrelMode == 0) {
    PollByDate(server, buffer, request, result);
  } else {
    result.StatCount = AskCount(server, buffer);
  }

  SendText(server, "QUIT\r\n");
  ReceiveReply(server, buffer, kReplyLimit, ReplyEnd::OneChunk);
  if (result.StatCount < 0) return request.PreviousCount;
  return request.TandrelMode != 0 ? result.StatCount : static_cast<int32_t>(result.NewMessages.size());
}

// Resolves, connects and talks, all by the deadline; the caller holds the
// box's lock.
int32_t PollServer(const PollRequest& request, PollResult& result, uint64_t deadlineMs) {
  const PollTimeouts& timeouts = request.Timeouts;
  platform::ConnectFailure failure = platform::ConnectFailure::None;
  const platform::OwnedSocket hold(platform::ConnectTcp(request.PopServerName.c_str(), request.Port,
                                                        timeouts.ResolveMs, timeouts.ConnectMs, &failure));
  if (failure == platform::ConnectFailure::HostNotFound) return kPollHostNotFound;
  if (failure == platform::ConnectFailure::NoSocket) return kPollNoSocket;
  if (!hold) return kPollNotConnected;
  const platform::Socket socket = hold.Get();
  if (!request.Tls) {
    Pop3Connection server{socket, nullptr, timeouts.SendMs, timeouts.ReceiveMs, deadlineMs};
    return Converse(server, request, result);
  }
  // A session whose checks failed is never opened, so the login cannot go
  // out over it, nor in plain text instead. Declared after the socket, it
  // is closed before the socket it runs over.
  const platform::OwnedTlsSession session(platform::OpenTlsSession(socket, request.PopServerName.c_str(),
                                                                   timeouts.ReceiveMs, &result.TlsFailure));
  if (!session) return kPollNotConnected;
  Pop3Connection server{socket, session.Get(), timeouts.SendMs, timeouts.ReceiveMs, deadlineMs};
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
  const int32_t code = PollServer(request, result, platform::MonotonicMs() + request.Timeouts.PollMs);
  if (request.Finished) request.Finished(code, result);
  return code;
}
