// The services the program needs from the operating system, in its own words.
//
// Everything outside platform/ reaches Windows only through this header. There
// are two implementations: platform/win32 (the real calls; texts go through
// the wide functions, converted from and to Windows-1251 explicitly) and
// platform/host (a scriptable stand-in for tests, see host/HostControl.h).
// The conformance tests run against both; where they disagree, Windows is
// right and the stand-in is mended.
//
// Texts are 8-bit Windows-1251 strings. Nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Opaque handles. Each is null when there is none.
struct InstanceClaimTag;
struct LockTag;
struct SlotTag;
struct WindowTag;
struct ModuleTag;
struct IconTag;
struct RegKeyTag;
struct TimerTag;
using InstanceClaim = InstanceClaimTag*;
using Lock = LockTag*;
using Slot = SlotTag*;
using Window = WindowTag*;
using Module = ModuleTag*;
using Icon = IconTag*;
using RegKey = RegKeyTag*;
using Timer = TimerTag*;

// ---------------------------------------------------------------------------
// The process.

// The program's first call: every DLL that the program, or Windows on its
// behalf, loads by name from then on comes from the system folder, never
// from the program's folder or the current directory, where someone else
// may have put one of the same name. (A Windows 7 without its loader update
// still looks in the program's folder; the current directory it leaves out.)
void LimitLibrariesToSystemFolder();

// ---------------------------------------------------------------------------
// Named locks. A name is shared by every process of the user's session, so a
// second copy of the program, an older version too, meets the same lock.

// The claim of the one running copy of the program. Null when a copy that
// runs already has claimed the name (*elsewhere is then true), or when no
// claim can be made at all (*elsewhere false).
InstanceClaim ClaimInstance(const char* name, bool* elsewhere);
// Gives the claim up; a copy started afterwards makes its own.
void EndInstanceClaim(InstanceClaim claim);

// A lock held by one thread at a time, such as a box's lock, which its poll
// holds from the first step to the last. Opened by name (created when no
// one has it open); null when it cannot be.
Lock OpenLock(const char* name);
enum class LockTake {
  Taken,
  Orphaned,  // taken, left by a thread (of any process) that ended holding it
  Busy,      // still held by another thread after timeoutMs, or no lock
};
// Waits at most timeoutMs (0: only a look). A thread takes a lock once
// before it leaves it.
LockTake TakeLock(Lock lock, uint32_t timeoutMs);
// Lets go of a lock the calling thread holds; nothing otherwise.
void LeaveLock(Lock lock);
void CloseLock(Lock lock);

// A slot that one holder at a time fills and any thread may free: the modal
// guard and the sound slots. Opened by name, free when created; null when
// it cannot be.
Slot OpenSlot(const char* name);
// Fills the slot, waiting at most timeoutMs (0: only a look) for it to be
// free; false when it is not.
bool TakeSlot(Slot slot, uint32_t timeoutMs);
// Frees the slot; freeing a free slot leaves it as it is.
void FreeSlot(Slot slot);
void CloseSlot(Slot slot);

// ---------------------------------------------------------------------------
// Threads and time.

using ThreadRoutine = void (*)(void* argument);

// Starts a thread that nobody waits for. False when it cannot be started.
// The thread may use the shell (COM is initialised for it).
bool StartDetachedThread(ThreadRoutine routine, void* argument);

// The longest pause the layer makes. Windows would read 0xFFFFFFFF ms as
// "forever"; here no wish of a caller can stop a thread for good.
constexpr uint32_t kLongestPauseMs = 5000;

// Pauses the calling thread for the given time, at most kLongestPauseMs.
void Pause(uint32_t milliseconds);

// Seconds since 1970-01-01 00:00 UTC, as the system clock says.
int64_t CurrentTime();

// Milliseconds on a clock that only moves forward, for a deadline that spans
// several waits. It runs in real time on both builds, as socket waits do.
uint64_t MonotonicMs();

// ---------------------------------------------------------------------------
// The main loop. The thread that opens it is the main thread: the program's
// events (its timers, the tray icon's mouse, the shell's requests) and the
// work other threads hand it run there one at a time, also while a menu,
// dialog or message box of the program is open. Each is given the context
// the loop was opened with: the one object that all of them serve.

enum class MainEvent {
  Timer,            // a timer of the program fell due; the event names which
  TrayMouseOver,    // the mouse moved over the tray icon
  TrayLeftClick,    // the left button went down on it
  TrayDoubleClick,  // it was double-clicked with the left button
  TrayRightClick,   // the right button went down on it
  BalloonClick,     // the user clicked the icon's balloon (or its notification)
  TaskbarCreated,   // the taskbar came back (Explorer restarted) and forgot every icon
  CloseRequest,     // another program (an installer, say) asks the program to end
  SessionEnds,      // the user's session ends: the process is ended once the handler returns
};

// `timer` names the timer for MainEvent::Timer and is null otherwise.
using MainEventHandler = void (*)(void* context, MainEvent event, Timer timer);

// Opens the main loop on the calling thread; its events go to the handler
// with `context`. Returns the window that the tray icon, menus and message
// boxes belong to (it is never shown; `icon` is its class icon, may be
// null), null on failure. CloseMainLoop stops its timers and closes it.
Window OpenMainLoop(Module module, Icon icon, MainEventHandler handler, void* context);
void CloseMainLoop(Window window);

using MainTask = void (*)(void* context, void* argument);

// Queues the task for the main thread without waiting; it runs with the
// loop's context. False when the main loop is closed; the task then never
// runs.
bool PostToMainThread(MainTask task, void* argument);

// A periodic timer of the main loop that raises MainEvent::Timer on the main
// thread every periodMs. The layer names it: a timer is never named as
// another one was before it in the run, so the name of a stopped timer
// stands for nothing. Null when it cannot be started (the loop is closed).
Timer StartTimer(uint32_t periodMs);
// Stops the timer; a stopped one, or null, is left alone.
void StopTimer(Timer timer);

// Raises the timer's event at once, as when it falls due (main thread);
// nothing for null.
void RaiseTimerNow(Timer timer);

// Makes RunMainLoop return `code`.
void QuitMainLoop(int code);

// Runs the main loop on the main thread until QuitMainLoop; returns its
// code, or -1 when waiting for events fails.
int RunMainLoop();

// ---------------------------------------------------------------------------
// Message boxes.

enum class BoxButtons { Ok, OkCancel, YesNo, YesNoDefaultNo };
enum class BoxIcon { None, Information, Question, Warning, Error };

// The button the user pressed; a box that could not be shown counts as
// dismissed, Cancel.
enum class BoxAnswer { Ok, Cancel, Yes, No };

// Shows a message box over its owner (null: over nothing) and returns the
// answer.
BoxAnswer ShowMessageBox(Window owner, const char* text, const char* caption, BoxButtons buttons,
                         BoxIcon icon);

// As ShowMessageBox, for what must not wait unseen behind another program's
// window: the box stays above every window until it is answered.
BoxAnswer ShowUrgentMessageBox(Window owner, const char* text, const char* caption, BoxButtons buttons,
                               BoxIcon icon);

// ---------------------------------------------------------------------------
// Settings store: values by name in the current user's keys by path; paths
// and names match without regard to case, and "" names the key's default
// value. Keys opened here must be closed with CloseRegKey.
//
// The program writes texts and 32-bit numbers and reads each back only as
// what it was stored as: an administrator's .reg file may type a port as
// the text "995", whose bytes would make the number 14649.

// Opens an existing key; null when it does not exist or cannot be opened.
RegKey OpenRegKey(const char* path);

// Opens a key, creating it and its missing parents first.
RegKey CreateRegKey(const char* path);

void CloseRegKey(RegKey key);

// What reading a value, or a path that Windows keeps, found.
enum class ReadResult {
  Read,       // the whole value
  Missing,    // there is none, or it cannot be read
  WrongType,  // stored as another type than the one asked for (a number
              // also when it is not four bytes long)
  TooLong,    // it does not fit into the room given
  Foreign,    // a text with characters that Windows-1251 lacks: it is read
              // all the same, each such character as '?' (which no path
              // holds), but it is not what was stored
};

// Reads a text into buffer: its Windows-1251 characters up to the first NUL
// it holds, if any, and a NUL after them. The whole stored text must fit
// into capacity bytes with a NUL, or it is TooLong. Buffer is left alone
// unless the result is Read or Foreign. A text that names folders by
// variables (%ProgramFiles%) is of another type: the program never stores one.
ReadResult ReadRegText(RegKey key, const char* name, char* buffer, size_t capacity);

// Reads a number stored as one; *number is left alone unless it is Read.
ReadResult ReadRegNumber(RegKey key, const char* name, uint32_t* number);

// The text is stored without its NUL, as the program always has.
bool WriteRegText(RegKey key, const char* name, const char* text);
bool WriteRegNumber(RegKey key, const char* name, uint32_t number);

// ---------------------------------------------------------------------------
// Shell.

enum class ShowMode { Maximized, Normal, Minimized };

// Opens a program, document, web address or mailto: link with the verb
// "open". params may be null. True when the shell accepted it.
bool ShellOpen(const char* target, const char* params, ShowMode mode);

// ---------------------------------------------------------------------------
// The mail program that Windows has registered to open mailto: links, as
// the settings dialog offers it.

struct MailProgramRegistration {
  // The command line of its "open" verb, read as ReadRegText reads a text:
  // it may also name folders by variables such as %ProgramFiles%, as the
  // shell's registrations often do, which are left as they stand. Missing
  // when nothing is registered.
  ReadResult lineRead = ReadResult::Missing;
  char line[200] = {};
  // The Program Files folder ("C:\Program Files") that such a line may name,
  // without a closing backslash: Read, or Foreign with a '?' for each
  // character that Windows-1251 lacks; Missing when it cannot be had.
  ReadResult folderRead = ReadResult::Missing;
  char programFiles[260] = {};
};

MailProgramRegistration RegisteredMailProgram();

// ---------------------------------------------------------------------------
// Icons: the program's pictures, by name.

enum class IconName {
  Envelope,         // the closed envelope: all is quiet
  NewYearEnvelope,  // in a festive cap, from 27 December to 4 January
  ShieldEnvelope,   // with a shield in white, blue and red, on 22 February
  FlowersEnvelope,  // with flowers, on 7 March
  // The envelope jumping for new mail: tilted right side down, level at the
  // top, tilted left side down.
  JumpTiltedRight,
  JumpUp,
  JumpTiltedLeft,
  // A new version is out: the envelope with a red exclamation mark, in the
  // order its frames play.
  NewsUpright,
  NewsLeaningLeft,
  NewsHoppedUp,
  NewsLeaningRight,
  QuestionEnvelope,  // with a red question mark: a version check runs
  // The settings dialog's buttons.
  NextButton,
  PreviousButton,
  FirstButton,
  LastButton,
  AddButton,
  DeleteButton,
  MoveUpButton,    // towards the front of the list
  MoveDownButton,  // towards the back of the list
  DuplicateButton,
};

// Loads the named icon of the module at size x size pixels with default
// colours. Icons loaded here live for the whole run. Null on failure.
Icon LoadProgramIcon(Module module, IconName name, int size);

// The size in pixels of small icons, as in the notification area: 16 at
// 96 DPI, more on a scaled display.
int SmallIconSize();

// A length given in pixels at 96 DPI, in pixels of this display. Dialogs
// grow with the display's scale, and so must what is drawn on them.
int DisplayPixels(int pixelsAt96);

// ---------------------------------------------------------------------------
// Popup menus.

enum class ItemState { Enabled, Checked, Disabled };

// A line of a popup menu: a command, or a separator when commandId is 0
// (its text and state then do not matter).
struct MenuItem {
  uint32_t commandId;
  const char* text;
  ItemState state;
};

// Shows a popup menu of these items at the mouse position, owned by `owner`
// (the main loop's window), and returns the chosen command id, or 0 when the
// user chose nothing or the menu could not be shown.
uint32_t ShowPopupMenu(const MenuItem* items, size_t count, Window owner);

// ---------------------------------------------------------------------------
// The program's one icon in the notification area, beside the main loop's
// window, which turns its mouse into tray events.

// Shows the icon with its tip (the first 63 bytes): adds it at the first
// call, after RemoveTrayIcon and after MainEvent::TaskbarCreated (the new
// taskbar forgot it), and changes it otherwise. False when the shell refused.
bool ShowTrayIcon(Icon icon, const char* tip);
bool RemoveTrayIcon();

// Shows a balloon on the icon (a notification on Windows 10 and 11, shown
// even while the icon sits in the overflow), in place of any balloon before.
// It is silent, the program playing its own alert, and waits out Windows'
// quiet hours. Its texts are UTF-8, not Windows-1251: what mail says comes
// in every script. Windows keeps the title's first 63 UTF-16 units and the
// text's first 255. A click on it raises MainEvent::BalloonClick. False when
// the shell refused or the icon is not shown.
bool ShowTrayBalloon(const char* titleUtf8, const char* textUtf8);

// ---------------------------------------------------------------------------
// Sound. Each call returns when the sound has ended.

bool SpeakerBeep(uint32_t frequencyHz, uint32_t durationMs);
bool PlayWaveFile(const char* path);

// Whether a file exists at the path.
bool FileExists(const char* path);

// ---------------------------------------------------------------------------
// Sockets: blocking TCP over IPv4, each call bounded by its own time-out.
// The socket library is the layer's: the first connection starts it.

using Socket = intptr_t;
constexpr Socket kNoSocket = -1;

// Why no connection was made.
enum class ConnectFailure { None, HostNotFound, NoSocket, NotConnected };

// A TCP connection over IPv4 to the host (a name, or a dotted address read
// as it is) and port. The name's lookup may take resolveMs (one that hangs
// is left to finish on its own), the connection connectMs. The connected
// socket, or kNoSocket with the reason in *failure (NoSocket also when the
// socket library cannot be started).
Socket ConnectTcp(const char* host, uint16_t port, uint32_t resolveMs, uint32_t connectMs,
                  ConnectFailure* failure);

// Sends all size bytes; false when the peer is gone or timeoutMs passes.
bool SendAll(Socket socket, const void* data, size_t size, uint32_t timeoutMs);

// Receives what is there, at most capacity bytes: the count, 0 when the peer
// closed the connection, -1 on an error or when nothing came within timeoutMs.
int ReceiveSome(Socket socket, void* buffer, size_t capacity, uint32_t timeoutMs);

void CloseSocket(Socket socket);

// ---------------------------------------------------------------------------
// TLS over a connected socket, through the system's TLS (SChannel on
// Windows): TLS 1.2 only, the host name sent for the server to choose
// its certificate (SNI). The server's certificate must chain to a root the
// system trusts, be valid now and name the host; nothing is sent over a
// session whose checks failed, since no such session is handed out.

struct TlsSessionTag;
using TlsSession = TlsSessionTag*;

// Why a session could not be opened.
enum class TlsFailure {
  None,
  NotTls,           // the server does not speak TLS there, or broke off the handshake
  UnknownIssuer,    // the chain ends at a root the system does not trust
  OtherName,        // the certificate is for another host name
  Expired,          // the certificate is out of its validity period
  Untrusted,        // any other fault of the certificate or its chain
  Stalled,          // the handshake did not finish within its time-out
  NoCommonVersion,  // the server speaks TLS, but not 1.2 (only 1.3, or only an older one)
};

// Runs the client's handshake on a connected socket and checks the server's
// certificate for `host` (a name or a dotted address, as the user typed it).
// The whole handshake is bounded by timeoutMs. Returns the session, or null
// with the reason in *failure. The socket stays the caller's.
TlsSession OpenTlsSession(Socket socket, const char* host, uint32_t timeoutMs, TlsFailure* failure);

// As SendAll and ReceiveSome, over the session. ReceiveSome returns 0 once
// the server has closed the session or the connection, and -1 by its
// time-out even while records without data keep coming.
bool TlsSendAll(TlsSession session, const void* data, size_t size, uint32_t timeoutMs);
int TlsReceiveSome(TlsSession session, void* buffer, size_t capacity, uint32_t timeoutMs);

// Says goodbye to the server (without waiting long for it) and frees the
// session; null is allowed. Close the socket afterwards.
void CloseTlsSession(TlsSession session);

// ---------------------------------------------------------------------------
// Web: reads up to capacity bytes of an https address's body through the
// system's proxy settings, following redirects to https addresses; the
// count read, -1 when the address is not https or cannot be opened, its
// certificate is not trusted, a redirect leads to anything but https, it
// answers with anything but 200 OK, or the whole read has not ended within
// timeLimitMs. Returns by then, whatever the site does.
int ReadUrl(const char* url, char* buffer, size_t capacity, uint32_t timeLimitMs);

}  // namespace platform
