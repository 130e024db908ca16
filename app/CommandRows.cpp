#include "app/CommandRows.h"

#include <cstddef>
#include <string>
#include <utility>

namespace {

// The page's texts are Windows-1251, one byte a character.
std::string Cell(const char* text) {
  if (text == nullptr) return {};
  size_t length = 0;
  while (length < CommandRows::kCellMax && text[length] != '\0') ++length;
  return std::string(text, length);
}

}  // namespace

void CommandRows::LoadFrom(const CommandList& commands) {
  Rows.clear();
  for (const Command& command : commands) Append(command.Caption.c_str(), command.CommandLine.c_str(), false);
}

void CommandRows::StoreTo(CommandList& commands) const {
  commands.clear();
  for (const CommandRow& row : Rows) commands.push_back({row.Caption, row.CommandLine});
}

void CommandRows::Append(const char* caption, const char* commandLine, bool selected) {
  Rows.push_back(CommandRow{Cell(caption), Cell(commandLine), selected});
}

void CommandRows::AddNew() { Append("Новая команда", "", false); }

bool CommandRows::AnySelected() const {
  for (const CommandRow& row : Rows) {
    if (row.Selected) return true;
  }
  return false;
}

// The copies are not selected, so the walk, which sees the rows it appends,
// does not copy them again.
void CommandRows::DuplicateSelected() {
  for (size_t i = 0; i < Rows.size(); ++i) {
    if (!Rows[i].Selected) continue;
    CommandRow copy{Rows[i].Caption, Rows[i].CommandLine, false};
    Rows.push_back(copy);
  }
}

void CommandRows::DeleteSelected() {
  for (size_t i = Rows.size(); i-- > 0;) {
    if (Rows[i].Selected) Rows.erase(Rows.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

// Exchanging two whole rows gives the lower one the upper one's selection and
// leaves the moved (selected) row selected above it, so a block travels
// together.
void CommandRows::MoveSelectedUp() {
  for (size_t i = 1; i < Rows.size(); ++i) {
    if (Rows[i].Selected) std::swap(Rows[i - 1], Rows[i]);
  }
}

void CommandRows::MoveSelectedDown() {
  for (size_t n = Rows.size(); n-- > 1;) {
    if (Rows[n - 1].Selected) std::swap(Rows[n - 1], Rows[n]);
  }
}
