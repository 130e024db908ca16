// Scripting and inspection of the host stand-in of platform/Platform.h.
//
// Host tests set the scene (registry, failures, answers, the clock) and look
// at what the program did. Every record is process-wide.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace host {

// Forgets everything: registry, the main loop, timers, queued answers,
// served connections, TLS verdicts and every record; sets the clock
// to 2026-01-15 12:00:00 UTC. Named locks go with their last handle, as on
// Windows, and started threads run on.
void Reset();

// ---- Registry: values by key path and name with the type they were written
// as; a text is kept without its NUL and reads back with one. Bytes stands
// for every other type (binary, several texts, a 64-bit number...). The mail
// program registered for mailto: links is the default value of
// "Software\Classes\mailto\shell\open\command", where a user's own
// registration stands; Program Files is "C:\Program Files".
enum class RegType { Text, ExpandableText, Number, Bytes };
struct RegValue {
  RegType type = RegType::Bytes;
  std::string bytes;
  // A text stored with characters that Windows-1251 lacks, as another code
  // page wrote it; its bytes hold a '?' for each, as Windows reads them.
  bool foreign = false;
};
bool GetValue(const std::string& path, const std::string& name, RegValue* value);
void PutValue(const std::string& path, const std::string& name, const RegValue& value);
// Under keys whose path starts with the prefix: no key opens, or no value is written.
void FailKeysUnder(const std::string& pathPrefix);
void FailWritesUnder(const std::string& pathPrefix);
int OpenKeyCount();  // keys open now, to find those never closed

// ---- Message boxes: their texts recorded; answered from a queue (default:
// Ok, or Yes for a question with Yes and No).
std::vector<std::string> MessageBoxes();
void QueueAnswer(platform::BoxAnswer answer);

// ---- Shell: recorded; ShellOpen fails for targets in the refusal list.
struct ShellCall {
  std::string target;
  std::string params;  // empty when none was given
  platform::ShowMode mode;
};
std::vector<ShellCall> ShellCalls();
void RefuseShellTarget(const std::string& target);

// ---- Popup menus: ShowPopupMenu returns queued choices (default 0: dismissed).
struct MenuItem {
  uint32_t id;  // 0 for a separator, whose text is empty
  std::string text;
  platform::ItemState state;
};
void QueueMenuChoice(uint32_t commandId);
// The items of the menus shown, in order.
std::vector<std::vector<MenuItem>> MenusShown();

// ---- Tray icon: the one the program has in the notification area now (if
// any), and how many calls it made there.
struct TrayIcon {
  platform::Icon icon;
  std::string tip;
};
std::vector<TrayIcon> TrayIcons();
int TrayCallCount();
// The balloons shown on it, in order, their texts as given.
struct Balloon {
  std::string title;
  std::string text;
};
std::vector<Balloon> Balloons();
// An icon's handle stands for its name, the same at every loading; tests
// load a name to compare. The display is not scaled: small icons have 16
// pixels.

// ---- Sound: the frequency of each sound, in order (0 for a WAV file).
std::vector<uint32_t> Sounds();
// Every Pause since Reset, in order, as long as the layer made it. The
// stand-in pauses for real at most 20 ms of each, so a long melody costs a
// test little time.
std::vector<uint32_t> Pauses();

// ---- Clock and main loop. Time only moves when a test moves it; timers
// that fall due are queued for the main thread in due order.
void SetTime(int64_t secondsSince1970);
void AdvanceClock(uint32_t milliseconds);
// Raises the event on the calling thread, as the main loop would.
void RaiseEvent(platform::MainEvent event, platform::Timer timer = nullptr);
// Runs on the calling thread what is queued for the main thread (timers that
// fell due, posted work) until nothing is left; returns how many.
int RunQueued();
// Waits at most timeoutMs until something is queued for the main thread.
bool WaitForQueued(uint32_t timeoutMs);
// Whether QuitMainLoop was called, and its code.
bool TakeQuitCode(int* code);

// ---- Web: ReadUrl answers from this table at once; other addresses fail.
// While reads are held, each waits until they are let go, or fails once its
// time limit has passed in real time.
void ServeUrl(const std::string& url, const std::string& body);
void HoldUrlReads(bool hold);

// ---- Sockets: ConnectTcp knows dotted IPv4 addresses and "localhost" and
// reaches only 127.0.0.0/8. The next connection to the address and port is
// served from memory: the program receives these bytes, at most pieceBytes
// per receive (0: all that are left), then the end, each without waiting.
void ServeNextConnection(const std::string& dottedAddress, uint16_t port, const std::string& bytes,
                         size_t pieceBytes = 0);
// The next connection to the address and port is served by a server that
// greets and then answers each command line (without its CRLF) with what
// `answer` returns, at once; with nothing left to read, a receive times out.
using Answerer = std::function<std::string(const std::string& command)>;
void AnswerNextConnection(const std::string& dottedAddress, uint16_t port, const std::string& greeting,
                          Answerer answer);
// What the program sent on served connections since the last call.
std::string TakeServedRequests();

// ---- TLS: a session is the socket's plain bytes; every handshake ends with
// this verdict (None, a success, after Reset).
void EndTlsHandshakes(platform::TlsFailure verdict);

// ---- Threads: StartDetachedThread fails while this is set.
void FailThreadStart(bool fail);
// How often StartDetachedThread was called since Reset, failed calls included.
int ThreadStartCount();
// Waits until every thread started by StartDetachedThread has ended.
void JoinStartedThreads();

}  // namespace host
