// A whole poll over TLS against a server that answers with arbitrary bytes
// and then closes the connection: the same input as the plain poll's target
// (its seeds serve here too), sent by a TLS server of our own on loopback,
// every piece of it in a record of its own. Slower than the plain target by
// a handshake and a thread per input, and worth it for the reading of
// replies through the TLS session.
//
// Input: one byte that chooses the poll (odd: count mode, even: date mode;
// the upper seven bits: the record size, 0 for one record), then everything
// the server says.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/host/HostControl.h"
#include "tests/fuzz/PollChecks.h"
#include "tests/support/ScriptedPop3Server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static platform::Lock lock = platform::OpenLock("POP3_fuzz_tls");
  static ScriptedPop3Server* server = [] {
    host::TrustAuthority(ScriptedPop3Server::TlsAuthorityFile());
    return new ScriptedPop3Server(ServerTls::On);
  }();
  if (size == 0) return 0;
  Reply replies(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  replies.ChunkSize = data[0] >> 1;
  server->SetGreeting(replies.ThenClose());

  PollRequest request = FuzzRequest(lock, data[0]);
  request.PopServerName = "localhost";
  request.Port = server->Port();
  request.Tls = true;
  request.Timeouts.ReceiveMs = 2000;
  PollResult result;
  // The certificate is trusted and the server is there: the handshake must
  // succeed whatever the input.
  CheckPoll(CheckMailbox(request, result), request, result);
  return 0;
}
