// The program's one icon in the notification area: its state, picture and
// tooltip, the jumping envelope and the sound of new mail. What a click on
// it does is the application's (app/TrayClicks.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "notify/Balloon.h"
#include "platform/Owned.h"
#include "platform/Platform.h"

class MailboxList;

enum class TrayState : int32_t { Quiet = 0, CheckingVersion = 1, NewVersion = 2, NewMail = 3 };

// The tooltip holds 63 bytes and its NUL.
constexpr size_t kTipSize = 64;

// The quiet icon of a day of the local calendar (month 1-12): the shield on
// 22 February, flowers on 7 March, the festive cap from 27 December to
// 4 January, the plain envelope otherwise.
platform::IconName QuietIconFor(int month, int day);

// The new-mail tooltip "PROMPT (N шт.)!". A prompt too long for the tooltip
// is cut at its end, so that the count always shows.
void FormatNewMailTip(const char* prompt, int32_t count, char (&tip)[kTipSize]);

class TrayNotifier {
 public:
  static constexpr uint32_t kAnimationPeriodMs = 300;

  // The boxes give the new mail's count and the first box's sound, the
  // prompt its tooltip; the sound slots let one alert sound at a time.
  TrayNotifier(const MailboxList& boxes, const std::string& prompt, const platform::OwnedSlot& speakerSlot,
               const platform::OwnedSlot& wavSlot)
      : Boxes(boxes), Prompt(prompt), SpeakerSlot(speakerSlot), WavSlot(wavSlot) {}
  TrayNotifier(const TrayNotifier&) = delete;
  TrayNotifier& operator=(const TrayNotifier&) = delete;

  // Loads the icons (the quiet one chosen by today's date, once) and adds
  // the quiet envelope to the notification area.
  void CreateIcon(platform::Module instance);
  // Switches the state: the picture, the tooltip, the animation and, on
  // entering NewMail or NewVersion, a sound. A switch to the state already
  // shown does nothing and is false; otherwise true when the shell took the
  // icon.
  bool SetState(TrayState state);
  // The state without new mail: the question mark while a version check
  // runs, the new version's notice while the user has not seen it, the quiet
  // envelope otherwise.
  bool Calm();
  // Mail first: NewMail while a box has some, Calm otherwise.
  bool ShowMailOrCalm();
  // A version check runs: the envelope asks, unless mail waits.
  void BeginVersionCheck();
  // It has ended, with a newer version to announce or not. Mail that waits
  // keeps the envelope; the notice then comes once the mail is read.
  void EndVersionCheck(bool newer);
  // Shows the balloon on the icon, while there is one.
  void ShowBalloon(const BalloonText& balloon);
  // Stops the animation and takes the icon away.
  void RemoveIcon();
  // Adds the icon again as it is now: the taskbar was re-created (Explorer
  // restarted) and forgot it.
  void AddAgain();

  void SetAnimation(bool on);
  // Shows the next picture of the jumping envelope; does nothing unless it
  // jumps (NewMail, NewVersion). True when the shell took the picture.
  bool NextFrame();

  TrayState State = TrayState::Quiet;
  platform::Module Instance = nullptr;
  bool Created = false;
  // What the notification area shows, or is to show at the next change.
  platform::Icon ShownIcon = nullptr;
  const char* ShownTip = nullptr;
  platform::Icon QuietIcon = nullptr;
  platform::Icon MailFrames[3] = {};
  platform::Icon CheckingIcon = nullptr;
  platform::Icon VersionFrames[4] = {};
  char QuietText[kTipSize] = {};
  char NewMailText[kTipSize] = {};
  char NewVersionText[kTipSize] = {};
  char CheckingText[kTipSize] = {};
  bool VersionCheckRuns = false;
  // A newer version was announced and the user has not opened its notice.
  bool NoticeUnseen = false;
  // The notice's tune has played: at its first showing, not at every return
  // to it.
  bool NoticeSounded = false;
  // The jumping envelope's timer, while it jumps.
  platform::OwnedTimer Animation;
  int32_t FrameCounter = 0;

 private:
  void Show(platform::Icon icon, const char* tip);
  void EnterNewMail();

  const MailboxList& Boxes;
  const std::string& Prompt;
  const platform::OwnedSlot& SpeakerSlot;
  const platform::OwnedSlot& WavSlot;
};
