// "Общие": the version check, the new-mail text, the mail program's window,
// the error reports and the balloon. Read back only on "Сохранить".
#include "app/Application.h"
#include "app/MailboxFields.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"
#include "ui/Controls.h"
#include "ui/Pages.h"
#include "ui/SettingsDialog.h"

namespace ui {
namespace {

// In the order of RunMsminMode's values.
const char* const kRunModes[] = {"развёрнутой", "стандартного размера", "свёрнутой"};

}  // namespace

INT_PTR GeneralPage::OnInit() {
  const HWND page = Window();
  Tick(page, IDC_AUTO_VERSION_CHECK, App.DoAutoCheckNewVer != 0);
  Enable(page, IDC_VERSION_PERIOD, App.DoAutoCheckNewVer != 0);
  ShowNumber(page, IDC_VERSION_PERIOD, static_cast<uint32_t>(App.CheckNewVerPeriod));
  ShowField(page, IDC_PROMPT, App.Prompt.c_str());
  for (const char* mode : kRunModes) {
    SendDlgItemMessageW(page, IDC_RUN_MODE, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(platform::win32::Wide(mode).c_str()));
  }
  // A stored mode that names no item leaves the list without a selection.
  SendDlgItemMessageW(page, IDC_RUN_MODE, CB_SETCURSEL, static_cast<WPARAM>(App.RunMsminMode), 0);
  Tick(page, IDC_SEND_ERRORS, App.SendErrors != 0);
  Tick(page, IDC_SHOW_BALLOON, App.ShowBalloon != 0);
  return FALSE;
}

void GeneralPage::Store() {
  const HWND page = Window();
  App.DoAutoCheckNewVer = Ticked(page, IDC_AUTO_VERSION_CHECK) ? 1 : 0;
  App.SendErrors = Ticked(page, IDC_SEND_ERRORS) ? 1 : 0;
  App.ShowBalloon = Ticked(page, IDC_SHOW_BALLOON) ? 1 : 0;
  std::string period;
  ReadField(page, IDC_VERSION_PERIOD, period);
  App.CheckNewVerPeriod = static_cast<int32_t>(ReadUnsigned(period.c_str()));
  App.RunMsminMode = static_cast<int32_t>(SendDlgItemMessageW(page, IDC_RUN_MODE, CB_GETCURSEL, 0, 0));
  ReadField(page, IDC_PROMPT, App.Prompt);
}

INT_PTR GeneralPage::OnMessage(UINT message, WPARAM, LPARAM) {
  if (message != kMsgForeignTextTakenOut) return FALSE;
  TellForeignTextTakenOut(Window());
  return TRUE;
}

INT_PTR GeneralPage::OnCommand(int id, int code, HWND control) {
  if (code == EN_CHANGE) {
    RefuseForeignText(control);
    return TRUE;
  }
  if (code != BN_CLICKED) return FALSE;
  if (id == IDC_AUTO_VERSION_CHECK) {
    Enable(Window(), IDC_VERSION_PERIOD, Ticked(Window(), IDC_AUTO_VERSION_CHECK));
  } else if (id == IDOK) {
    Frame.PassEnter();
  }
  return TRUE;
}

}  // namespace ui
