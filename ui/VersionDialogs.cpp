// "О программе" and the new-version dialog: the program's version, the
// site's, and the ways to the site.
#include <cstdio>

#include "app/Application.h"
#include "app/Site.h"
#include "app/VersionCheck.h"
#include "platform/win32/Handles.h"
#include "resources/resource.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"

namespace ui {
namespace {

void ShowVersion(HWND dialog, int id, float version) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(version));
  ShowField(dialog, id, text);
}

HINSTANCE Instance() { return platform::win32::ToHinstance(Application::Current()->Instance); }

// Both dialogs close once they have sent the user to the site.
void OpenAndClose(HWND dialog, const char* address, WPARAM wParam) {
  platform::ShellOpen(address, nullptr, platform::ShowMode::Normal);
  EndDialog(dialog, static_cast<INT_PTR>(wParam));
}

// The notice of a newer version reads as one sentence of four controls.
const int kNewerNotice[] = {IDC_NEWER_NOTICE, IDC_NEWER_AND, IDC_NEWER_GO, IDC_NEWER_SMILE};

void FillVersions(HWND dialog) {
  const float site = Application::Current()->SiteVersion;
  ShowSmallIcon(dialog);
  ShowVersion(dialog, IDC_OUR_VERSION, kProgramVersion);
  // Otherwise the template's "сайт не доступен, попробуйте позже" stays.
  if (site > 0) ShowVersion(dialog, IDC_SITE_VERSION, site);
  if (!IsNewerVersion(site)) return;
  for (int id : kNewerNotice) ShowWindow(GetDlgItem(dialog, id), SW_SHOW);
}

INT_PTR CALLBACK VersionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    FillVersions(dialog);
    // Opened by a click on the tray icon, it must take the keyboard too.
    SetForegroundWindow(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_NEWER_GO:
      OpenAndClose(dialog, site::kNewVersionPage, wParam);
      return TRUE;
    case IDOK:
    case IDCANCEL:
      EndDialog(dialog, static_cast<INT_PTR>(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

// The open "О программе"; closing it forgets the answer of its check.
HWND g_about = nullptr;

// The answer of the check asked from "О программе", which closes too once
// the user went to the new version. Checking on demand only tells: the
// tray's notice and LastCheckNewVer are the start-up check's.
void ShowCheckedVersion(Application& app) {
  const HWND about = g_about;
  if (about == nullptr) return;
  if (LOWORD(RunVersionDialog(app, about)) == IDC_NEWER_GO && g_about == about)
    EndDialog(about, IDC_ABOUT_CHECK);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_DESTROY) {
    g_about = nullptr;
    Application::Current()->ForgetVersionAnswer();
    return FALSE;
  }
  if (message == WM_INITDIALOG) {
    g_about = dialog;
    ShowVersion(dialog, IDC_ABOUT_VERSION, kProgramVersion);
    ShowField(dialog, IDC_ABOUT_MAIL, site::kAuthorMail);
    ShowField(dialog, IDC_ABOUT_HOME_ADDRESS, site::kHomePage);
    ShowSmallIcon(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_ABOUT_HOME_PAGE:
      OpenAndClose(dialog, site::kHomePage, wParam);
      return TRUE;
    case IDC_ABOUT_OK:
      EndDialog(dialog, static_cast<INT_PTR>(wParam));
      return TRUE;
    case IDC_ABOUT_CHECK:
      Application::Current()->CheckNewVersion(ShowCheckedVersion);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunVersionDialog(Application&, HWND owner) {
  return DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_NEW_VERSION), owner, VersionProc, 0);
}

void RunVersionDialogAlone(Application& app) { RunVersionDialog(app, nullptr); }

void RunAboutDialog(Application&) {
  DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_ABOUT), nullptr, AboutProc, 0);
}

}  // namespace ui
