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
#include "ui/Pages.h"

namespace ui {
namespace {

constexpr char kReallyDelete[] = "Точно удалить этот ящик?";
constexpr char kBoxBusy[] = "Сейчас ящик проверяется и удалить его пока нельзя.\nПопробуйте позже.";

struct PageKind {
  int Template;
  const char* Tab;
  DLGPROC Procedure;
};

// In tab order: a SettingsPage's number is its index here.
const PageKind kPages[kSettingsPageCount] = {
    {IDD_GENERAL_PAGE, "Общие", GeneralPageProc},
    {IDD_MAILBOX_PAGE, "Ящики", MailboxPageProc},
    {IDD_COMMANDS_PAGE, "Команды", CommandsPageProc},
    {IDD_ANTISPAM_PAGE, "Антиспам", AntispamPageProc},
};
constexpr int kPageCount = kSettingsPageCount;

struct BarButton {
  int Id;
  int Icon;
  const char* Tip;
};

const BarButton kBarButtons[] = {
    {IDC_BOX_MOVE_FRONT, IDI_BUTTON_MOVE_UP, "сдвинуть влево (повысить приоритет ящика)"},
    {IDC_BOX_MOVE_BACK, IDI_BUTTON_MOVE_DOWN, "сдвинуть вправо (понизить приоритет ящика)"},
    {IDC_BOX_FIRST, IDI_BUTTON_FIRST, "первый"},
    {IDC_BOX_PREVIOUS, IDI_BUTTON_PREVIOUS, "предыдущий"},
    {IDC_BOX_NEXT, IDI_BUTTON_NEXT, "следующий"},
    {IDC_BOX_LAST, IDI_BUTTON_LAST, "последний"},
    {IDC_BOX_ADD, IDI_BUTTON_ADD, "зарегистрировать еще один ящик"},
    {IDC_BOX_DELETE, IDI_BUTTON_DELETE, "удалить данный ящик"},
};

// The mailbox bar: shown on the mailbox page only.
const int kBarControls[] = {IDC_BOX_FIRST, IDC_BOX_PREVIOUS, IDC_BOX_NEXT,       IDC_BOX_LAST,
                            IDC_BOX_ADD,   IDC_BOX_DELETE,   IDC_BOX_MOVE_FRONT, IDC_BOX_MOVE_BACK,
                            IDC_BOX_COUNT, IDC_BOX_OF,       IDC_BOX_LABEL,      IDC_BOX_NUMBER};

// The open dialog. It is modal and the program has one main thread, so
// there is at most one.
struct Frame {
  explicit Frame(Application& app) : App(app) {}
  Application& App;
  HWND Window = nullptr;
  HWND Tabs = nullptr;
  platform::win32::OwnedHwnd Pages[kPageCount];
  HWND Page(SettingsPage page) const { return Pages[NumberOf(page)].Get(); }
  platform::win32::OwnedHwnd Tooltip;
  platform::win32::OwnedHook Hook;
  // An added, deleted or moved box cannot be taken back: from then on the
  // dialog is left through "Сохранить" only.
  bool Locked = false;
};

Frame* g_frame = nullptr;

HWND MailboxPage() { return g_frame->Page(SettingsPage::Mailboxes); }

// The pages are dialogs of their own inside the tab control, out of reach
// of the frame's keyboard handling: every key but Escape is offered to them
// first. Escape stays with the frame, where it means "Отмена".
LRESULT CALLBACK PageKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  MSG* message = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && wParam == PM_REMOVE && g_frame != nullptr && message->message == WM_KEYDOWN &&
      message->wParam != VK_ESCAPE) {
    for (const platform::win32::OwnedHwnd& page : g_frame->Pages) {
      if (!page || !IsDialogMessageW(page.Get(), message)) continue;
      message->message = WM_NULL;
      message->wParam = 0;
      message->lParam = 0;
      break;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void UpdateNavigation(Frame& frame) {
  const MailboxList& boxes = frame.App.Boxes;
  const MailboxNavigation bar = NavigationFor(boxes.Current, boxes.Count());
  Enable(frame.Window, IDC_BOX_FIRST, bar.First);
  Enable(frame.Window, IDC_BOX_PREVIOUS, bar.First);
  Enable(frame.Window, IDC_BOX_MOVE_FRONT, bar.MoveFront);
  Enable(frame.Window, IDC_BOX_NEXT, bar.Next);
  Enable(frame.Window, IDC_BOX_LAST, bar.Next);
  Enable(frame.Window, IDC_BOX_MOVE_BACK, bar.MoveBack);
  Enable(frame.Window, IDC_BOX_ADD, bar.Add);
  Enable(frame.Window, IDC_BOX_DELETE, bar.Delete);
  SetDlgItemInt(frame.Window, IDC_BOX_NUMBER, static_cast<UINT>(bar.Number), TRUE);
  SetDlgItemInt(frame.Window, IDC_BOX_COUNT, static_cast<UINT>(bar.Count), TRUE);
}

void ShowPage(Frame& frame, SettingsPage page, bool initial) {
  const SettingsPage last = PageNumbered(frame.App.LastTabPos);
  if (initial) {
    SendMessageW(frame.Tabs, TCM_SETCURSEL, static_cast<WPARAM>(NumberOf(last)), 0);
  } else {
    // A cell editor floats above its page: it must not outlive the page's turn.
    if (last == SettingsPage::Commands) TakeOpenCellEdit();
    ShowWindow(frame.Page(last), SW_HIDE);
  }
  ShowWindow(frame.Page(page), SW_SHOW);
  const bool boxes = page == SettingsPage::Mailboxes;
  if (boxes || last == SettingsPage::Mailboxes || initial) {
    for (int id : kBarControls) ShowWindow(GetDlgItem(frame.Window, id), boxes ? SW_SHOW : SW_HIDE);
    if (boxes) UpdateNavigation(frame);
  }
  if (!initial) frame.App.LastTabPos = NumberOf(page);
}

void LockCancel(Frame& frame) {
  Enable(frame.Window, IDCANCEL, false);
  EnableMenuItem(GetSystemMenu(frame.Window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  frame.Locked = true;
}

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

HWND CreatePage(Frame& frame, int index) {
  const HINSTANCE instance = platform::win32::ToHinstance(frame.App.Instance);
  HWND page = CreateDialogParamW(instance, MAKEINTRESOURCEW(kPages[index].Template), frame.Tabs,
                                 kPages[index].Procedure, 0);
  if (page == nullptr) return nullptr;
  ShowWindow(page, SW_HIDE);
  // The page wears the tab body's background, not the dialog grey.
  if (const Themes* themes = g_uxtheme.Get()) themes->TabTexture(page, ETDT_ENABLETAB);
  // Below the tab strip, and as far as the tab's body reaches, so that no
  // stripe of another background shows beside the page.
  RECT place = {1, 15, 0, 0};
  MapDialogRect(frame.Window, &place);
  RECT body = {};
  GetClientRect(frame.Tabs, &body);
  SendMessageW(frame.Tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&body));
  RECT size = {};
  GetWindowRect(page, &size);
  const int width = std::max<int>(body.right - place.left, size.right - size.left);
  const int height = std::max<int>(body.bottom - place.top, size.bottom - size.top);
  SetWindowPos(page, nullptr, place.left, place.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  return page;
}

void Open(Frame& frame, HWND window) {
  g_frame = &frame;
  frame.Window = window;
  frame.Tabs = GetDlgItem(window, IDC_TABS);
  // A page number from the registry that names no page shows the first.
  frame.App.LastTabPos = NumberOf(PageNumbered(frame.App.LastTabPos));
  frame.Hook.Reset(SetWindowsHookExW(WH_GETMESSAGE, PageKeyboardHook, nullptr, GetCurrentThreadId()));
  frame.Tooltip.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window,
                                      nullptr, nullptr, nullptr));
  SendMessageW(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(platform::win32::ToHicon(frame.App.SmallIcon)));
  for (const BarButton& button : kBarButtons) AddTooltip(window, button.Id, button.Tip);
  for (const BarButton& button : kBarButtons) {
    PutIcon(window, button.Id,
            platform::win32::ToHicon(frame.App.ButtonIcons[button.Icon - IDI_BUTTON_NEXT]));
  }
  for (int i = 0; i < kPageCount; ++i) {
    std::wstring tab = platform::win32::Wide(kPages[i].Tab);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = tab.data();
    SendMessageW(frame.Tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  for (int i = 0; i < kPageCount; ++i) frame.Pages[i].Reset(CreatePage(frame, i));
  ShowPage(frame, PageNumbered(frame.App.LastTabPos), true);
}

void Close(Frame& frame, int result) {
  for (const BarButton& button : kBarButtons) RemoveTooltip(frame.Window, button.Id);
  frame.Tooltip.Reset(nullptr);
  for (platform::win32::OwnedHwnd& page : frame.Pages) page.Reset();
  frame.Hook.Reset(nullptr);
  g_frame = nullptr;
  EndDialog(frame.Window, result);
}

// First, previous, next, last: the page is stored even when the target is
// refused.
void GoTo(Frame& frame, int32_t index) {
  StoreMailboxPage(MailboxPage());
  if (!frame.App.Boxes.SetCurrent(index)) return;
  LoadMailboxPage(MailboxPage());
  UpdateNavigation(frame);
}

void AddBox(Frame& frame) {
  StoreMailboxPage(MailboxPage());
  if (!frame.App.Boxes.AddBox()) return;
  LoadMailboxPage(MailboxPage());
  UpdateNavigation(frame);
  LockCancel(frame);
}

// Unsaved edits of the deleted box go with it: the page is not stored first.
void DeleteBox(Frame& frame) {
  const platform::Window owner = platform::win32::FromHwnd(frame.Window);
  if (platform::ShowMessageBox(owner, kReallyDelete, texts::kCaptionNotice,
                               platform::BoxButtons::YesNoDefaultNo, platform::BoxIcon::Question,
                               false) != platform::BoxAnswer::Yes) {
    return;
  }
  if (!frame.App.Boxes.RemoveCurrent()) {
    platform::ShowMessageBox(owner, kBoxBusy, texts::kCaptionError, platform::BoxButtons::Ok,
                             platform::BoxIcon::Warning, false);
    return;
  }
  UpdateNavigation(frame);
  LoadMailboxPage(MailboxPage());
  LockCancel(frame);
}

// The page keeps showing the same box; only its number changes.
void MoveBox(Frame& frame, int32_t step) {
  const int32_t current = frame.App.Boxes.Current;
  if (!frame.App.Boxes.MoveBox(current, current + step)) return;
  UpdateNavigation(frame);
  LockCancel(frame);
}

void Save(Frame& frame) {
  TakeOpenCellEdit();
  StoreMailboxPage(MailboxPage());
  StoreGeneralPage(frame.Page(SettingsPage::General));
  StoreCommandsPage(frame.Page(SettingsPage::Commands));
  SaveSettings(frame.App);
  Close(frame, IDOK);
}

void OnCommand(Frame& frame, int id) {
  const MailboxList& boxes = frame.App.Boxes;
  switch (id) {
    case IDC_BOX_FIRST:
      return GoTo(frame, 0);
    case IDC_BOX_PREVIOUS:
      return GoTo(frame, boxes.Current - 1);
    case IDC_BOX_NEXT:
      return GoTo(frame, boxes.Current + 1);
    case IDC_BOX_LAST:
      return GoTo(frame, boxes.Count() - 1);
    case IDC_BOX_ADD:
      return AddBox(frame);
    case IDC_BOX_DELETE:
      return DeleteBox(frame);
    case IDC_BOX_MOVE_FRONT:
      return MoveBox(frame, -1);
    case IDC_BOX_MOVE_BACK:
      return MoveBox(frame, +1);
    case IDOK:
      return Save(frame);
    // Escape and the Close command come here too; once the list has changed
    // only "Сохранить" leaves.
    case IDCANCEL:
      if (!frame.Locked) Close(frame, IDCANCEL);
      return;
    default:
      return;
  }
}

INT_PTR CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Open(*reinterpret_cast<Frame*>(lParam), window);
      return FALSE;  // the focus is left where the system puts it
    case WM_COMMAND:
      if (g_frame != nullptr) OnCommand(*g_frame, LOWORD(wParam));
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (g_frame != nullptr && header->idFrom == IDC_TABS && header->code == TCN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(g_frame->Tabs, TCM_GETCURSEL, 0, 0));
        if (index >= 0 && index < kPageCount) ShowPage(*g_frame, PageNumbered(index), false);
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

TTTOOLINFOW ToolFor(HWND window, HWND control) {
  TTTOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  return tool;
}

}  // namespace

void AddTooltip(HWND window, int controlId, const char* text) {
  HWND control = GetDlgItem(window, controlId);
  if (g_frame == nullptr || control == nullptr) return;
  std::wstring tip = platform::win32::Wide(text);
  TTTOOLINFOW tool = ToolFor(window, control);
  tool.lpszText = tip.data();
  SendMessageW(g_frame->Tooltip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void RemoveTooltip(HWND window, int controlId) {
  HWND control = GetDlgItem(window, controlId);
  if (g_frame == nullptr || control == nullptr) return;
  TTTOOLINFOW tool = ToolFor(window, control);
  SendMessageW(g_frame->Tooltip.Get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// Posted: the key is still being handled inside the page when this runs.
void PassEnterToFrame() {
  if (g_frame != nullptr) PostMessageW(g_frame->Window, WM_COMMAND, IDOK, 0);
}

void RunSettingsDialog(Application& app) {
  if (g_frame != nullptr) {
    SetForegroundWindow(g_frame->Window);
    return;
  }
  if (!RegisterCommonControls(ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES)) return;
  Frame frame(app);
  DialogBoxParamW(platform::win32::ToHinstance(app.Instance), MAKEINTRESOURCEW(IDD_SETTINGS), nullptr,
                  FrameProc, reinterpret_cast<LPARAM>(&frame));
  g_frame = nullptr;
}

}  // namespace ui
