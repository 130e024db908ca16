// What one poll of a mailbox needs and what it brings back.
//
// The request is a copy made on the main thread when the poll starts, so the
// worker never reads a box that the settings dialog may be editing or that
// may be removed meanwhile; the result travels back to the main thread,
// which alone changes a box's new-mail state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "mail/MessageInfo.h"
#include "platform/Platform.h"

class SeenMessages;

// Every wait of a poll is bounded, so a server that goes silent or drips
// holds a box for at most these times per step (ReceiveMs for a whole reply);
// the poll then ends as if the connection had closed. However many steps a
// poll takes, it ends within PollMs of taking the box's lock, failed if it
// had not finished: a server that answers each of ten thousand TOPs just
// before its time-out would otherwise hold the box for a week.
struct PollTimeouts {
  uint32_t ResolveMs = 30000;
  uint32_t ConnectMs = 30000;
  uint32_t SendMs = 30000;
  uint32_t ReceiveMs = 60000;
  uint32_t PollMs = 10 * 60 * 1000;
};

struct PollResult;

struct PollRequest {
  int32_t BoxId = -1;
  std::string PopServerName;
  uint16_t Port = 110;
  // Whether the dialogue runs over TLS from the first byte (POP3S).
  bool Tls = false;
  std::string Login;
  std::string Password;
  int32_t TandrelMode = 1;  // non-zero: count mode
  int32_t LastMsgDate = 0;
  int32_t SendErrors = 1;
  int32_t RunMsminMode = 0;
  // The box's new-mail count when the poll started: what a poll whose STAT
  // fails reports again.
  int32_t PreviousCount = 0;
  // A handle of the poll's own to the box's lock.
  platform::Lock CheckLock = nullptr;
  // How long the poll waits for a poll of the same box that holds it: none
  // for a timer's tick, which another tick repeats; the connection test,
  // which often follows a poll that storing the box has just started, waits.
  uint32_t BusyWaitMs = 0;
  PollTimeouts Timeouts;
  // What earlier date-mode polls of the box read, shared with the box and
  // brought up to date by this poll; null: nothing is remembered.
  std::shared_ptr<SeenMessages> Seen;
  // Runs with the poll's code and result while the box's lock is still
  // held, so finished polls of one box are handed on in the order they ran.
  std::function<void(int32_t code, PollResult& result)> Finished;
};

struct PollResult {
  // The message count STAT gave, or -1 when STAT failed and the box's state
  // stays as the previous poll left it.
  int32_t StatCount = -1;
  MessageList NewMessages;
  MessageList OldMessages;
  // Why the TLS session could not be opened, for the connection test to
  // tell; the poll's code is then kPollNotConnected.
  platform::TlsFailure TlsFailure = platform::TlsFailure::None;
  // The command line of the error report about a header block whose date
  // could not be read (empty: none), for the caller to run once the box is
  // let go and the result handed on: the mail program may take its time.
  std::string ErrorReport;
};

// The port of POP3 over TLS (RFC 8314): a box on it is polled over TLS, a
// box on any other port in plain text, as always.
constexpr uint16_t kPop3sPort = 995;
