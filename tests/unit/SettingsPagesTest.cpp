// The rules of the settings dialog's pages, which the dialogs only show.
// The mailbox page's navigation and a changed interval's poll at once are
// checked end to end.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "app/CommandRows.h"
#include "app/ConnectionTestReport.h"
#include "app/MailboxFields.h"
#include "common/Texts.h"
#include "mail/MailboxList.h"
#include "mail/Pop3Poll.h"
#include "platform/host/HostControl.h"

namespace {

int g_polls = 0;  // the check started at once by arming, then one per period
void CountPolls(void*, platform::MainEvent event, platform::Timer) {
  if (event == platform::MainEvent::Timer) ++g_polls;
}

TEST(MailboxPage, OnlyAnAcceptedIntervalTouchesDelayAndTheTimer) {
  host::Reset();
  ASSERT_NE(nullptr, platform::OpenMainLoop(nullptr, nullptr, CountPolls, nullptr));
  MailboxList boxes;
  boxes.TimersReady = true;
  boxes.AddBox();
  boxes.AddBox();
  boxes.ArmBoxTimer(1, true);
  MailboxFields fields;
  fields.PopServerName = "abc";
  const struct {
    bool check;
    const char* interval;
    int32_t delay;
    bool armed;
    int polls;
  } steps[] = {{true, "60", 60, true, 1},   {true, "4294967295", INT32_MAX, true, 2},
               {true, "20", 20, true, 3},   {false, "19", 20, true, 3},
               {false, "30", 30, false, 3}, {true, "30", 30, true, 4}};
  const Mailbox& box = *boxes.At(1);
  for (const auto& step : steps) {
    SCOPED_TRACE(testing::Message() << step.check << " " << step.interval);
    fields.CheckBox = step.check;
    fields.Interval = step.interval;
    StoreFields(boxes, fields);
    EXPECT_EQ(step.check ? 1 : 0, box.DoCheckBox);
    EXPECT_EQ(step.delay, box.Delay);
    EXPECT_EQ(step.armed, static_cast<bool>(box.CheckTimer));
    EXPECT_EQ(step.polls, g_polls);
  }
  for (int polls : {4, 5}) {
    host::AdvanceClock(polls == 4 ? 29999 : 1);
    host::RunQueued();
    EXPECT_EQ(polls, g_polls) << "the timer runs with the new period";
  }
  EXPECT_EQ("Ящик № 2 (abc)", box.BoxName);
}

// The ticks of modes 0 to 3, as (s)peaker and (w)av, lead back to their mode; others tick nothing.
TEST(MailboxPage, SoundModeAndItsTicks) {
  const std::map<int32_t, std::string> ticks = {{0, "s"}, {1, "w"}, {2, "sw"}, {3, ""}, {4, ""}, {-1, ""}};
  for (const auto& [mode, ticked] : ticks) {
    bool speaker = ticked.find('s') == ticked.npos, wav = ticked.find('w') == ticked.npos;
    TicksOf(mode, &speaker, &wav);
    EXPECT_EQ(ticked, std::string(speaker ? "s" : "") + (wav ? "w" : "")) << mode;
    EXPECT_TRUE(mode > 3 || mode < 0 || SoundModeOf(speaker, wav) == mode) << mode;
  }
}

TEST(MailboxPage, NumberFieldsReadWholeUnsignedNumbersOrZero) {
  for (const char* text : {"", "4294967296", "12a", "-5", "1 2"}) EXPECT_EQ(0u, ReadUnsigned(text)) << text;
  EXPECT_EQ(42u, ReadUnsigned(" 42\t"));
}

// "Тест" says what it found, and why a poll failed: a TLS verdict only for a
// connection that could not be made, where a stalled handshake reads as any.
TEST(MailboxPage, TheConnectionTestSaysWhatWentWrong) {
  using platform::TlsFailure;
  const struct {
    int32_t code;
    TlsFailure tls;
    const char* text;
  } rows[] = {
      {2, TlsFailure::None, "Мыло (2 шт.)!"},
      {kPollBusy, TlsFailure::None, "Ящик сейчас проверяется вестуном.\nНе будем ему пока мешать ..."},
      {kPollHostNotFound, TlsFailure::None, "Сервер не найден!"},
      {kPollNoSocket, TlsFailure::None, "Ошибка при создании сокета - странный глюк :(("},
      {kPollNotConnected, TlsFailure::Stalled, "Не удалось соединиться с сервером!"},
      {kPollNotConnected, TlsFailure::NoCommonVersion,
       "Сервер не поддерживает TLS 1.2 — единственную версию защищённого соединения, которую знает программа!"},
      {kPollNotConnected, TlsFailure::Untrusted, "Сертификат сервера не прошёл проверку!"},
      {kPollUserRefused, TlsFailure::Expired, "Сервер отверг имя пользователя!"},
  };
  for (const auto& row : rows) {
    std::string text;
    EXPECT_STREQ(row.code > 0 ? texts::kCaptionNotice : texts::kCaptionError,
                 ConnectionTestReport(row.code, row.tls, "Мыло", text));
    EXPECT_EQ(row.text, text);
  }
}

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
  for (size_t i = 0; i < commands.size(); ++i) {
    std::string caption = commands[i].Caption;
    const std::string& line = commands[i].CommandLine;
    if (line != "run " + caption) caption = caption == "Новая команда" && line.empty() ? "+" : "?";
    text += (i > 0 ? " " : "") + caption + (rows.Rows[i].Selected ? "*" : "");
  }
  return text;
}

// Steps: n add, d duplicate, x delete, u up, v down, a digit selects that row.
TEST(CommandRows, ButtonsOnTheSelectedRows) {
  const char* cases[][3] = {{"", "dxuvn", "+"},
                            {"a b", "nn", "a b + +"},
                            {"a* b c*", "d", "a* b c* a c"},
                            {"a* b* c", "u", "b* a* c"},
                            {"a b* c* d", "u", "b* c* a d"},
                            {"a b* c* d", "v", "a d b* c*"},
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
  CommandRows cut;  // a cell keeps 499 characters
  cut.LoadFrom({{std::string(500, 'c'), std::string(499, 'l')}});
  EXPECT_EQ(std::string(499, 'c') + std::string(499, 'l'), cut.Rows.at(0).Caption + cut.Rows.at(0).CommandLine);
}

}  // namespace
