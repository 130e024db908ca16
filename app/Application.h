// The one application object: global settings, the mailboxes, the tray
// menu's commands and the handles of the process's named locks and main
// loop. It lives for the whole run.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/VersionCheck.h"
#include "mail/MailboxList.h"
#include "notify/TrayNotifier.h"
#include "platform/Owned.h"
#include "platform/Platform.h"
#include "settings/Command.h"

class Application {
 public:
  // Builds the defaults with one default mailbox.
  Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  // Deletes every mailbox and command and closes the named locks; the tray
  // icon is left to Shutdown.
  ~Application() = default;

  // Takes the program from defaults to a running tray application. False
  // when a step failed; earlier steps are not undone.
  bool Init(platform::Module instance);

  // The modal guard: a menu or dialog of the program is open. EnterModal
  // waits at most kModalWaitMs and is true when it took the guard.
  static constexpr uint32_t kModalWaitMs = 10;
  bool EnterModal();
  void LeaveModal();

  // Reads the site's version number in a thread of its own; unless mail
  // waits, the tray shows CheckingVersion meanwhile. On the main thread the
  // number then goes into SiteVersion (0 when the site cannot be reached)
  // and `answer`, if given, is told. Asked for while a check runs, it starts
  // no other: the running one answers both.
  void CheckNewVersion(VersionAnswer answer = nullptr);
  // CheckNewVersion whose newer number announces the notice (NewVersion),
  // at once or, when mail waits, once it is read.
  void AutoCheckNewVersion();
  // The answer asked for is not wanted any more: its dialog has closed.
  void ForgetVersionAnswer();
  // The running check's result (main thread).
  void FinishVersionCheck(float siteVersion);

  // The exit sequence, after the user confirmed it. The main loop still runs
  // what was queued before its end (a poll's result, a timer, the mouse):
  // from here on none of it changes anything.
  void Shutdown();
  bool Ended = false;
  // Init is through: a request from another program to end is heard from
  // then on, not while a start-up question is open.
  bool Started = false;

  // Evaluates every box after a poll: boxes that start their mail program by
  // themselves do so at once (with their sound); the ids of those whose
  // program would not start are added to `unstarted`, for the caller to ask
  // about once this is done. A box whose question waits is left alone. True
  // when no box has new mail afterwards.
  bool ProcessCheckResults(std::vector<int32_t>& unstarted);

  TrayNotifier Tray{Boxes, Prompt, SpeakerSlot, WavSlot};
  DialogSet Dialogs;
  int32_t DoAutoCheckNewVer = 1;
  int32_t CheckNewVerPeriod = 10;
  int32_t LastCheckNewVer = 0;
  // The number of the settings dialog's page shown last (SettingsPage).
  int32_t LastTabPos = 0;
  // The settings dialog is open: its page and box are not to be moved.
  bool SettingsOpen = false;
  // Boxes whose "path is wrong" question waits for an answer.
  std::vector<int32_t> MendQuestions;
  bool MendQuestionWaits(int32_t boxId) const;
  int32_t RunMsminMode = 0;
  int32_t LastCensusYear = 0;
  int32_t SendErrors = 1;
  // Non-zero: a balloon says who wrote and about what.
  int32_t ShowBalloon = 1;
  std::string Prompt;
  MailboxList Boxes;
  CommandList UserCommands;
  float SiteVersion = 0.0f;
  VersionCheckWaiters VersionWaiters;
  platform::OwnedClaim InstanceClaim;
  platform::OwnedSlot ModalGuard;
  // The main loop's window, which the tray icon, menus and message boxes belong to.
  platform::OwnedMainLoop MainWindow;
  platform::Module Instance = nullptr;
  platform::Icon SmallIcon = nullptr;

  // One alert at a time: the speaker and the WAV file each have a slot.
  platform::OwnedSlot SpeakerSlot;
  platform::OwnedSlot WavSlot;
  // The settings dialog's button pictures, loaded at start-up; null for a
  // name that is no button's.
  platform::Icon ButtonIcon(platform::IconName name) const;

 private:
  bool ClaimInstance();
  bool CreateMainWindow();
  void LoadButtonIcons();
  void PromptIncompleteBoxes();
  // The start-up version check when it is due: false when LastCheckNewVer
  // cannot be stored (start-up ends).
  bool StartupVersionCheck();
  void OpenSlots();

  std::map<platform::IconName, platform::Icon> ButtonIcons;
};
