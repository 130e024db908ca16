// "О программе" and the new-version dialog: the program's version, the
// site's, and the ways to the site.
#include <cstdio>

#include "app/Application.h"
#include "app/Site.h"
#include "app/VersionCheck.h"
#include "resources/resource.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "ui/Dialogs.h"

namespace ui {
namespace {

void ShowVersion(HWND dialog, int id, float version) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(version));
  ShowField(dialog, id, text);
}

// Both dialogs close once they have sent the user to the site.
void OpenAndClose(HWND dialog, const char* address, int id) {
  platform::ShellOpen(address, nullptr, platform::ShowMode::Normal);
  EndDialog(dialog, id);
}

// The notice of a newer version reads as one sentence of four controls.
const int kNewerNotice[] = {IDC_NEWER_NOTICE, IDC_NEWER_AND, IDC_NEWER_GO, IDC_NEWER_SMILE};

class VersionDialog : public Dialog {
 public:
  explicit VersionDialog(Application& app) : Dialog(app) {}
  // The result is the command that closed it (IDC_NEWER_GO when the user
  // went to the new-version page).
  INT_PTR Run(HWND owner) { return RunModal(IDD_NEW_VERSION, owner); }

 private:
  INT_PTR OnInit() override {
    const HWND dialog = Window();
    const float site = App.SiteVersion;
    ShowSmallIcon();
    ShowVersion(dialog, IDC_OUR_VERSION, kProgramVersion);
    // Otherwise the template's "сайт не доступен, попробуйте позже" stays.
    if (site > 0) ShowVersion(dialog, IDC_SITE_VERSION, site);
    if (IsNewerVersion(site)) {
      for (int id : kNewerNotice) ShowWindow(GetDlgItem(dialog, id), SW_SHOW);
    }
    // Opened by a click on the tray icon, it must take the keyboard too.
    SetForegroundWindow(dialog);
    return TRUE;
  }

  INT_PTR OnCommand(int id, int, HWND) override {
    switch (id) {
      case IDC_NEWER_GO:
        OpenAndClose(Window(), site::kNewVersionPage, id);
        return TRUE;
      case IDOK:
      case IDCANCEL:
        EndDialog(Window(), id);
        return TRUE;
      default:
        return FALSE;
    }
  }
};

class AboutDialog : public Dialog {
 public:
  explicit AboutDialog(Application& app) : Dialog(app) {}
  void Run() { RunModal(IDD_ABOUT, nullptr); }

 private:
  // The check's answer comes later, through the application: it finds the
  // dialog that asked by this mark.
  static constexpr wchar_t kKind[] = L"Vestun.About";

  // The answer of the check asked from here, which closes this dialog too
  // once the user went to the new version. Checking on demand only tells:
  // the tray's notice and LastCheckNewVer are the start-up check's.
  static void ShowCheckedVersion(Application& app) {
    const Dialog* about = FindOpen(kKind);
    if (about == nullptr) return;
    const HWND window = about->Window();
    if (LOWORD(RunVersionDialog(app, window)) == IDC_NEWER_GO && FindOpen(kKind) == about)
      EndDialog(window, IDC_ABOUT_CHECK);
  }

  INT_PTR OnInit() override {
    const HWND dialog = Window();
    MarkOpen(kKind);
    ShowVersion(dialog, IDC_ABOUT_VERSION, kProgramVersion);
    ShowField(dialog, IDC_ABOUT_MAIL, site::kAuthorMail);
    ShowField(dialog, IDC_ABOUT_HOME_ADDRESS, site::kHomePage);
    ShowSmallIcon();
    return TRUE;
  }

  INT_PTR OnCommand(int id, int, HWND) override {
    switch (id) {
      case IDC_ABOUT_HOME_PAGE:
        OpenAndClose(Window(), site::kHomePage, id);
        return TRUE;
      case IDC_ABOUT_OK:
        EndDialog(Window(), id);
        return TRUE;
      case IDC_ABOUT_CHECK:
        App.CheckNewVersion(ShowCheckedVersion);
        return TRUE;
      default:
        return FALSE;
    }
  }

  // Closed, it waits for no answer.
  void OnDestroy() override { App.ForgetVersionAnswer(); }
};

}  // namespace

INT_PTR RunVersionDialog(Application& app, HWND owner) { return VersionDialog(app).Run(owner); }

void RunVersionDialogAlone(Application& app) { RunVersionDialog(app, nullptr); }

void RunAboutDialog(Application& app) { AboutDialog(app).Run(); }

}  // namespace ui
