#include "notify/TrayNotifier.h"

#include <cstdio>
#include <cstring>

#include "mail/MailboxList.h"
#include "mail/TimeScale.h"
#include "notify/AlertSound.h"
#include "notify/SpeakerPattern.h"

namespace {

constexpr char kQuietText[] = "Все спокойно!";
constexpr char kNewVersionText[] = "Вышла новая версия программы!\nКликните правой кнопкой.";
constexpr char kCheckingText[] = "Проверяем наличие на сайте новой версии программы...";

// Frames by FrameCounter modulo 4: the envelope rocks from one side over the
// middle to the other and back; the exclamation mark makes its round.
constexpr int kMailFrameOrder[4] = {0, 1, 2, 1};
constexpr platform::IconName kMailFrames[3] = {
    platform::IconName::JumpTiltedRight, platform::IconName::JumpUp, platform::IconName::JumpTiltedLeft};
constexpr platform::IconName kVersionFrames[4] = {
    platform::IconName::NewsUpright, platform::IconName::NewsLeaningLeft, platform::IconName::NewsHoppedUp,
    platform::IconName::NewsLeaningRight};

void CopyTip(char (&tip)[kTipSize], const char* text) { std::snprintf(tip, kTipSize, "%s", text); }

}  // namespace

platform::IconName QuietIconFor(int month, int day) {
  if (month == 2 && day == 22) return platform::IconName::ShieldEnvelope;
  if (month == 3 && day == 7) return platform::IconName::FlowersEnvelope;
  if ((month == 12 && day >= 27) || (month == 1 && day <= 4)) return platform::IconName::NewYearEnvelope;
  return platform::IconName::Envelope;
}

void FormatNewMailTip(const char* prompt, int32_t count, char (&tip)[kTipSize]) {
  char tail[32];
  const int tailLength = std::snprintf(tail, sizeof tail, " (%d шт.)!", static_cast<int>(count));
  const size_t room = kTipSize - 1 - static_cast<size_t>(tailLength);
  std::snprintf(tip, kTipSize, "%.*s%s", static_cast<int>(room), prompt, tail);
}

void TrayNotifier::CreateIcon(platform::Module instance) {
  CopyTip(QuietText, kQuietText);
  CopyTip(NewVersionText, kNewVersionText);
  CopyTip(CheckingText, kCheckingText);
  Instance = instance;
  // At the system's small-icon size: 16 pixels at 96 DPI, sharper pictures
  // on a scaled display than the shell would make by stretching.
  const int size = platform::SmallIconSize();
  const LocalDate today = LocalDateOf(platform::CurrentTime());
  QuietIcon = platform::LoadProgramIcon(instance, QuietIconFor(today.Month + 1, today.Day), size);
  for (int i = 0; i < 3; ++i) MailFrames[i] = platform::LoadProgramIcon(instance, kMailFrames[i], size);
  CheckingIcon = platform::LoadProgramIcon(instance, platform::IconName::QuestionEnvelope, size);
  for (int i = 0; i < 4; ++i) VersionFrames[i] = platform::LoadProgramIcon(instance, kVersionFrames[i], size);
  Show(QuietIcon, QuietText);
  Created = true;
  platform::ShowTrayIcon(ShownIcon, ShownTip);
}

bool TrayNotifier::SetState(TrayState state) {
  if (state == State) return false;
  State = state;
  switch (state) {
    case TrayState::Quiet:
      Show(QuietIcon, QuietText);
      SetAnimation(false);
      break;
    case TrayState::CheckingVersion:
      Show(CheckingIcon, CheckingText);
      SetAnimation(false);
      break;
    case TrayState::NewVersion:
      if (!NoticeSounded) PlayNewsTune();
      NoticeSounded = true;
      NoticeUnseen = true;
      SetAnimation(true);
      break;
    case TrayState::NewMail:
      EnterNewMail();
      break;
    default:
      return false;
  }
  return platform::ShowTrayIcon(ShownIcon, ShownTip);
}

void TrayNotifier::EnterNewMail() {
  if (const Mailbox* first = Boxes.FirstNewMailBox()) {
    StartAlertSound(SpeakerSlot.Get(), WavSlot.Get(), first->SoundMode, first->SpeakerStr.c_str(),
                    first->WavPath.c_str(), first->SpeakerLen);
  }
  int32_t total = 0;
  for (int32_t i = 0; i < Boxes.Count(); ++i) {
    if (Boxes.At(i)->DoCheckBox != 0) total += Boxes.At(i)->NewMailCount();
  }
  FormatNewMailTip(Prompt.c_str(), total, NewMailText);
  ShownTip = NewMailText;
  SetAnimation(true);
}

bool TrayNotifier::Calm() {
  if (VersionCheckRuns) return SetState(TrayState::CheckingVersion);
  return SetState(NoticeUnseen ? TrayState::NewVersion : TrayState::Quiet);
}

bool TrayNotifier::ShowMailOrCalm() {
  return Boxes.FirstNewMailBox() != nullptr ? SetState(TrayState::NewMail) : Calm();
}

void TrayNotifier::BeginVersionCheck() {
  VersionCheckRuns = true;
  if (State != TrayState::NewMail) SetState(TrayState::CheckingVersion);
}

void TrayNotifier::EndVersionCheck(bool newer) {
  VersionCheckRuns = false;
  if (newer) NoticeUnseen = true;
  if (State != TrayState::NewMail) Calm();
}

void TrayNotifier::ShowBalloon(const BalloonText& balloon) {
  if (Created) platform::ShowTrayBalloon(balloon.Title.c_str(), balloon.Text.c_str());
}

void TrayNotifier::RemoveIcon() {
  SetAnimation(false);
  Created = false;
  platform::RemoveTrayIcon();
}

void TrayNotifier::AddAgain() {
  if (Created) platform::ShowTrayIcon(ShownIcon, ShownTip);
}

void TrayNotifier::Show(platform::Icon icon, const char* tip) {
  ShownIcon = icon;
  ShownTip = tip;
}

void TrayNotifier::SetAnimation(bool on) {
  FrameCounter = 0;
  if (on == static_cast<bool>(Animation)) return;
  if (on) NextFrame();  // the first frame now, not a period later
  Animation.Reset(on ? platform::StartTimer(kAnimationPeriodMs) : nullptr);
}

bool TrayNotifier::NextFrame() {
  const int frame = FrameCounter % 4;
  if (State == TrayState::NewVersion) {
    Show(VersionFrames[frame], NewVersionText);
  } else if (State == TrayState::NewMail) {
    ShownIcon = MailFrames[kMailFrameOrder[frame]];
  } else {
    return false;
  }
  const bool shown = platform::ShowTrayIcon(ShownIcon, ShownTip);
  ++FrameCounter;
  return shown;
}
