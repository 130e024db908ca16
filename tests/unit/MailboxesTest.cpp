#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "mail/DefaultMailProgram.h"
#include "mail/MailboxList.h"
#include "platform/host/HostControl.h"
#include "tests/unit/MessageLists.h"

namespace {

// Publishing files messages against today's acknowledged date, which a poll's run must not undo.
TEST(Mailbox, EachModeCountsItsOwnStateAndClearingResetsIt) {
  Mailbox box;
  GiveMessages(box, {5, 6, 0}, {1});
  box.PublishCount(7);
  EXPECT_EQ(7, box.NewMailCount());
  box.ClearNewMail();
  EXPECT_EQ(0, box.NewMailCount());
  box.TandrelMode = 0;
  EXPECT_EQ(3, box.NewMailCount()) << "count mode leaves the lists alone";
  box.ClearNewMail();
  EXPECT_EQ(0, box.NewMailCount());
  EXPECT_EQ(0, box.LastMsgDate);
  box.LastMsgDate = 600;
  GiveMessages(box, {500, 600, 601, 0}, {100});
  EXPECT_EQ(2, box.NewMailCount()) << "601, and 0 (an unreadable date) stays new";
}

// A list of `count` boxes whose names are their positions, `current` current.
void Fill(MailboxList& list, int count, int current) {
  for (int i = 0; i < count; ++i) {
    list.AddBox();
    list.CurrentBox()->BoxName = std::to_string(i);
  }
  list.Current = current;
}

std::string Names(const MailboxList& list) {
  std::string names;
  for (int i = 0; i < list.Count(); ++i) names += list.At(i)->BoxName;
  return names;
}

TEST(MailboxList, RemovingAndMovingKeepCurrentOnABox) {
  const struct {
    int count, current, from, to;  // from -1: remove the current box, else move
    bool result;
    int currentAfter;
    const char* names;
  } cases[] = {
      {3, 2, -1, 0, true, 1, "01"},   // removing the last box moves current back
      {3, 0, -1, 0, true, 0, "12"},   // otherwise current is the box that followed
      {3, 1, -1, 0, true, 1, "02"},   // the same in the middle
      {1, 0, -1, 0, false, 0, "0"},   // the only box is never removed
      {3, 2, 0, 1, true, 1, "102"},   // a move makes its target current
      {3, 0, 2, 3, false, 0, "012"},  // and refuses a place outside
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " boxes, " << c.current << ", " << c.from << "->" << c.to);
    host::Reset();
    MailboxList list;
    Fill(list, c.count, c.current);
    EXPECT_EQ(c.result, c.from < 0 ? list.RemoveCurrent() : list.MoveBox(c.from, c.to));
    EXPECT_EQ(c.names, Names(list));
    EXPECT_EQ(c.currentAfter, list.Current);
  }
}

// A box whose poll ended holding its lock is no longer being polled.
TEST(MailboxList, ABoxIsNotRemovedWhileAPollHoldsIt) {
  host::Reset();
  MailboxList list;
  Fill(list, 3, 2);
  std::atomic<int> step{0};  // 1: the poll holds the box; 2: it may let go
  std::thread poll([&] {
    platform::TakeLock(list.At(2)->CheckLock.Get(), 0);
    step = 1;
    while (step != 2) std::this_thread::yield();
    platform::LeaveLock(list.At(2)->CheckLock.Get());
  });
  while (step != 1) std::this_thread::yield();
  EXPECT_FALSE(list.RemoveCurrent()) << "after waiting " << MailboxList::kRemoveWaitMs << " ms";
  step = 2;
  poll.join();
  EXPECT_TRUE(list.RemoveCurrent()) << "once the poll is over the box goes";
  std::thread([&] { platform::TakeLock(list.At(1)->CheckLock.Get(), 0); }).join();
  EXPECT_TRUE(list.RemoveCurrent());
  list.AddBox();
  EXPECT_EQ(MailboxList::kFirstId + 3, list.CurrentBox()->Id) << "ids are never reused";
}

// The first box, in count mode, has none.
TEST(MailboxList, OldLettersShowForAnEnabledDateModeBoxThatHasThem) {
  const struct {
    int32_t doCheck, mode;
    bool old, shows;
  } cases[] = {
      {1, 0, true, true}, {2, 0, true, true}, {0, 0, true, false}, {1, 1, true, false}, {1, 0, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.doCheck << " " << c.mode << " " << c.old);
    MailboxList list;
    Fill(list, 2, 0);
    list.At(0)->TandrelMode = 0;
    Mailbox& box = *list.At(1);
    GiveMessages(box, {200}, {});
    if (c.old) GiveMessages(box, {200}, {100});
    box.DoCheckBox = c.doCheck;
    box.TandrelMode = c.mode;
    EXPECT_EQ(c.shows, list.ShowsOldLetters());
  }
}

// A '?' is what the platform reads for a character that Windows-1251 lacks:
// in the path it is refused as the program chooser refuses such a path.
TEST(DefaultMailProgram, TheQuotedPathLowerCasedWithTheFolderInPlaceOfItsToken) {
  const char* cases[][2] = {
      // command, program; null when nothing is found, "?" when the path is foreign
      {"\"C:\\Mail\\Mail.EXE\" -compose \"%1\"", "\"c:\\mail\\mail.exe\""},
      {"C:\\Mail\\mail.exe %1", nullptr},
      {"\"\" %1", nullptr},
      {"\"%ProgramFiles%\\Mozilla\\TB.exe\" -osint", "\"D:\\Прог Файлы\\mozilla\\tb.exe\""},
      {"\"X:\\%PROGRAMFILES%\\a.exe\"", "\"D:\\Прог Файлы\\a.exe\""},
      {"\"%ProgramFiles(x86)%\\a.exe\"", "\"%programfiles(x86)%\\a.exe\""},
      {"\"C:\\ПОЧТА\\Ёж Її.exe\"", "\"c:\\почта\\ёж її.exe\""},
      {"\"C:\\Mail.exe", "\"c:\\mail.exe\""},  // no closing quote: the rest
      {"\"C:\\Users\\?ukasz\\Mail.exe\" %1", "?"},
      {"\"C:\\Mail.exe\" /subject \"?od?\"", "\"c:\\mail.exe\""},  // only the path counts
  };
  for (const auto& c : cases) {
    std::string program("kept");
    const MailProgramFound found = MailProgramFromCommand(c[0], "D:\\Прог Файлы", program);
    EXPECT_EQ(c[1] == nullptr ? MailProgramFound::Nothing
              : *c[1] == '?'  ? MailProgramFound::Foreign
                              : MailProgramFound::Program,
              found)
        << c[0];
    EXPECT_STREQ(found == MailProgramFound::Program ? c[1] : "kept", program.c_str());
  }
  std::string program;
  EXPECT_EQ(MailProgramFound::Nothing, MailProgramFromCommand("\"%programfiles%\\a.exe\"", nullptr, program))
      << "no folder known";
}

// The registration as a text with or without variables, and only when it
// fits into 200 bytes with its terminator; a path with characters that
// Windows-1251 lacks is refused.
TEST(DefaultMailProgram, DetectedFromTheRegistration) {
  using host::RegType;
  const struct {
    size_t name;  // letters of the program's name; 0: nothing registered
    RegType type;
    bool foreign;
    MailProgramFound found;
  } cases[] = {
      {0, RegType::Text, false, MailProgramFound::Nothing},
      {175, RegType::ExpandableText, false, MailProgramFound::Program},
      {176, RegType::Text, false, MailProgramFound::Nothing},
      {3, RegType::Bytes, false, MailProgramFound::Nothing},
      {3, RegType::Text, true, MailProgramFound::Foreign},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << int(c.type) << c.foreign);
    host::Reset();
    const std::string name = c.foreign ? "?" + std::string(c.name - 1, 'A') : std::string(c.name, 'A');
    const std::string command = "\"%ProgramFiles%\\" + name + ".exe\" %1";  // 24 + name
    if (c.name > 0)
      host::PutValue("Software\\Classes\\mailto\\shell\\open\\command", "", {c.type, command, c.foreign});
    std::string program("kept");
    EXPECT_EQ(c.found, DetectDefaultMailProgram(program));
    EXPECT_EQ(c.found == MailProgramFound::Program
                  ? "\"C:\\Program Files\\" + std::string(c.name, 'a') + ".exe\""
                  : "kept",
              program.c_str());
  }
}

}  // namespace
