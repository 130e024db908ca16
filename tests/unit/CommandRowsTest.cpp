#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "settings/CommandRows.h"

namespace {

// "a* b": row "a" (command line "run a") selected, then row "b".
CommandRows Parse(const std::string& text) {
  CommandRows rows;
  std::istringstream words(text);
  for (std::string w; words >> w;)
    rows.Append(w.substr(0, 1).c_str(), ("run " + w.substr(0, 1)).c_str(), w.size() > 1);
  return rows;
}

// The same, from the stored commands: "+" a new command, "?" a row whose texts parted.
std::string Show(const CommandRows& rows) {
  CommandList commands;
  rows.StoreTo(commands);
  std::string text;
  for (int32_t i = 0; i < commands.Size(); ++i) {
    std::string caption = commands.At(i)->Caption.Text();
    const std::string line = commands.At(i)->CommandLine.Text();
    if (line != "run " + caption) caption = caption == "Новая команда" && line.empty() ? "+" : "?";
    text += (i > 0 ? " " : "") + caption + (rows.Rows[i].Selected ? "*" : "");
  }
  return text;
}

// Steps: n add, d duplicate, x delete, u up, v down, a digit selects that row.
TEST(CommandRows, ButtonsOnTheSelectedRows) {
  const char* cases[][3] = {{"", "dxuvn", "+"},
                            {"a b", "nn", "a b + +"},
                            {"a b* c d*", "x1d", "a c* c"},
                            {"a* b c*", "d", "a* b c* a c"},
                            {"a* b* c", "u", "b* a* c"},
                            {"a b* c* d", "u", "b* c* a d"},
                            {"a b* c* d", "v", "a d b* c*"},
                            {"a* b c", "u", "a* b c"},
                            {"a b c*", "v", "a b c*"},
                            {"a* b c* d e*", "x", "b d"}};
  for (const auto& c : cases) {
    CommandRows rows = Parse(c[0]);
    for (const char* step = c[1]; *step != '\0'; ++step) {
      if (*step == 'n') rows.AddNew();
      if (*step == 'd') rows.DuplicateSelected();
      if (*step == 'x') rows.DeleteSelected();
      if (*step == 'u') rows.MoveSelectedUp();
      if (*step == 'v') rows.MoveSelectedDown();
      if (*step >= '0' && *step <= '9') rows.Rows.at(*step - '0').Selected = true;
    }
    EXPECT_EQ(c[2], Show(rows)) << c[0] << " / " << c[1];
    EXPECT_EQ(std::string(c[2]).find('*') != std::string::npos, rows.AnySelected());
  }
}

TEST(CommandRows, CellsKeep499Characters) {
  CommandList commands;
  commands.Add(Command(std::string(500, 'c').c_str(), std::string(499, 'l').c_str()));
  CommandRows rows;
  rows.LoadFrom(commands);
  rows.StoreTo(commands);
  EXPECT_EQ(499u, commands.At(0)->Caption.Length());
  EXPECT_EQ(499u, commands.At(0)->CommandLine.Length());
}

}  // namespace
