// The end-to-end tests' hands and eyes inside Wine: a console program that
// looks at the windows, message boxes, tray icon and registry of the running
// vestun.exe and presses its buttons and menu keys the way a user would.
//
// It prints UTF-8 on stdout, one "key=value" per line (list-windows: one
// tab-separated line per window) and exits with 0 on success, 1 when what
// was asked for did not happen, 2 on bad usage. Every wait has a timeout.
//
// Texts of our windows are Windows-1251 in the program and reach Windows as
// UTF-16; window texts and registry strings are read here as UTF-16, so what
// is seen does not depend on the ANSI code page of the run.
//
// Keep this file ASCII: the build compiles narrow literals as Windows-1251.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- output

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
  return s;
}

// Control characters would break the one-line-per-value output.
std::wstring Escape(const std::wstring& w) {
  std::wstring r;
  for (wchar_t c : w) {
    if (c == L'\r') r += L"\\r";
    else if (c == L'\n') r += L"\\n";
    else if (c == L'\t') r += L"\\t";
    else if (c == L'\\') r += L"\\\\";
    else r += c;
  }
  return r;
}

void Out(const std::string& s) {
  DWORD written = 0;
  HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  std::string line = s + "\n";
  if (!WriteFile(h, line.data(), (DWORD)line.size(), &written, nullptr)) fputs(line.c_str(), stdout);
}

void Kv(const char* key, const std::wstring& value) { Out(std::string(key) + "=" + Utf8(Escape(value))); }
void Kv(const char* key, const std::string& value) { Out(std::string(key) + "=" + value); }
void Kv(const char* key, long long value) { Out(std::string(key) + "=" + std::to_string(value)); }

void Err(const std::string& s) {
  std::string line = "driver: " + s + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), (DWORD)line.size(), &written, nullptr);
}

std::string Hex(unsigned long long v) {
  char buf[32];
  snprintf(buf, sizeof buf, "0x%llx", v);
  return buf;
}

// ---------------------------------------------------------------- arguments

struct Args {
  std::vector<std::wstring> items;

  bool Has(const wchar_t* name) const {
    for (auto& a : items) if (a == name) return true;
    return false;
  }
  const std::wstring* Get(const wchar_t* name) const {
    for (size_t i = 0; i + 1 < items.size(); ++i)
      if (items[i] == name) return &items[i + 1];
    return nullptr;
  }
  std::wstring Str(const wchar_t* name, const wchar_t* def = L"") const {
    auto v = Get(name);
    return v ? *v : def;
  }
  long long Num(const wchar_t* name, long long def) const {
    auto v = Get(name);
    return v ? wcstoll(v->c_str(), nullptr, 0) : def;
  }
};

// ---------------------------------------------------------------- windows

std::wstring WindowText(HWND h) {
  // WM_GETTEXT with a timeout, so a hung program cannot hang us.
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return {};
  std::wstring buf(len + 2, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), (LPARAM)&buf[0], SMTO_ABORTIFHUNG, 2000, &got)) return {};
  buf.resize(wcslen(buf.c_str()));
  return buf;
}

// The system's own copy of the title, for finding windows: asking the
// program (WM_GETTEXT) fails while it is busy, and a window whose program
// did not answer must not count as gone or missing.
std::wstring TitleOf(HWND h) {
  wchar_t buf[512] = {};
  InternalGetWindowText(h, buf, 512);
  return buf;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return buf;
}

DWORD PidOf(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return pid;
}

std::wstring RectText(HWND h) {
  RECT r = {};
  GetWindowRect(h, &r);
  wchar_t buf[96];
  swprintf(buf, 96, L"%ld,%ld,%ld,%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return buf;  // left,top,width,height
}

std::vector<HWND> TopWindows() {
  std::vector<HWND> list;
  EnumWindows([](HWND h, LPARAM p) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
  }, (LPARAM)&list);
  return list;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> list;
  EnumChildWindows(parent, [](HWND h, LPARAM p) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
  }, (LPARAM)&list);
  return list;
}

struct Filter {
  std::wstring cls, title;
  bool has_title = false, visible_only = false, foreground_only = false;
  DWORD pid = 0;

  explicit Filter(const Args& a) {
    cls = a.Str(L"--class");
    if (auto t = a.Get(L"--title")) { title = *t; has_title = true; }
    visible_only = a.Has(L"--visible");
    foreground_only = a.Has(L"--foreground");
    pid = (DWORD)a.Num(L"--pid", 0);
  }
  bool Match(HWND h) const {
    if (!cls.empty() && ClassOf(h) != cls) return false;
    if (has_title && TitleOf(h) != title) return false;
    if (visible_only && !IsWindowVisible(h)) return false;
    // The window, or a popup it owns, takes the keyboard.
    if (foreground_only && GetAncestor(GetForegroundWindow(), GA_ROOTOWNER) != h) return false;
    if (pid && PidOf(h) != pid) return false;
    return true;
  }
};

std::vector<HWND> Matching(const Filter& f) {
  std::vector<HWND> out;
  for (HWND h : TopWindows()) if (f.Match(h)) out.push_back(h);
  return out;
}

void PrintWindow(HWND h) {
  Kv("hwnd", Hex((ULONG_PTR)h));
  Kv("pid", (long long)PidOf(h));
  Kv("class", ClassOf(h));
  Kv("title", WindowText(h));
  Kv("visible", IsWindowVisible(h) ? 1 : 0);
  Kv("rect", RectText(h));
  Kv("owner", Hex((ULONG_PTR)GetWindow(h, GW_OWNER)));
  // The least size the system gives a window with a frame, whatever it asked for.
  Kv("min_track", std::to_string(GetSystemMetrics(SM_CXMINTRACK)) + "," +
                      std::to_string(GetSystemMetrics(SM_CYMINTRACK)));
}

HWND ParseHwnd(const std::wstring& s) { return (HWND)(ULONG_PTR)wcstoull(s.c_str(), nullptr, 0); }

// Polls until pred() is true or the timeout runs out.
template <class F> bool WaitFor(long long timeout_ms, F pred) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if ((long long)(GetTickCount() - start) >= timeout_ms) return false;
    Sleep(100);
  }
}

// ---------------------------------------------------------------- message boxes

// IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION (the headers spell
// them as narrow strings).
struct IconKind { const wchar_t* name; LPCWSTR id; };
const IconKind kIcons[] = {
  {L"warning", MAKEINTRESOURCEW(32515)}, {L"error", MAKEINTRESOURCEW(32513)},
  {L"information", MAKEINTRESOURCEW(32516)}, {L"question", MAKEINTRESOURCEW(32514)},
};

// A copy of a part of the screen, in a 32-bit DIB of ours we can also draw on.
struct ScreenCopy {
  int w, h;
  HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  DWORD* bits = nullptr;

  ScreenCopy(int width, int height) : w(width), h(height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, (void**)&bits, nullptr, 0);
    old = SelectObject(mem, bmp);
  }
  ~ScreenCopy() {
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
  }
  void Grab(int x, int y) {
    BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY);
    GdiFlush();
  }
};

// The icon handle belongs to the other process, so we cannot read its bits.
// Instead we copy what is on the screen under the icon control and compare it
// with the stock icons drawn by us on the same background.
std::wstring IconKindOf(HWND icon_ctl, double* best_diff) {
  RECT r;
  GetWindowRect(icon_ctl, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  *best_diff = -1;
  if (w <= 0 || h <= 0 || w > 256 || h > 256) return L"unknown";

  ScreenCopy copy(w, h);
  copy.Grab(r.left, r.top);
  std::vector<DWORD> shot(copy.bits, copy.bits + w * h);
  DWORD bg = shot[0];

  std::wstring best = L"unknown";
  double best_score = 1e9;
  for (auto& k : kIcons) {
    HICON ic = LoadIconW(nullptr, k.id);
    if (!ic) continue;
    HBRUSH brush = CreateSolidBrush(RGB((bg >> 16) & 0xff, (bg >> 8) & 0xff, bg & 0xff));
    RECT all = {0, 0, w, h};
    FillRect(copy.mem, &all, brush);
    DeleteObject(brush);
    // The control centres an icon of its own size; draw ours the same way.
    int iw = GetSystemMetrics(SM_CXICON), ih = GetSystemMetrics(SM_CYICON);
    DrawIconEx(copy.mem, (w - iw) / 2, (h - ih) / 2, ic, iw, ih, 0, nullptr, DI_NORMAL);
    GdiFlush();
    const DWORD* ref = copy.bits;
    double sum = 0;
    for (int i = 0; i < w * h; ++i)
      for (int sh = 0; sh <= 16; sh += 8)
        sum += std::abs((int)((shot[i] >> sh) & 0xff) - (int)((ref[i] >> sh) & 0xff));
    double score = sum / (w * h * 3.0);
    if (score < best_score) { best_score = score; best = k.name; }
  }
  *best_diff = best_score;
  return best_score < 8.0 ? best : L"unknown";
}

HWND FindDialog(const Args& a) {
  Filter f(a);
  f.cls = L"#32770";
  f.visible_only = true;
  auto caption = a.Get(L"--caption");
  for (HWND h : Matching(f))
    if (!caption || TitleOf(h) == *caption) return h;
  return nullptr;
}

int DescribeDialog(HWND dlg) {
  Kv("hwnd", Hex((ULONG_PTR)dlg));
  Kv("pid", (long long)PidOf(dlg));
  Kv("caption", WindowText(dlg));
  Kv("rect", RectText(dlg));
  Kv("topmost", (GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
  std::wstring icon = L"absent";
  std::wstring text;
  for (HWND c : Children(dlg)) {
    if (!IsWindowVisible(c)) continue;
    std::wstring cls = ClassOf(c);
    LONG style = GetWindowLongW(c, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Static") == 0) {
      if ((style & SS_TYPEMASK) == SS_ICON) {
        DWORD_PTR hicon = 0;
        SendMessageTimeoutW(c, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &hicon);
        if (hicon) {
          // A box that has just appeared may not be painted yet: look again.
          double diff = -1;
          for (int tries = 0; tries < 10; ++tries) {
            icon = IconKindOf(c, &diff);
            if (icon != L"unknown") break;
            Sleep(200);
          }
          char buf[32];
          snprintf(buf, sizeof buf, "%.2f", diff);
          Kv("icon_diff", std::string(buf));
        }
      } else {
        std::wstring t = WindowText(c);
        if (!t.empty()) text += (text.empty() ? L"" : L"\n") + t;
      }
    } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
      Out("button=" + Utf8(Escape(WindowText(c))) + "\tid=" + std::to_string(GetDlgCtrlID(c)));
      if ((style & 0x0f) == BS_DEFPUSHBUTTON) Kv("default_button", (long long)GetDlgCtrlID(c));
    }
  }
  Kv("text", text);
  Kv("icon", icon);
  return 0;
}

std::wstring StripAmpersands(const std::wstring& s) {
  std::wstring r;
  for (wchar_t c : s) if (c != L'&') r += c;
  return r;
}

// ---------------------------------------------------------------- registry

bool OpenKey(const std::wstring& path, REGSAM access, HKEY* out) {
  std::wstring p = path;
  HKEY root = HKEY_CURRENT_USER;
  for (const wchar_t* prefix : {L"HKEY_CURRENT_USER\\", L"HKCU\\"})
    if (p.compare(0, wcslen(prefix), prefix) == 0) p = p.substr(wcslen(prefix));
  return RegOpenKeyExW(root, p.c_str(), 0, access, out) == ERROR_SUCCESS;
}

std::string HexBytes(const BYTE* p, DWORD n) {
  std::string s;
  char b[4];
  for (DWORD i = 0; i < n; ++i) { snprintf(b, sizeof b, "%02x", p[i]); s += b; }
  return s;
}

const char* TypeName(DWORD t) {
  switch (t) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_QWORD: return "REG_QWORD";
    case REG_NONE: return "REG_NONE";
    default: return "REG_OTHER";
  }
}

void PrintValue(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  Kv("type", std::string(TypeName(type)));
  Kv("size", (long long)size);
  switch (type) {
    case REG_SZ: case REG_EXPAND_SZ: {
      std::wstring text((const wchar_t*)data.data(), size / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();  // drop the terminator(s)
      Kv("value", text);
      break;
    }
    case REG_MULTI_SZ: {
      std::wstring all((const wchar_t*)data.data(), size / sizeof(wchar_t));
      for (auto& c : all) if (c == L'\0') c = L'|';
      while (!all.empty() && all.back() == L'|') all.pop_back();
      Kv("value", all);
      break;
    }
    case REG_DWORD:
      Kv("value", size >= 4 ? (long long)*(const DWORD*)data.data() : -1);
      break;
    default:
      break;
  }
  Kv("hex", HexBytes(data.data(), size));
}

// ---------------------------------------------------------------- processes

std::vector<std::pair<DWORD, std::wstring>> Processes() {
  std::vector<std::pair<DWORD, std::wstring>> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W pe = {};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
    out.emplace_back(pe.th32ProcessID, pe.szExeFile);
  CloseHandle(snap);
  return out;
}

int CountProcesses(const std::wstring& name) {
  int n = 0;
  for (auto& p : Processes()) if (_wcsicmp(p.second.c_str(), name.c_str()) == 0) ++n;
  return n;
}

// ---------------------------------------------------------------- commands

int Usage() {
  Err("usage: driver [--desktop NAME] COMMAND [options]\n"
      "  list-windows\n"
      "  find-window  --class C [--title T] [--pid P] [--visible] [--foreground]\n"
      "  wait-window  --class C [--title T] [--pid P] [--visible] [--foreground] --timeout MS\n"
      "  wait-no-window --class C [--title T] [--pid P] --timeout MS\n"
      "  wait-idle    --class C [--title T] [--pid P] --timeout MS\n"
      "  window-count --class C [--title T] [--pid P] [--visible]\n"
      "  watch-window --class C [--title T] --for MS [--every MS]\n"
      "  message-box  [--caption T] [--pid P] --wait MS\n"
      "  press        (--window HWND | --caption T) (--button TEXT | --id N) [--wait MS]\n"
      "  text         --hwnd H\n"
      "  reg-query    --key K --value V\n"
      "  process-count --name vestun.exe\n"
      "  wait-process-count --name vestun.exe --count N --timeout MS\n"
      "  tray-pixels  [--count N] [--every MS]\n"
      "  tray-forget  --class C\n"
      "  broadcast    --name MESSAGE\n"
      "  menu-keys    --keys VK,VK,... [--wait MS]\n"
      "  metrics\n"
      "  controls     --title T [--wait MS]\n"
      "  set-texts    --title T ID TEXT [ID TEXT]...\n"
      "  items        --title T --id N  (tab control or list view)\n"
      "  close-window --class C [--title T] [--pid P]\n"
      "  post         --class C --message N [--wparam W] [--lparam L]\n"
      "  run          --command LINE [--timeout MS]  (on the desktop; prints its exit code)\n"
      "  balloon-text [--none] --timeout MS  (the taskbar's notification balloon)");
  return 2;
}

int CmdListWindows(const Args&) {
  for (HWND h : TopWindows()) {
    Out(Hex((ULONG_PTR)h) + "\t" + std::to_string(PidOf(h)) + "\t" +
        (IsWindowVisible(h) ? "1" : "0") + "\t" + Utf8(RectText(h)) + "\t" +
        Utf8(Escape(ClassOf(h))) + "\t" + Utf8(Escape(WindowText(h))));
  }
  return 0;
}

int CmdFindWindow(const Args& a, bool wait) {
  Filter f(a);
  std::vector<HWND> found;
  long long timeout = wait ? a.Num(L"--timeout", 10000) : 0;
  WaitFor(timeout, [&] { found = Matching(f); return !found.empty(); });
  if (found.empty()) { Err("no such window"); return 1; }
  Kv("count", (long long)found.size());
  PrintWindow(found[0]);
  return 0;
}

int CmdWaitNoWindow(const Args& a) {
  Filter f(a);
  if (WaitFor(a.Num(L"--timeout", 10000), [&] { return Matching(f).empty(); })) return 0;
  Err("the window is still there");
  return 1;
}

// Waits until the thread of the window takes messages: a message sent from
// another process is handled only once that thread asks for messages, which
// a program does after its start-up, in its message loop or a modal box.
int CmdWaitIdle(const Args& a) {
  Filter f(a);
  long long timeout = a.Num(L"--timeout", 10000);
  DWORD start = GetTickCount();
  std::vector<HWND> found;
  if (!WaitFor(timeout, [&] { found = Matching(f); return !found.empty(); })) {
    Err("no such window");
    return 1;
  }
  long long left = timeout - (long long)(GetTickCount() - start);
  DWORD_PTR r = 0;
  if (left < 1 || !SendMessageTimeoutW(found[0], WM_NULL, 0, 0, SMTO_NORMAL, (UINT)left, &r)) {
    Err("the window takes no messages");
    return 1;
  }
  Kv("idle_after_ms", (long long)(GetTickCount() - start));
  return 0;
}

int CmdWindowCount(const Args& a) {
  Kv("count", (long long)Matching(Filter(a)).size());
  return 0;
}

// Samples the first matching window over a while: one line per sample.
// Fails if the window was missing at any sample.
int CmdWatchWindow(const Args& a) {
  Filter f(a);
  long long total = a.Num(L"--for", 2000), every = a.Num(L"--every", 250);
  DWORD start = GetTickCount();
  int samples = 0, missing = 0, shown = 0;
  do {
    auto found = Matching(f);
    ++samples;
    if (found.empty()) {
      ++missing;
      Out("sample=missing");
    } else {
      bool vis = IsWindowVisible(found[0]);
      shown += vis;
      Out("sample=" + Hex((ULONG_PTR)found[0]) + "\tvisible=" + (vis ? "1" : "0") +
          "\trect=" + Utf8(RectText(found[0])) + "\ttitle=" + Utf8(Escape(WindowText(found[0]))));
    }
    Sleep((DWORD)every);
  } while ((long long)(GetTickCount() - start) < total);
  Kv("samples", (long long)samples);
  Kv("missing", (long long)missing);
  Kv("visible_samples", (long long)shown);
  return missing ? 1 : 0;
}

int CmdMessageBox(const Args& a) {
  HWND dlg = nullptr;
  WaitFor(a.Num(L"--wait", 5000), [&] { return (dlg = FindDialog(a)) != nullptr; });
  if (!dlg) { Err("no message box"); return 1; }
  Sleep(300);  // let it finish painting before we read its icon
  return DescribeDialog(dlg);
}

int CmdPress(const Args& a) {
  HWND dlg = nullptr;
  long long wait = a.Num(L"--wait", 5000);
  if (auto w = a.Get(L"--window")) dlg = ParseHwnd(*w);
  else WaitFor(wait, [&] { return (dlg = FindDialog(a)) != nullptr; });
  if (!dlg || !IsWindow(dlg)) { Err("no such window"); return 1; }

  HWND button = nullptr;
  auto text = a.Get(L"--button");
  long long id = a.Num(L"--id", -1);
  for (HWND c : Children(dlg)) {
    if (_wcsicmp(ClassOf(c).c_str(), L"Button") != 0) continue;
    if (text && _wcsicmp(StripAmpersands(WindowText(c)).c_str(), StripAmpersands(*text).c_str()) != 0) continue;
    if (id >= 0 && GetDlgCtrlID(c) != id) continue;
    button = c;
    break;
  }
  if (!button) { Err("no such button"); return 1; }
  Kv("pressed", WindowText(button));
  Kv("id", (long long)GetDlgCtrlID(button));

  // A click as the button itself would make it; if the box does not go away,
  // send the command the click would have sent.
  DWORD_PTR r;
  SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
  if (WaitFor(1500, [&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); })) return 0;
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), (LPARAM)button);
  if (WaitFor(wait, [&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); })) {
    Kv("fallback", std::string("WM_COMMAND"));
    return 0;
  }
  Err("the window did not close");
  return 1;
}

int CmdText(const Args& a) {
  HWND h = ParseHwnd(a.Str(L"--hwnd"));
  if (!IsWindow(h)) { Err("no such window"); return 1; }
  PrintWindow(h);
  for (HWND c : Children(h))
    Out("control=" + std::to_string(GetDlgCtrlID(c)) + "\tclass=" + Utf8(Escape(ClassOf(c))) +
        "\tvisible=" + (IsWindowVisible(c) ? "1" : "0") + "\ttext=" + Utf8(Escape(WindowText(c))));
  return 0;
}

int CmdRegQuery(const Args& a) {
  HKEY key;
  if (!OpenKey(a.Str(L"--key"), KEY_READ, &key)) { Err("no such key"); return 1; }
  // Wide: the ANSI code page need not be 1251, and the program stores its
  // texts in UTF-16 as Windows keeps them.
  std::wstring name = a.Str(L"--value");
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data(size + 2);
  if (rc == ERROR_SUCCESS) rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) { Err("no such value"); return 1; }
  PrintValue(type, data, size);
  return 0;
}

int CmdProcessCount(const Args& a) {
  Kv("count", (long long)CountProcesses(a.Str(L"--name")));
  return 0;
}

int CmdWaitProcessCount(const Args& a) {
  std::wstring name = a.Str(L"--name");
  long long want = a.Num(L"--count", 0);
  int n = 0;
  bool ok = WaitFor(a.Num(L"--timeout", 10000), [&] { return (n = CountProcesses(name)) == want; });
  Kv("count", (long long)n);
  return ok ? 0 : 1;
}

// ---------------------------------------------------------------- tray and menus

HWND TrayWindow() { return FindWindowW(L"Shell_TrayWnd", nullptr); }

// Samples the screen under the right end of the taskbar, where the
// notification area's icons sit (the first one rightmost): one line of
// RRGGBB hex per sample, row by row, after the rectangle it covers.
int CmdTrayPixels(const Args& a) {
  RECT r;
  // Explorer may show the program's window a moment before its taskbar.
  if (!WaitFor(10000, [&] { return GetWindowRect(TrayWindow(), &r) != FALSE; })) {
    Err("no taskbar");
    return 1;
  }
  ScreenCopy copy(64, r.bottom - r.top);
  Kv("rect", std::to_string(r.right - copy.w) + "," + std::to_string(r.top) + "," + std::to_string(copy.w) +
                 "," + std::to_string(copy.h));
  DWORD start = GetTickCount();
  for (long long i = 0, count = a.Num(L"--count", 1); i < count; ++i) {
    if (i) Sleep((DWORD)a.Num(L"--every", 100));
    copy.Grab(r.right - copy.w, r.top);
    std::string line = "sample=" + std::to_string(GetTickCount() - start) + ":";
    char px[8];
    for (int p = 0; p < copy.w * copy.h; ++p) {
      snprintf(px, sizeof px, "%06lx", copy.bits[p] & 0xffffffUL);
      line += px;
    }
    Out(line);
  }
  return 0;
}

// What a new taskbar does not know: the icons of the old one. Removes the
// icon (id 0) of the first window of a class, as a re-created taskbar lacks it.
int CmdTrayForget(const Args& a) {
  auto found = Matching(Filter(a));
  if (found.empty()) {
    Err("no such window");
    return 1;
  }
  NOTIFYICONDATAW nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = found[0];
  return Shell_NotifyIconW(NIM_DELETE, &nid) ? 0 : 1;
}

// Sends a registered message to every top-level window, as the shell does
// with "TaskbarCreated"; returns when all have handled it.
int CmdBroadcast(const Args& a) {
  UINT msg = RegisterWindowMessageW(a.Str(L"--name").c_str());
  DWORD_PTR r;
  if (!msg || !SendMessageTimeoutW(HWND_BROADCAST, msg, 0, 0, SMTO_ABORTIFHUNG, 10000, &r)) {
    Err("broadcast failed");
    return 1;
  }
  return 0;
}

// Keys for the open popup menu (class #32768): it takes them only as posted
// key messages, not from the X keyboard.
int CmdMenuKeys(const Args& a) {
  Filter f(a);
  f.cls = L"#32768";
  f.visible_only = true;
  std::vector<HWND> found;
  if (!WaitFor(a.Num(L"--wait", 5000), [&] { return !(found = Matching(f)).empty(); })) {
    Err("no menu is open");
    return 1;
  }
  std::wstring keys = a.Str(L"--keys");
  for (wchar_t* p = &keys[0]; *p;) {
    wchar_t* end;
    unsigned long vk = wcstoul(p, &end, 0);
    if (end == p) {
      Err("bad key list");
      return 2;
    }
    PostMessageW(found[0], WM_KEYDOWN, vk, 1);
    Sleep(150);
    p = *end ? end + 1 : end;
  }
  return 0;
}

// The system's small-icon size, and the centre of the first (rightmost)
// tray icon: the taskbar gives each icon a cell of the small-icon size and a
// border of 2 px around it. Then the work area, as left,top,right,bottom.
int CmdMetrics(const Args&) {
  int small = GetSystemMetrics(SM_CXSMICON);
  Kv("small_icon", (long long)small);
  RECT r;
  // Explorer may show the program's window a moment before its taskbar.
  if (!WaitFor(10000, [&] { return GetWindowRect(TrayWindow(), &r) != FALSE; })) {
    Err("no taskbar");
    return 1;
  }
  Kv("first_icon", std::to_string(r.right - (small + 4) / 2) + "," + std::to_string((r.top + r.bottom) / 2));
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  Kv("work_area", std::to_string(work.left) + "," + std::to_string(work.top) + "," +
                      std::to_string(work.right) + "," + std::to_string(work.bottom));
  return 0;
}

// ---------------------------------------------------------------- dialog controls

// The first visible top-level window with that title (any class).
HWND FindTitled(const Args& a) {
  std::wstring title = a.Str(L"--title");
  HWND found = nullptr;
  WaitFor(a.Num(L"--wait", 5000), [&] {
    for (HWND h : TopWindows())
      if (IsWindowVisible(h) && TitleOf(h) == title) return (found = h) != nullptr;
    return false;
  });
  return found;
}

// A window's controls at any depth (pages are dialogs inside the tab
// control), the visible ones first: ids repeat from page to page.
std::vector<HWND> Controls(HWND top) {
  std::vector<HWND> all = Children(top), out;
  for (int pass = 1; pass >= 0; --pass)
    for (HWND c : all)
      if (!!IsWindowVisible(c) == !!pass) out.push_back(c);
  return out;
}

LRESULT Send(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0) {
  DWORD_PTR r = 0;
  SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, 2000, &r);
  return (LRESULT)r;
}

std::string Centre(HWND h, RECT r) {
  MapWindowPoints(h, nullptr, (POINT*)&r, 2);
  return std::to_string((r.left + r.right) / 2) + "," + std::to_string((r.top + r.bottom) / 2);
}

// What a control holds beyond its text: the check of a button, the selected
// item of a drop-down list or tab control, the rows of a list view.
long long StateOf(HWND c, const std::wstring& cls) {
  if (_wcsicmp(cls.c_str(), L"Button") == 0) return Send(c, BM_GETCHECK);
  if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) return Send(c, CB_GETCURSEL);
  if (cls == WC_TABCONTROLW) return Send(c, TCM_GETCURSEL);
  if (cls == WC_LISTVIEWW) return Send(c, LVM_GETITEMCOUNT);
  return -1;
}

// One line per control: id, class, visible, enabled, state, centre on the
// screen, text.
int CmdControls(const Args& a) {
  HWND top = FindTitled(a);
  if (!top) {
    Err("no such window");
    return 1;
  }
  for (HWND c : Controls(top)) {
    std::wstring cls = ClassOf(c);
    RECT r = {};
    GetClientRect(c, &r);
    Out(std::to_string(GetDlgCtrlID(c)) + "\t" + Utf8(cls) + "\t" + (IsWindowVisible(c) ? "1" : "0") + "\t" +
        (IsWindowEnabled(c) ? "1" : "0") + "\t" + std::to_string(StateOf(c, cls)) + "\t" + Centre(c, r) +
        "\t" + Utf8(Escape(WindowText(c))));
  }
  return 0;
}

HWND ControlById(HWND top, long long id) {
  for (HWND c : Controls(top))
    if (GetDlgCtrlID(c) == id) return c;
  return nullptr;
}

// Sets the texts of edit fields: --title T ID TEXT [ID TEXT]...
int CmdSetTexts(const Args& a) {
  HWND top = FindTitled(a);
  if (!top) {
    Err("no such window");
    return 1;
  }
  size_t i = 1;
  while (i < a.items.size() && a.items[i].compare(0, 2, L"--") == 0) i += 2;
  for (; i + 1 < a.items.size(); i += 2) {
    HWND c = ControlById(top, wcstoll(a.items[i].c_str(), nullptr, 0));
    DWORD_PTR r = 0;
    if (!c ||
        !SendMessageTimeoutW(c, WM_SETTEXT, 0, (LPARAM)a.items[i + 1].c_str(), SMTO_ABORTIFHUNG, 2000, &r)) {
      Err("cannot set the text of " + Utf8(a.items[i]));
      return 1;
    }
  }
  return 0;
}

// Memory in the program's process, for the messages of common controls
// that pass pointers.
struct Remote {
  HANDLE proc;
  char* base = nullptr;
  explicit Remote(HWND h)
      : proc(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, PidOf(h))) {
    if (proc) base = (char*)VirtualAllocEx(proc, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  }
  ~Remote() {
    if (base) VirtualFreeEx(proc, base, 0, MEM_RELEASE);
    if (proc) CloseHandle(proc);
  }
  template <class T>
  void Put(const T& v, size_t at = 0) {
    WriteProcessMemory(proc, base + at, &v, sizeof v, nullptr);
  }
  template <class T>
  T Get(size_t at = 0) {
    T v = {};
    ReadProcessMemory(proc, base + at, &v, sizeof v, nullptr);
    return v;
  }
  std::wstring Text(size_t at) {
    wchar_t buf[512] = {};
    ReadProcessMemory(proc, base + at, buf, sizeof buf - sizeof(wchar_t), nullptr);
    return buf;
  }
};

const size_t kTextAt = 1024, kTextChars = 511;

// The rectangle of a list-view cell: the label of column 0, the bounds of
// another column.
RECT CellRect(HWND lv, Remote& m, int row, int col) {
  RECT r = {col ? LVIR_BOUNDS : LVIR_LABEL, col, 0, 0};
  m.Put(r);
  Send(lv, col ? LVM_GETSUBITEMRECT : LVM_GETITEMRECT, row, (LPARAM)m.base);
  return m.Get<RECT>();
}

// The items of a tab control or the rows of a list view, one line each:
// index, selected, then centre and text of every cell; a list view's
// columns first, as "column" lines with width and header.
int CmdItems(const Args& a) {
  HWND top = FindTitled(a), c = nullptr;
  if (!top) {
    Err("no such window");
    return 1;
  }
  if (!WaitFor(a.Num(L"--wait", 5000), [&] { return (c = ControlById(top, a.Num(L"--id", 0))) != nullptr; })) {
    Err("no such control");
    return 1;
  }
  Remote m(c);
  if (!m.base) {
    Err("cannot reach the program's memory");
    return 1;
  }
  if (ClassOf(c) == WC_TABCONTROLW) {
    int n = (int)Send(c, TCM_GETITEMCOUNT), cur = (int)Send(c, TCM_GETCURSEL);
    for (int i = 0; i < n; ++i) {
      TCITEMW item = {};
      item.mask = TCIF_TEXT;
      item.pszText = (LPWSTR)(m.base + kTextAt);
      item.cchTextMax = kTextChars;
      m.Put(item);
      Send(c, TCM_GETITEMW, i, (LPARAM)m.base);
      std::wstring text = m.Text(kTextAt);
      Send(c, TCM_GETITEMRECT, i, (LPARAM)m.base);
      Out(std::to_string(i) + "\t" + (i == cur ? "1" : "0") + "\t" + Centre(c, m.Get<RECT>()) + "\t" +
          Utf8(Escape(text)));
    }
    return 0;
  }
  int cols = (int)Send((HWND)Send(c, LVM_GETHEADER), HDM_GETITEMCOUNT);
  for (int col = 0; col < cols; ++col) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = (LPWSTR)(m.base + kTextAt);
    column.cchTextMax = kTextChars;
    m.Put(column);
    Send(c, LVM_GETCOLUMNW, col, (LPARAM)m.base);
    Out("column=" + std::to_string(col) + "\t" + std::to_string(m.Get<LVCOLUMNW>().cx) + "\t" +
        Utf8(Escape(m.Text(kTextAt))));
  }
  for (int row = 0, n = (int)Send(c, LVM_GETITEMCOUNT); row < n; ++row) {
    std::string line =
        std::to_string(row) + "\t" + (Send(c, LVM_GETITEMSTATE, row, LVIS_SELECTED) ? "1" : "0");
    for (int col = 0; col < cols; ++col) {
      LVITEMW item = {};
      item.iSubItem = col;
      item.pszText = (LPWSTR)(m.base + kTextAt);
      item.cchTextMax = kTextChars;
      m.Put(item);
      Send(c, LVM_GETITEMTEXTW, row, (LPARAM)m.base);
      std::wstring text = m.Text(kTextAt);
      line += "\t" + Centre(c, CellRect(c, m, row, col)) + "\t" + Utf8(Escape(text));
    }
    Out(line);
  }
  return 0;
}

// Asks the first matching window to close, as another program would.
int CmdCloseWindow(const Args& a) {
  auto found = Matching(Filter(a));
  if (found.empty()) {
    Err("no such window");
    return 1;
  }
  return PostMessageW(found[0], WM_CLOSE, 0, 0) ? 0 : 1;
}

// Posts a message to the first matching window, as any program on the
// desktop can.
int CmdPost(const Args& a) {
  auto found = Matching(Filter(a));
  if (found.empty()) {
    Err("no such window");
    return 1;
  }
  const UINT message = (UINT)a.Num(L"--message", 0);
  const WPARAM wparam = (WPARAM)a.Num(L"--wparam", 0);
  return PostMessageW(found[0], message, wparam, (LPARAM)a.Num(L"--lparam", 0)) ? 0 : 1;
}

// Runs a command line on the desktop and waits for it to end.
int CmdRun(const Args& a, const std::wstring& desktop) {
  std::wstring line = a.Str(L"--command");
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.lpDesktop = desktop.empty() ? nullptr : const_cast<LPWSTR>(desktop.c_str());
  PROCESS_INFORMATION pi;
  // Wine now and then fails to start a process; nothing of it has run then.
  bool started = false;
  for (int tries = 0; tries < 3 && !line.empty() && !started; ++tries) {
    if (tries > 0) Sleep(1000);
    started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    if (!started) Err("cannot start (error " + std::to_string(GetLastError()) + "): " + Utf8(line));
  }
  if (!started) return 1;
  CloseHandle(pi.hThread);
  bool ended = WaitForSingleObject(pi.hProcess, (DWORD)a.Num(L"--timeout", 60000)) == WAIT_OBJECT_0;
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  if (!ended) {
    Err("still running");
    return 1;
  }
  Kv("exit_code", (long long)code);
  return 0;
}

// ---------------------------------------------------------------- notification balloons

// The taskbar's balloons: Wine's explorer shows each as a top-level tooltip
// window of its own in balloon style, made anew for every balloon.
std::vector<HWND> Balloons() {
  std::vector<HWND> out;
  DWORD shell = PidOf(TrayWindow());
  if (!shell) return out;
  for (HWND h : TopWindows())
    if (IsWindowVisible(h) && ClassOf(h) == TOOLTIPS_CLASSW && (GetWindowLongW(h, GWL_STYLE) & TTS_BALLOON) &&
        PidOf(h) == shell)
      out.push_back(h);
  return out;
}

// A balloon's text is that of its one tool. The tooltip copies it into the
// buffer the tool's description points at, so both must lie in the
// taskbar's process.
std::wstring BalloonText(HWND balloon) {
  Remote m(balloon);
  if (!m.base) return {};
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.lpszText = (LPWSTR)(m.base + kTextAt);
  m.Put(tool);
  if (!Send(balloon, TTM_ENUMTOOLSW, 0, (LPARAM)m.base)) return {};
  return m.Text(kTextAt);
}

// Waits for a balloon of the taskbar and prints its window and text. Its
// title cannot be read: Wine 8 answers TTM_GETTITLE with an empty one.
// With --none, succeeds when no balloon shows within the time-out; one
// already showing at the start was asked for earlier and does not count,
// since a balloon asked for later gets a window of its own.
int CmdBalloonText(const Args& a) {
  bool none = a.Has(L"--none");
  if (!WaitFor(10000, [] { return TrayWindow() != nullptr; })) {
    Err("no taskbar");
    return 1;
  }
  std::vector<HWND> earlier;
  if (none) earlier = Balloons();
  HWND found = nullptr;
  WaitFor(a.Num(L"--timeout", 10000), [&] {
    for (HWND h : Balloons()) {
      bool seen = false;
      for (HWND e : earlier) seen = seen || e == h;
      if (!seen) return (found = h) != nullptr;
    }
    return false;
  });
  if (!found) {
    if (none) return 0;
    Err("no balloon");
    return 1;
  }
  // Wine shows no balloon without a text: an empty one was not read.
  std::wstring text = BalloonText(found);
  Kv("hwnd", Hex((ULONG_PTR)found));
  Kv("rect", RectText(found));
  Kv("text", text);
  if (text.empty()) {
    Err("cannot read the balloon's text");
    return 1;
  }
  if (!none) return 0;
  Err("a balloon showed");
  return 1;
}

}  // namespace

int main() {
  // Physical pixels and the system's real metrics on a scaled display, as
  // vestun.exe (DPI-aware by its manifest) sees them.
  SetProcessDPIAware();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Args a;
  for (int i = 1; i < argc; ++i) a.items.push_back(argv[i]);
  LocalFree(argv);

  // Join the desktop the program runs on: windows of another desktop are
  // invisible to EnumWindows. Must happen before this thread has windows.
  std::wstring desktop;
  if (!a.items.empty() && a.items[0] == L"--desktop" && a.items.size() >= 2) {
    desktop = a.items[1];
    a.items.erase(a.items.begin(), a.items.begin() + 2);
  } else if (const wchar_t* env = _wgetenv(L"VESTUN_E2E_DESKTOP")) {
    desktop = env;
  }
  if (a.items.empty()) return Usage();
  const std::wstring& cmd = a.items[0];
  bool windowless = cmd.compare(0, 4, L"reg-") == 0 || cmd.find(L"process") != std::wstring::npos;
  if (!desktop.empty() && !windowless) {
    // The desktop exists once Explorer has made it, a moment after start.
    HDESK d = nullptr;
    WaitFor(30000, [&] { return (d = OpenDesktopW(desktop.c_str(), 0, FALSE, GENERIC_ALL)) != nullptr; });
    if (!d || !SetThreadDesktop(d)) {
      Err("cannot join desktop: " + Utf8(desktop));
      return 1;
    }
  }

  if (cmd == L"list-windows") return CmdListWindows(a);
  if (cmd == L"find-window") return CmdFindWindow(a, false);
  if (cmd == L"wait-window") return CmdFindWindow(a, true);
  if (cmd == L"wait-no-window") return CmdWaitNoWindow(a);
  if (cmd == L"wait-idle") return CmdWaitIdle(a);
  if (cmd == L"window-count") return CmdWindowCount(a);
  if (cmd == L"watch-window") return CmdWatchWindow(a);
  if (cmd == L"message-box") return CmdMessageBox(a);
  if (cmd == L"press") return CmdPress(a);
  if (cmd == L"text") return CmdText(a);
  if (cmd == L"reg-query") return CmdRegQuery(a);
  if (cmd == L"process-count") return CmdProcessCount(a);
  if (cmd == L"wait-process-count") return CmdWaitProcessCount(a);
  if (cmd == L"tray-pixels") return CmdTrayPixels(a);
  if (cmd == L"tray-forget") return CmdTrayForget(a);
  if (cmd == L"broadcast") return CmdBroadcast(a);
  if (cmd == L"menu-keys") return CmdMenuKeys(a);
  if (cmd == L"metrics") return CmdMetrics(a);
  if (cmd == L"controls") return CmdControls(a);
  if (cmd == L"set-texts") return CmdSetTexts(a);
  if (cmd == L"items") return CmdItems(a);
  if (cmd == L"close-window") return CmdCloseWindow(a);
  if (cmd == L"post") return CmdPost(a);
  if (cmd == L"run") return CmdRun(a, desktop);
  if (cmd == L"balloon-text") return CmdBalloonText(a);
  return Usage();
}
