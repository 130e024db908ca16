// "Ящики": one mailbox, the current one of the list, with the connection
// and sound tests, the default mail program and the file choosers.
#include <algorithm>
#include <string>

#include "app/Application.h"
#include "app/CheckThread.h"
#include "app/ConnectionTestReport.h"
#include "app/MailboxFields.h"
#include "common/Texts.h"
#include "mail/DefaultMailProgram.h"
#include "notify/AlertSound.h"
#include "platform/win32/Handles.h"
#include "resources/resource.h"
#include "ui/Controls.h"
#include "ui/FileChooser.h"
#include "ui/Pages.h"
#include "ui/SettingsDialog.h"

namespace ui {
namespace {

constexpr char kProgramTip[] =
    "Протестируйте сначала команду в Пуск\\Выполнить. Пример команды: "
    "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" mail.example.com";
constexpr char kNoCurrentBox[] = "Не найден текущий ящик в памяти - странный глюк :((";

// The sound test plays through the alert's buffers of this size, and the
// choosers start from as much of their field.
constexpr int kShortField = 100;

struct TextField {
  int Id;
  std::string MailboxFields::*Text;
};

const TextField kTextFields[] = {
    {IDC_BOX_NAME, &MailboxFields::BoxName},  {IDC_SERVER, &MailboxFields::PopServerName},
    {IDC_PORT, &MailboxFields::Port},         {IDC_LOGIN, &MailboxFields::Login},
    {IDC_PASSWORD, &MailboxFields::Password}, {IDC_INTERVAL, &MailboxFields::Interval},
    {IDC_MELODY, &MailboxFields::SpeakerStr}, {IDC_STEP, &MailboxFields::SpeakerLen},
    {IDC_WAV_PATH, &MailboxFields::WavPath},  {IDC_PROGRAM, &MailboxFields::MsminPath},
};

struct TickField {
  int Id;
  bool MailboxFields::*Tick;
};

const TickField kTickFields[] = {
    {IDC_SPEAKER, &MailboxFields::Speaker},
    {IDC_WAV, &MailboxFields::Wav},
    {IDC_SAME_PROGRAM, &MailboxFields::SameProgram},
};

void EnableSoundControls(HWND page) {
  const bool speaker = Ticked(page, IDC_SPEAKER);
  const bool wav = Ticked(page, IDC_WAV);
  Enable(page, IDC_MELODY, speaker);
  Enable(page, IDC_STEP, speaker);
  Enable(page, IDC_WAV_PATH, wav);
  Enable(page, IDC_CHOOSE_WAV, wav);
}

// Refused as the program chooser refuses the same path.
void DetectProgram(HWND page) {
  std::string program;
  const MailProgramFound found = DetectDefaultMailProgram(program);
  if (found == MailProgramFound::Program) ShowField(page, IDC_PROGRAM, program.c_str());
  if (found == MailProgramFound::Foreign) TellForeignPath(page);
}

void ChooseInto(HWND page, int field, const FileKind& kind, bool quoted) {
  std::string text;
  ReadField(page, field, text, kShortField);
  std::string chosen;
  if (!ChooseFile(page, text.c_str(), kind, chosen)) return;
  if (quoted) chosen = "\"" + chosen + "\"";
  ShowField(page, field, chosen.c_str());
}

}  // namespace

void MailboxPage::SetSpeakerDefaults() {
  const HWND page = Window();
  Mailbox* box = App.Boxes.CurrentBox();
  if (box != nullptr) {
    box->SpeakerLen = kDefaultStepMs;
    box->SpeakerStr = kDefaultMelody;
  }
  ShowField(page, IDC_MELODY, kDefaultMelody);
  ShowNumber(page, IDC_STEP, kDefaultStepMs);
  Tick(page, IDC_SPEAKER, true);
  Tick(page, IDC_WAV, false);
  EnableSoundControls(page);
}

// Plays what the page shows, not what the box holds.
void MailboxPage::TestSound() {
  const HWND page = Window();
  std::string melody, step, wav;
  ReadField(page, IDC_MELODY, melody, kShortField);
  ReadField(page, IDC_STEP, step, kShortField);
  ReadField(page, IDC_WAV_PATH, wav, kShortField);
  StartAlertSound(App.SpeakerSlot.Get(), App.WavSlot.Get(),
                  SoundModeOf(Ticked(page, IDC_SPEAKER), Ticked(page, IDC_WAV)), melody.c_str(), wav.c_str(),
                  ReadUnsigned(step.c_str()));
}

void MailboxPage::Report(int32_t code, platform::TlsFailure tlsFailure) {
  std::string text;
  const char* caption = ConnectionTestReport(code, tlsFailure, App.Prompt.c_str(), text);
  const MailboxList& boxes = App.Boxes;
  if (boxes.CurrentBox() != boxes.BoxById(TestedBox)) NameTestedBox(TestedName.c_str(), text);
  platform::ShowMessageBox(platform::win32::FromHwnd(Window()), text.c_str(), caption,
                           platform::BoxButtons::Ok, platform::BoxIcon::None);
}

// The page may be closed by the time the report comes, and the dialog
// opened again since: a report is shown only for the newest test of the
// page that is open.
void MailboxPage::ConnectionTested(int32_t test, int32_t code, platform::TlsFailure tlsFailure) {
  SettingsDialog* open = SettingsDialog::FindOpen();
  if (open == nullptr) return;
  MailboxPage& page = open->Mailboxes();
  if (test != page.AwaitedTest || page.Window() == nullptr) return;
  Enable(page.Window(), IDC_TEST_CONNECTION, true);
  page.Report(code, tlsFailure);
}

// The same poll as the timers', in a thread of its own: a server that does
// not answer may take minutes to give up, and the dialog stays usable
// meanwhile. The button waits for the poll's report.
void MailboxPage::TestConnection() {
  const HWND page = Window();
  Store();
  const Mailbox* box = App.Boxes.CurrentBox();
  if (box == nullptr) {
    platform::ShowMessageBox(platform::win32::FromHwnd(page), kNoCurrentBox, texts::kCaptionError,
                             platform::BoxButtons::Ok, platform::BoxIcon::None);
    return;
  }
  Enable(page, IDC_TEST_CONNECTION, false);
  TestedBox = box->Id;
  TestedName = box->BoxName;
  AwaitedTest = ++App.Dialogs.LastConnectionTest;
  if (!StartCheck(App, *box, ConnectionTested, AwaitedTest)) {
    Enable(page, IDC_TEST_CONNECTION, true);
    Report(INT32_MIN);
  }
}

INT_PTR MailboxPage::OnCommand(int id, int code, HWND control) {
  const HWND page = Window();
  if (code == EN_CHANGE) {
    RefuseForeignText(control);
    return TRUE;
  }
  if (code != BN_CLICKED) return FALSE;
  switch (id) {
    case IDC_SPEAKER:
    case IDC_WAV:
      EnableSoundControls(page);
      return TRUE;
    case IDC_SOUND_DEFAULTS:
      SetSpeakerDefaults();
      return TRUE;
    case IDC_TEST_SOUND:
      TestSound();
      return TRUE;
    case IDC_TEST_CONNECTION:
      TestConnection();
      return TRUE;
    case IDC_DEFAULT_PROGRAM:
      DetectProgram(page);
      return TRUE;
    case IDC_CHOOSE_PROGRAM:
      ChooseInto(page, IDC_PROGRAM, kProgramFiles, true);
      return TRUE;
    case IDC_CHOOSE_WAV:
      ChooseInto(page, IDC_WAV_PATH, kWaveFiles, false);
      return TRUE;
    case IDOK:
      Frame.PassEnter();
      return TRUE;
    default:
      return FALSE;
  }
}

void MailboxPage::Load() {
  const HWND page = Window();
  const Mailbox* box = App.Boxes.CurrentBox();
  if (box == nullptr) return;
  MailboxFields fields;
  FieldsOf(*box, fields);
  for (const TextField& field : kTextFields) ShowField(page, field.Id, (fields.*field.Text).c_str());
  for (const TickField& field : kTickFields) Tick(page, field.Id, fields.*field.Tick);
  CheckRadioButton(page, IDC_CHECK_YES, IDC_CHECK_NO, fields.CheckBox ? IDC_CHECK_YES : IDC_CHECK_NO);
  CheckRadioButton(page, IDC_RUN_BY_CLICK, IDC_RUN_AUTOMATICALLY,
                   fields.RunAutomatically ? IDC_RUN_AUTOMATICALLY : IDC_RUN_BY_CLICK);
  CheckRadioButton(page, IDC_JUMP_NEW_LETTER, IDC_JUMP_ANY_LETTER,
                   fields.AnyLetter ? IDC_JUMP_ANY_LETTER : IDC_JUMP_NEW_LETTER);
  EnableSoundControls(page);
}

void MailboxPage::Store() {
  const HWND page = Window();
  MailboxFields fields;
  for (const TextField& field : kTextFields) ReadField(page, field.Id, fields.*field.Text);
  for (const TickField& field : kTickFields) fields.*field.Tick = Ticked(page, field.Id);
  fields.CheckBox = Ticked(page, IDC_CHECK_YES);
  fields.RunAutomatically = Ticked(page, IDC_RUN_AUTOMATICALLY);
  fields.AnyLetter = Ticked(page, IDC_JUMP_ANY_LETTER);
  StoreFields(App.Boxes, fields);
}

INT_PTR MailboxPage::OnInit() {
  Frame.AddTooltip(Window(), IDC_PROGRAM, kProgramTip);
  Load();
  return FALSE;
}

INT_PTR MailboxPage::OnMessage(UINT message, WPARAM, LPARAM) {
  if (message != kMsgForeignTextTakenOut) return FALSE;
  TellForeignTextTakenOut(Window());
  return TRUE;
}

void MailboxPage::OnDestroy() { Frame.RemoveTooltip(Window(), IDC_PROGRAM); }

}  // namespace ui
