// "Команды": the tray menu's commands in a two-column table, edited in
// place. The table is the page's only state; "Сохранить" turns it into the
// command list, "Отмена" forgets it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <iterator>
#include <string>

#include "app/Application.h"
#include "app/CommandRows.h"
#include "common/Texts.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"
#include "ui/CommonControls.h"
#include "ui/Controls.h"
#include "ui/Pages.h"
#include "ui/SettingsDialog.h"

namespace ui {
namespace {

constexpr char kSelectFirst[] = "Сначала выделите команды";
constexpr int kCaptionColumnWidth = 200;  // pixels at 96 DPI
// A cell's text passes through buffers of this size.
constexpr int kCellBuffer = static_cast<int>(CommandRows::kCellMax) + 1;
constexpr int kEditorMargin = 5;
// Posted to the page by the cell editor: wParam 1 takes the edit, 0 drops it.
constexpr UINT kMsgEndCellEdit = WM_APP + 2;

struct PageButton {
  int Id;
  platform::IconName Icon;
};

const PageButton kButtons[] = {
    {IDC_COMMAND_ADD, platform::IconName::AddButton},
    {IDC_COMMAND_DUPLICATE, platform::IconName::DuplicateButton},
    {IDC_COMMAND_DELETE, platform::IconName::DeleteButton},
    {IDC_COMMAND_UP, platform::IconName::MoveUpButton},
    {IDC_COMMAND_DOWN, platform::IconName::MoveDownButton},
};

// Cells hold only what came from the program or passed the cell editor, so
// every character has its Windows-1251 form.
std::string CellText(HWND list, int row, int column) {
  wchar_t text[kCellBuffer] = L"";
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = kCellBuffer;
  const LRESULT length =
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  std::string narrow;
  platform::win32::Narrow(text, static_cast<size_t>(std::clamp<LRESULT>(length, 0, kCellBuffer - 1)), narrow);
  return narrow;
}

void SetCellText(HWND list, int row, int column, const char* text) {
  std::wstring wide = platform::win32::Wide(text);
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = wide.data();
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int RowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

CommandRows ReadRows(HWND list) {
  CommandRows rows;
  const int count = RowCount(list);
  for (int row = 0; row < count; ++row) {
    const bool selected = SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
    rows.Append(CellText(list, row, 0).c_str(), CellText(list, row, 1).c_str(), selected);
  }
  return rows;
}

void WriteRows(HWND list, const CommandRows& rows) {
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  int row = 0;
  for (const CommandRow& each : rows.Rows) {
    std::wstring caption = platform::win32::Wide(each.Caption.c_str());
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = row;
    item.pszText = caption.data();
    item.stateMask = LVIS_SELECTED;
    item.state = each.Selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SetCellText(list, row++, 1, each.CommandLine.c_str());
  }
}

void AddColumn(HWND list, int index, const char* header, int width) {
  std::wstring text = platform::win32::Wide(header);
  LVCOLUMNW column = {};
  column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = text.data();
  column.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

// The cell under the double click, in screen coordinates, clipped to the
// table.
bool CellRect(HWND list, int row, int column, RECT& cell) {
  cell = {};
  cell.left = LVIR_LABEL;
  if (!SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell)))
    return false;
  if (column == 1) {
    cell.left = cell.right;
    cell.right = cell.left + static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
  }
  RECT client = {};
  GetClientRect(list, &client);
  if (!IntersectRect(&cell, &cell, &client)) return false;
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&cell), 2);
  return true;
}

}  // namespace

INT_PTR CommandsPage::OnInit() {
  const HWND page = Window();
  for (const PageButton& button : kButtons) {
    PutIcon(page, button.Id, platform::win32::ToHicon(App.ButtonIcon(button.Icon)));
  }
  List = GetDlgItem(page, IDC_COMMAND_LIST);
  SendMessageW(List, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  RECT client = {};
  GetClientRect(List, &client);
  const int captionWidth = platform::DisplayPixels(kCaptionColumnWidth);
  AddColumn(List, 0, "Название команды", captionWidth);
  AddColumn(List, 1, "Команда", client.right - captionWidth);
  CommandRows rows;
  rows.LoadFrom(App.UserCommands);
  WriteRows(List, rows);
  return FALSE;
}

// The editor goes first: the warning about characters taken out moves the
// focus, and what runs on that must find no edit open.
void CommandsPage::EndCellEdit(bool take) {
  HWND editor = Editor.Get();
  if (editor == nullptr) return;
  std::string text;
  bool foreign = false;
  if (take && Row >= 0 && Column >= 0 && Row < RowCount(List)) {
    foreign = !RepresentableText(editor, text);
    if (text.size() > CommandRows::kCellMax) text.resize(CommandRows::kCellMax);
    SetCellText(List, Row, Column, text.c_str());
  }
  Row = Column = -1;
  Editor.Reset(nullptr);
  if (foreign) TellForeignTextTakenOut(Window());
}

// The editor is a popup, outside the dialog's keyboard handling: it takes
// Enter and Escape itself, and tells the page after the key is done.
LRESULT CALLBACK CommandsPage::EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR page) {
  const bool enter = wParam == VK_RETURN;
  if (message == WM_KEYDOWN && (enter || wParam == VK_ESCAPE)) {
    PostMessageW(reinterpret_cast<CommandsPage*>(page)->Window(), kMsgEndCellEdit, enter ? 1 : 0, 0);
    return 0;
  }
  if (message == WM_CHAR && (wParam == '\r' || wParam == 27)) return 0;  // no beep
  return LoadCommonControls()->DefaultProc(editor, message, wParam, lParam);
}

void CommandsPage::OpenCellEditor() {
  EndCellEdit(true);
  const DWORD position = GetMessagePos();
  LVHITTESTINFO hit = {};
  hit.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ScreenToClient(List, &hit.pt);
  if (SendMessageW(List, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0) return;
  RECT cell;
  if (!CellRect(List, hit.iItem, hit.iSubItem, cell)) return;
  HWND editor = CreateWindowExW(
      0, L"EDIT", platform::win32::Wide(CellText(List, hit.iItem, hit.iSubItem).c_str()).c_str(),
      WS_POPUP | WS_VISIBLE | ES_AUTOHSCROLL, cell.left + 1, cell.top, cell.right - cell.left - 1,
      cell.bottom - cell.top - 1, List, nullptr, nullptr, nullptr);
  if (editor == nullptr) return;
  Editor.Reset(editor);
  Row = hit.iItem;
  Column = hit.iSubItem;
  HWND frame = GetAncestor(List, GA_ROOT);
  // The page is only ever shown by a dialog that has the controls loaded.
  LoadCommonControls()->Subclass(editor, EditorProc, 1, reinterpret_cast<DWORD_PTR>(this));
  SendMessageW(editor, WM_SETFONT, SendMessageW(frame, WM_GETFONT, 0, 0), FALSE);
  SendMessageW(editor, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(kEditorMargin, 0));
  SendMessageW(editor, EM_LIMITTEXT, CommandRows::kCellMax, 0);
  SendMessageW(editor, EM_SETSEL, 0, -1);
  SetFocus(editor);
  // The popup has the focus; the dialog must not look inactive meanwhile.
  SendMessageW(frame, WM_NCACTIVATE, TRUE, 0);
}

void CommandsPage::ChangeRows(int id) {
  EndCellEdit(true);
  CommandRows rows = ReadRows(List);
  if (id != IDC_COMMAND_ADD && !rows.AnySelected()) {
    platform::ShowUrgentMessageBox(platform::win32::FromHwnd(Window()), kSelectFirst, texts::kCaptionNotice,
                                   platform::BoxButtons::Ok, platform::BoxIcon::Warning);
    return;
  }
  switch (id) {
    case IDC_COMMAND_ADD:
      rows.AddNew();
      break;
    case IDC_COMMAND_DUPLICATE:
      rows.DuplicateSelected();
      break;
    case IDC_COMMAND_DELETE:
      rows.DeleteSelected();
      break;
    case IDC_COMMAND_UP:
      rows.MoveSelectedUp();
      break;
    case IDC_COMMAND_DOWN:
      rows.MoveSelectedDown();
      break;
    default:
      return;
  }
  WriteRows(List, rows);
}

INT_PTR CommandsPage::OnNotify(const NMHDR& header) {
  if (header.idFrom != IDC_COMMAND_LIST) return FALSE;
  if (header.code == NM_DBLCLK) OpenCellEditor();
  if (header.code == NM_SETFOCUS) EndCellEdit(true);
  return TRUE;
}

INT_PTR CommandsPage::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return FALSE;
  if (id == IDOK) {
    Frame.PassEnter();
  } else if (std::find_if(std::begin(kButtons), std::end(kButtons),
                          [id](const PageButton& b) { return b.Id == id; }) != std::end(kButtons)) {
    ChangeRows(id);
  }
  return TRUE;
}

INT_PTR CommandsPage::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != kMsgEndCellEdit) return FALSE;
  EndCellEdit(wParam != 0);
  SetFocus(List);
  return TRUE;
}

void CommandsPage::OnDestroy() {
  Editor.Reset(nullptr);
  List = nullptr;
}

void CommandsPage::Store() { ReadRows(GetDlgItem(Window(), IDC_COMMAND_LIST)).StoreTo(App.UserCommands); }

}  // namespace ui
