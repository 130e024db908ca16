#include "ui/FileChooser.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace ui {
namespace {

// The start text is looked at up to this length.
constexpr size_t kStartTextMax = 300;
// Room for the chosen path. Generous, so that an ordinary deep path is taken
// whole; a longer one is refused by the dialog and the field stays as it was.
constexpr size_t kPathRoom = 1024;

}  // namespace

const FileKind kProgramFiles = {"Программы", "*.exe"};
const FileKind kWaveFiles = {"WAV-ы", "*.wav"};

bool ChooseFile(HWND owner, const char* text, const FileKind& kind, std::string& chosen) {
  std::string start(text, std::min(std::char_traits<char>::length(text), kStartTextMax));
  start.erase(std::remove(start.begin(), start.end(), '"'), start.end());
  std::vector<char> path(kPathRoom, '\0');
  std::copy(start.begin(), start.end(), path.begin());
  // The filter is pairs of NUL-ended texts and an empty one at the end.
  std::string filter = std::string(kind.Name) + '\0' + kind.Pattern + '\0' + '\0';
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  // The program's working folder stays where it was.
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&dialog)) return false;
  chosen = path.data();
  return true;
}

}  // namespace ui
