#include "ui/SettingsDialog.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/Application.h"
#include "app/ApplicationSettings.h"
#include "app/MailboxNavigation.h"
#include "common/Texts.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Library.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"
#include "settings/SettingsPage.h"
#include "ui/CommonControls.h"
#include "ui/Controls.h"

namespace ui {
namespace {

constexpr char kReallyDelete[] = "Точно удалить этот ящик?";
constexpr char kBoxBusy[] = "Сейчас ящик проверяется и удалить его пока нельзя.\nПопробуйте позже.";

struct PageKind {
  int Template;
  const char* Tab;
};

// In tab order: a SettingsPage's number is its index here.
const PageKind kPages[kSettingsPageCount] = {
    {IDD_GENERAL_PAGE, "Общие"},
    {IDD_MAILBOX_PAGE, "Ящики"},
    {IDD_COMMANDS_PAGE, "Команды"},
    {IDD_ANTISPAM_PAGE, "Антиспам"},
};
constexpr int kPageCount = kSettingsPageCount;

struct BarButton {
  int Id;
  platform::IconName Icon;
  const char* Tip;
};

const BarButton kBarButtons[] = {
    {IDC_BOX_MOVE_FRONT, platform::IconName::MoveUpButton, "сдвинуть влево (повысить приоритет ящика)"},
    {IDC_BOX_MOVE_BACK, platform::IconName::MoveDownButton, "сдвинуть вправо (понизить приоритет ящика)"},
    {IDC_BOX_FIRST, platform::IconName::FirstButton, "первый"},
    {IDC_BOX_PREVIOUS, platform::IconName::PreviousButton, "предыдущий"},
    {IDC_BOX_NEXT, platform::IconName::NextButton, "следующий"},
    {IDC_BOX_LAST, platform::IconName::LastButton, "последний"},
    {IDC_BOX_ADD, platform::IconName::AddButton, "зарегистрировать еще один ящик"},
    {IDC_BOX_DELETE, platform::IconName::DeleteButton, "удалить данный ящик"},
};

// The mailbox bar: shown on the mailbox page only.
const int kBarControls[] = {IDC_BOX_FIRST, IDC_BOX_PREVIOUS, IDC_BOX_NEXT,       IDC_BOX_LAST,
                            IDC_BOX_ADD,   IDC_BOX_DELETE,   IDC_BOX_MOVE_FRONT, IDC_BOX_MOVE_BACK,
                            IDC_BOX_COUNT, IDC_BOX_OF,       IDC_BOX_LABEL,      IDC_BOX_NUMBER};

// uxtheme is loaded when the first page comes up, from the system folder,
// rather than imported: an imported DLL that is not one of Windows' known
// ones is looked for in the program's own folder first, before the program
// can say otherwise.
struct Themes {
  decltype(&EnableThemeDialogTexture) TabTexture;
};

bool FillThemes(HMODULE module, Themes& themes) {
  return platform::win32::FindEntry(module, "EnableThemeDialogTexture", themes.TabTexture);
}

platform::win32::SystemLibrary<Themes, FillThemes> g_uxtheme(L"uxtheme.dll");

TTTOOLINFOW ToolFor(HWND window, HWND control) {
  TTTOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  return tool;
}

}  // namespace

SettingsDialog::SettingsDialog(Application& app)
    : Dialog(app),
      General(app, *this),
      BoxPage(app, *this),
      Commands(app, *this),
      Antispam(app, *this),
      Pages{&General, &BoxPage, &Commands, &Antispam} {}

void SettingsDialog::Run() { RunModal(IDD_SETTINGS, nullptr); }

SettingsDialog* SettingsDialog::FindOpen() { return static_cast<SettingsDialog*>(Dialog::FindOpen(kKind)); }

// The pages are dialogs of their own inside the tab control, out of reach
// of the dialog's keyboard handling: every key but Escape is offered to them
// first. Escape stays with the dialog, where it means "Отмена". A hook is
// told nothing but the message, so the dialog is found from the key's window.
LRESULT CALLBACK SettingsDialog::PageKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  MSG* message = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && wParam == PM_REMOVE && message->message == WM_KEYDOWN && message->wParam != VK_ESCAPE) {
    Dialog* open = OpenAt(GetAncestor(message->hwnd, GA_ROOT), kKind);
    if (open != nullptr) static_cast<SettingsDialog*>(open)->OfferKeyToPages(*message);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void SettingsDialog::OfferKeyToPages(MSG& message) {
  for (const platform::win32::OwnedHwnd& page : PageWindows) {
    if (!page || !IsDialogMessageW(page.Get(), &message)) continue;
    message.message = WM_NULL;
    message.wParam = 0;
    message.lParam = 0;
    return;
  }
}

void SettingsDialog::UpdateNavigation() {
  const HWND window = Window();
  const MailboxList& boxes = App.Boxes;
  const MailboxNavigation bar = NavigationFor(boxes.Current, boxes.Count());
  Enable(window, IDC_BOX_FIRST, bar.First);
  Enable(window, IDC_BOX_PREVIOUS, bar.First);
  Enable(window, IDC_BOX_MOVE_FRONT, bar.MoveFront);
  Enable(window, IDC_BOX_NEXT, bar.Next);
  Enable(window, IDC_BOX_LAST, bar.Next);
  Enable(window, IDC_BOX_MOVE_BACK, bar.MoveBack);
  Enable(window, IDC_BOX_ADD, bar.Add);
  Enable(window, IDC_BOX_DELETE, bar.Delete);
  SetDlgItemInt(window, IDC_BOX_NUMBER, static_cast<UINT>(bar.Number), TRUE);
  SetDlgItemInt(window, IDC_BOX_COUNT, static_cast<UINT>(bar.Count), TRUE);
}

void SettingsDialog::ShowPage(SettingsPage page, bool initial) {
  const SettingsPage last = PageNumbered(App.LastTabPos);
  if (initial) {
    SendMessageW(Tabs, TCM_SETCURSEL, static_cast<WPARAM>(NumberOf(last)), 0);
  } else {
    // A cell editor floats above its page: it must not outlive the page's turn.
    if (last == SettingsPage::Commands) Commands.TakeOpenCellEdit();
    ShowWindow(PageWindow(last), SW_HIDE);
  }
  ShowWindow(PageWindow(page), SW_SHOW);
  const bool boxes = page == SettingsPage::Mailboxes;
  if (boxes || last == SettingsPage::Mailboxes || initial) {
    for (int id : kBarControls) ShowWindow(GetDlgItem(Window(), id), boxes ? SW_SHOW : SW_HIDE);
    if (boxes) UpdateNavigation();
  }
  if (!initial) App.LastTabPos = NumberOf(page);
}

void SettingsDialog::LockCancel() {
  Enable(Window(), IDCANCEL, false);
  EnableMenuItem(GetSystemMenu(Window(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  Locked = true;
}

HWND SettingsDialog::CreatePage(int index) {
  HWND page = Pages[index]->Create(kPages[index].Template, Tabs);
  if (page == nullptr) return nullptr;
  ShowWindow(page, SW_HIDE);
  // The page wears the tab body's background, not the dialog grey.
  if (const Themes* themes = g_uxtheme.Get()) themes->TabTexture(page, ETDT_ENABLETAB);
  // Below the tab strip, and as far as the tab's body reaches, so that no
  // stripe of another background shows beside the page.
  RECT place = {1, 15, 0, 0};
  MapDialogRect(Window(), &place);
  RECT body = {};
  GetClientRect(Tabs, &body);
  SendMessageW(Tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&body));
  RECT size = {};
  GetWindowRect(page, &size);
  const int width = std::max<int>(body.right - place.left, size.right - size.left);
  const int height = std::max<int>(body.bottom - place.top, size.bottom - size.top);
  SetWindowPos(page, nullptr, place.left, place.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  return page;
}

INT_PTR SettingsDialog::OnInit() {
  const HWND window = Window();
  MarkOpen(kKind);
  Tabs = GetDlgItem(window, IDC_TABS);
  // A page number from the registry that names no page shows the first.
  App.LastTabPos = NumberOf(PageNumbered(App.LastTabPos));
  Hook.Reset(SetWindowsHookExW(WH_GETMESSAGE, PageKeyboardHook, nullptr, GetCurrentThreadId()));
  Tooltip.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                nullptr, nullptr));
  ShowSmallIcon();
  for (const BarButton& button : kBarButtons) AddTooltip(window, button.Id, button.Tip);
  for (const BarButton& button : kBarButtons) {
    PutIcon(window, button.Id, platform::win32::ToHicon(App.ButtonIcon(button.Icon)));
  }
  for (int i = 0; i < kPageCount; ++i) {
    std::wstring tab = platform::win32::Wide(kPages[i].Tab);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = tab.data();
    SendMessageW(Tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  for (int i = 0; i < kPageCount; ++i) PageWindows[i].Reset(CreatePage(i));
  ShowPage(PageNumbered(App.LastTabPos), true);
  return FALSE;  // the focus is left where the system puts it
}

void SettingsDialog::Close(int result) {
  for (const BarButton& button : kBarButtons) RemoveTooltip(Window(), button.Id);
  Tooltip.Reset(nullptr);
  for (platform::win32::OwnedHwnd& page : PageWindows) page.Reset();
  Hook.Reset(nullptr);
  EndDialog(Window(), result);
}

// First, previous, next, last: the page is stored even when the target is
// refused.
void SettingsDialog::GoTo(int32_t index) {
  BoxPage.Store();
  if (!App.Boxes.SetCurrent(index)) return;
  BoxPage.Load();
  UpdateNavigation();
}

void SettingsDialog::AddBox() {
  BoxPage.Store();
  if (!App.Boxes.AddBox()) return;
  BoxPage.Load();
  UpdateNavigation();
  LockCancel();
}

// Unsaved edits of the deleted box go with it: the page is not stored first.
void SettingsDialog::DeleteBox() {
  const platform::Window owner = platform::win32::FromHwnd(Window());
  if (platform::ShowMessageBox(owner, kReallyDelete, texts::kCaptionNotice,
                               platform::BoxButtons::YesNoDefaultNo,
                               platform::BoxIcon::Question) != platform::BoxAnswer::Yes) {
    return;
  }
  if (!App.Boxes.RemoveCurrent()) {
    platform::ShowMessageBox(owner, kBoxBusy, texts::kCaptionError, platform::BoxButtons::Ok,
                             platform::BoxIcon::Warning);
    return;
  }
  UpdateNavigation();
  BoxPage.Load();
  LockCancel();
}

// The page keeps showing the same box; only its number changes.
void SettingsDialog::MoveBox(int32_t step) {
  const int32_t current = App.Boxes.Current;
  if (!App.Boxes.MoveBox(current, current + step)) return;
  UpdateNavigation();
  LockCancel();
}

void SettingsDialog::Save() {
  Commands.TakeOpenCellEdit();
  BoxPage.Store();
  General.Store();
  Commands.Store();
  SaveSettings(App);
  Close(IDOK);
}

INT_PTR SettingsDialog::OnCommand(int id, int, HWND) {
  const MailboxList& boxes = App.Boxes;
  switch (id) {
    case IDC_BOX_FIRST:
      GoTo(0);
      break;
    case IDC_BOX_PREVIOUS:
      GoTo(boxes.Current - 1);
      break;
    case IDC_BOX_NEXT:
      GoTo(boxes.Current + 1);
      break;
    case IDC_BOX_LAST:
      GoTo(boxes.Count() - 1);
      break;
    case IDC_BOX_ADD:
      AddBox();
      break;
    case IDC_BOX_DELETE:
      DeleteBox();
      break;
    case IDC_BOX_MOVE_FRONT:
      MoveBox(-1);
      break;
    case IDC_BOX_MOVE_BACK:
      MoveBox(+1);
      break;
    case IDOK:
      Save();
      break;
    // Escape and the Close command come here too; once the list has changed
    // only "Сохранить" leaves.
    case IDCANCEL:
      if (!Locked) Close(IDCANCEL);
      break;
    default:
      break;
  }
  return TRUE;
}

INT_PTR SettingsDialog::OnNotify(const NMHDR& header) {
  if (header.idFrom == IDC_TABS && header.code == TCN_SELCHANGE) {
    const int index = static_cast<int>(SendMessageW(Tabs, TCM_GETCURSEL, 0, 0));
    if (index >= 0 && index < kPageCount) ShowPage(PageNumbered(index), false);
  }
  return TRUE;
}

void SettingsDialog::AddTooltip(HWND window, int controlId, const char* text) {
  HWND control = GetDlgItem(window, controlId);
  if (control == nullptr) return;
  std::wstring tip = platform::win32::Wide(text);
  TTTOOLINFOW tool = ToolFor(window, control);
  tool.lpszText = tip.data();
  SendMessageW(Tooltip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void SettingsDialog::RemoveTooltip(HWND window, int controlId) {
  HWND control = GetDlgItem(window, controlId);
  if (control == nullptr) return;
  TTTOOLINFOW tool = ToolFor(window, control);
  SendMessageW(Tooltip.Get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// Posted: the key is still being handled inside the page when this runs.
void SettingsDialog::PassEnter() { PostMessageW(Window(), WM_COMMAND, IDOK, 0); }

void RunSettingsDialog(Application& app) {
  if (SettingsDialog* open = SettingsDialog::FindOpen()) {
    SetForegroundWindow(open->Window());
    return;
  }
  if (!RegisterCommonControls(ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES)) return;
  SettingsDialog dialog(app);
  dialog.Run();
}

}  // namespace ui
