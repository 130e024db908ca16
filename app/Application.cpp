#include "app/Application.h"

#include <algorithm>
#include <utility>

#include "app/ApplicationSettings.h"
#include "app/Census.h"
#include "app/MailOpening.h"
#include "app/MainEvents.h"
#include "app/TrayMenus.h"
#include "common/Texts.h"
#include "notify/AlertSound.h"
#include "settings/SettingsSection.h"

namespace {

constexpr char kInstanceClaimName[] = "2 TandrellerApp";
constexpr char kSpeakerSlotName[] = "2 TandrellerSoundNowS";
constexpr char kWavSlotName[] = "2 TandrellerSoundNowW";
constexpr char kModalGuardName[] = "S_TNDRL_DOMODAL";
constexpr int kIconSize = 16;
constexpr platform::IconName kButtonNames[] = {
    platform::IconName::NextButton,     platform::IconName::PreviousButton,
    platform::IconName::FirstButton,    platform::IconName::LastButton,
    platform::IconName::AddButton,      platform::IconName::DeleteButton,
    platform::IconName::MoveUpButton,   platform::IconName::MoveDownButton,
    platform::IconName::DuplicateButton};

}  // namespace

Application::Application() : Prompt("Мыло припёрло") { Boxes.AddBox(); }

bool Application::Init(platform::Module instance) {
  Instance = instance;
  if (!ClaimInstance()) return false;
  if (!CreateMainWindow()) return false;
  Boxes.TimersReady = true;
  if (!LoadSettings(*this)) return false;
  LoadButtonIcons();
  // The icon and the slots before the first dialog: a "Тест" there may
  // find mail, and its sound test plays through them.
  Tray.CreateIcon(Instance);
  OpenSlots();
  PromptIncompleteBoxes();
  RunCensus(*this);
  if (!StartupVersionCheck()) return false;
  // Checking goes on whatever the site says: the notice waves until seen,
  // and new mail takes the envelope meanwhile.
  Boxes.ArmAllTimers(true);
  Started = true;
  return true;
}

bool Application::ClaimInstance() {
  bool elsewhere = false;
  InstanceClaim.Reset(platform::ClaimInstance(kInstanceClaimName, &elsewhere));
  // Without a claim at all there is no way to tell; run as the only copy.
  if (!elsewhere) return true;
  platform::ShowUrgentMessageBox(nullptr, texts::kAlreadyRunning, texts::kCaptionNotice,
                                 platform::BoxButtons::Ok, platform::BoxIcon::Warning);
  return false;
}

bool Application::CreateMainWindow() {
  SmallIcon = platform::LoadProgramIcon(Instance, platform::IconName::Envelope, kIconSize);
  MainWindow.Reset(platform::OpenMainLoop(Instance, SmallIcon, OnMainEvent, this));
  return static_cast<bool>(MainWindow);
}

// Scaled with the display, as the dialog buttons that show them are.
void Application::LoadButtonIcons() {
  const int size = platform::DisplayPixels(kIconSize);
  for (platform::IconName name : kButtonNames)
    ButtonIcons[name] = platform::LoadProgramIcon(Instance, name, size);
}

platform::Icon Application::ButtonIcon(platform::IconName name) const {
  const auto found = ButtonIcons.find(name);
  return found != ButtonIcons.end() ? found->second : nullptr;
}

// A box without server, login or password cannot be polled: the settings
// open on it, on the mailbox page, one box after the other. The user may add
// or delete boxes meanwhile, so the count is read afresh after every dialog.
void Application::PromptIncompleteBoxes() {
  if (Dialogs.Settings == nullptr) return;
  for (int32_t i = 0; i < Boxes.Count(); ++i) {
    const Mailbox& box = *Boxes.At(i);
    if (!box.Login.empty() && !box.Password.empty() && !box.PopServerName.empty()) continue;
    OpenSettingsAt(*this, SettingsPage::Mailboxes, i);
  }
}

void Application::OpenSlots() {
  SpeakerSlot.Reset(platform::OpenSlot(kSpeakerSlotName));
  WavSlot.Reset(platform::OpenSlot(kWavSlotName));
  ModalGuard.Reset(platform::OpenSlot(kModalGuardName));
}

bool Application::EnterModal() { return platform::TakeSlot(ModalGuard.Get(), kModalWaitMs); }

void Application::LeaveModal() { platform::FreeSlot(ModalGuard.Get()); }

void Application::CheckNewVersion(VersionAnswer answer) {
  if (answer != nullptr) VersionWaiters.Answer = answer;
  if (VersionWaiters.Running) return;
  VersionWaiters.Running = true;
  SiteVersion = 0.0f;
  Tray.BeginVersionCheck();
  if (!StartSiteVersionRead()) FinishVersionCheck(0.0f);
}

void Application::AutoCheckNewVersion() {
  VersionWaiters.Announce = true;
  CheckNewVersion();
}

void Application::ForgetVersionAnswer() { VersionWaiters.Answer = nullptr; }

// The check is through before its answer opens a dialog: while that dialog
// is open, another check may begin.
void Application::FinishVersionCheck(float siteVersion) {
  const VersionCheckWaiters waiters = std::exchange(VersionWaiters, VersionCheckWaiters{});
  SiteVersion = siteVersion;
  Tray.EndVersionCheck(waiters.Announce && IsNewerVersion(siteVersion));
  if (waiters.Answer != nullptr) waiters.Answer(*this);
}

bool Application::StartupVersionCheck() {
  if (DoAutoCheckNewVer == 0) return true;
  const int64_t now = platform::CurrentTime();
  if (!VersionCheckDue(LastCheckNewVer, CheckNewVerPeriod, now)) return true;
  AutoCheckNewVersion();  // answers later, on the main thread
  // Loading made the section a moment ago.
  SettingsSection section = SettingsSection::ReopenProgram();
  if (!section) return false;
  // The time before the check: a slow site does not push the next one back.
  LastCheckNewVer = static_cast<int32_t>(now);
  section.Save("LastCheckNewVer", LastCheckNewVer);
  return true;
}

void Application::Shutdown() {
  if (Ended) return;
  Ended = true;
  for (int32_t i = 0; i < Boxes.Count(); ++i) Boxes.ArmBoxTimer(i, false);
  Tray.RemoveIcon();
  InstanceClaim.Reset();
  UserCommands.clear();
  platform::QuitMainLoop(0);
}

bool Application::MendQuestionWaits(int32_t boxId) const {
  return std::find(MendQuestions.begin(), MendQuestions.end(), boxId) != MendQuestions.end();
}

bool Application::ProcessCheckResults(std::vector<int32_t>& unstarted) {
  const bool guarded = EnterModal();
  for (int32_t i = 0; i < Boxes.Count(); ++i) {
    Mailbox* box = Boxes.At(i);
    if (box->DoCheckBox == 0 || box->MsminRunMode != 1 || box->NewMailCount() <= 0) continue;
    if (MendQuestionWaits(box->Id)) continue;
    StartAlertSound(SpeakerSlot.Get(), WavSlot.Get(), box->SoundMode, box->SpeakerStr.c_str(),
                    box->WavPath.c_str(), box->SpeakerLen);
    OpenMail(*this, *box, &unstarted);
  }
  const bool quiet = Boxes.FirstNewMailBox() == nullptr;
  if (guarded) LeaveModal();
  return quiet;
}
