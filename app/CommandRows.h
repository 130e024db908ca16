// The rows of the settings dialog's commands table while the user edits
// them: two texts and a selection mark per row. The table is read into these
// rows, changed here, and written back, so every rule of the page's buttons
// lives in one testable place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/Command.h"

struct CommandRow {
  std::string Caption;
  std::string CommandLine;
  bool Selected = false;
};

class CommandRows {
 public:
  // A cell keeps at most this many characters; longer texts are cut.
  static constexpr size_t kCellMax = 499;

  void LoadFrom(const CommandList& commands);
  // Replaces the commands with the rows, in row order, texts as they stand.
  void StoreTo(CommandList& commands) const;

  // Appends one row and keeps the texts cut to kCellMax.
  void Append(const char* caption, const char* commandLine, bool selected);
  // "Новая команда" with an empty command line, not selected.
  void AddNew();
  bool AnySelected() const;
  // Copies of the selected rows go to the end, not selected.
  void DuplicateSelected();
  void DeleteSelected();
  // A selected block moves one row up (down) and stays selected; a selected
  // first (last) row stays where it is.
  void MoveSelectedUp();
  void MoveSelectedDown();

  std::vector<CommandRow> Rows;
};
