// "Общие": the version check, the new-mail text, the mail program's window,
// the error reports and the balloon. Read back only on "Сохранить".
#include "app/Application.h"
#include "app/MailboxFields.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"
#include "ui/Controls.h"
#include "ui/Pages.h"

namespace ui {
namespace {

// In the order of RunMsminMode's values.
const char* const kRunModes[] = {"развёрнутой", "стандартного размера", "свёрнутой"};

void Fill(HWND page) {
  const Application& app = *Application::Current();
  Tick(page, IDC_AUTO_VERSION_CHECK, app.DoAutoCheckNewVer != 0);
  Enable(page, IDC_VERSION_PERIOD, app.DoAutoCheckNewVer != 0);
  ShowNumber(page, IDC_VERSION_PERIOD, static_cast<uint32_t>(app.CheckNewVerPeriod));
  ShowField(page, IDC_PROMPT, app.Prompt.c_str());
  for (const char* mode : kRunModes) {
    SendDlgItemMessageW(page, IDC_RUN_MODE, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(platform::win32::Wide(mode).c_str()));
  }
  // A stored mode that names no item leaves the list without a selection.
  SendDlgItemMessageW(page, IDC_RUN_MODE, CB_SETCURSEL, static_cast<WPARAM>(app.RunMsminMode), 0);
  Tick(page, IDC_SEND_ERRORS, app.SendErrors != 0);
  Tick(page, IDC_SHOW_BALLOON, app.ShowBalloon != 0);
}

}  // namespace

void StoreGeneralPage(HWND page) {
  Application& app = *Application::Current();
  app.DoAutoCheckNewVer = Ticked(page, IDC_AUTO_VERSION_CHECK) ? 1 : 0;
  app.SendErrors = Ticked(page, IDC_SEND_ERRORS) ? 1 : 0;
  app.ShowBalloon = Ticked(page, IDC_SHOW_BALLOON) ? 1 : 0;
  std::string period;
  ReadField(page, IDC_VERSION_PERIOD, period);
  app.CheckNewVerPeriod = static_cast<int32_t>(ReadUnsigned(period.c_str()));
  app.RunMsminMode = static_cast<int32_t>(SendDlgItemMessageW(page, IDC_RUN_MODE, CB_GETCURSEL, 0, 0));
  ReadField(page, IDC_PROMPT, app.Prompt);
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    Fill(page);
    return FALSE;
  }
  if (message == kMsgForeignTextTakenOut) {
    TellForeignTextTakenOut(page);
    return TRUE;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
    RefuseForeignText(reinterpret_cast<HWND>(lParam));
    return TRUE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  if (LOWORD(wParam) == IDC_AUTO_VERSION_CHECK) {
    Enable(page, IDC_VERSION_PERIOD, Ticked(page, IDC_AUTO_VERSION_CHECK));
  } else if (LOWORD(wParam) == IDOK) {
    PassEnterToFrame();
  }
  return TRUE;
}

}  // namespace ui
