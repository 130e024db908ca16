#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "mail/DefaultMailProgram.h"
#include "mail/MailboxList.h"
#include "platform/host/HostControl.h"
#include "tests/support/MessageLists.h"

namespace {

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
      {3, 1, -1, 0, true, 1, "02"},   // otherwise current is the box that followed
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

// The first box, in date mode, has no old letters; the second shows its own while it is checked,
// until clearing its mail in date mode empties its lists.
TEST(MailboxList, OldLettersShowForAnEnabledDateModeBoxThatHasThemUntilCleared) {
  MailboxList list;
  Fill(list, 2, 0);
  Mailbox& box = *list.At(1);
  list.At(0)->TandrelMode = box.TandrelMode = 0;
  GiveMessages(box, {200}, {100});
  for (int32_t doCheck : {0, 1, 2}) {
    box.DoCheckBox = doCheck;
    EXPECT_EQ(doCheck != 0, list.ShowsOldLetters()) << doCheck;
  }
  box.TandrelMode = 1;
  EXPECT_FALSE(list.ShowsOldLetters()) << "count mode";
  box.ClearNewMail();
  box.TandrelMode = 0;
  EXPECT_TRUE(list.ShowsOldLetters() && box.NewMailCount() == 1) << "clearing in count mode leaves the lists";
  box.ClearNewMail();
  EXPECT_FALSE(list.ShowsOldLetters() || box.NewMailCount() != 0);
}

// The quoted path of the command line registered for mailto: links, lower-cased, with the Program
// Files folder in place of everything up to its token; the line counts only as a text that fits into
// 200 bytes with its terminator. A '?' is what the platform reads for a character that Windows-1251
// lacks: in the path it is refused as the program chooser refuses such a path.
TEST(DefaultMailProgram, TheRegisteredQuotedPathLowerCasedWithTheFolderInPlaceOfItsToken) {
  using host::RegType;
  const std::string name(175, 'A'), longest = "\"C:\\Program Files\\" + std::string(175, 'a') + ".exe\"";
  const struct {
    RegType type;
    std::string command;
    const char* program;  // null when nothing is found, "?" when the path is foreign
  } cases[] = {
      {RegType::Text, "C:\\Mail\\mail.exe %1", nullptr},
      {RegType::Text, "\"\" %1", nullptr},
      {RegType::ExpandableText, "\"X:\\%PROGRAMFILES%\\ПОЧТА\\Ёж Її.exe\" -osint",
       "\"C:\\Program Files\\почта\\ёж її.exe\""},
      {RegType::Text, "\"%ProgramFiles(x86)%\\a.exe\"", "\"%programfiles(x86)%\\a.exe\""},
      {RegType::Text, "\"C:\\Mail.exe", "\"c:\\mail.exe\""},  // no closing quote: the rest
      {RegType::Text, "\"C:\\Users\\?ukasz\\Mail.exe\" %1", "?"},
      {RegType::Text, "\"C:\\Mail.exe\" /subject \"?od?\"", "\"c:\\mail.exe\""},  // only the path counts
      {RegType::ExpandableText, "\"%ProgramFiles%\\" + name + ".exe\" %1", longest.c_str()},  // 199 bytes
      {RegType::Text, "\"%ProgramFiles%\\" + name + "A.exe\" %1", nullptr},
      {RegType::Bytes, "\"C:\\Mail.exe\"", nullptr},
  };
  for (const auto& c : cases) {
    host::Reset();
    const bool foreign = c.command.find('?') != std::string::npos;
    host::PutValue("Software\\Classes\\mailto\\shell\\open\\command", "", {c.type, c.command, foreign});
    std::string program("kept");
    const MailProgramFound found = DetectDefaultMailProgram(program);
    EXPECT_EQ(c.program == nullptr ? MailProgramFound::Nothing
              : *c.program == '?'  ? MailProgramFound::Foreign
                                   : MailProgramFound::Program,
              found)
        << c.command;
    EXPECT_STREQ(found == MailProgramFound::Program ? c.program : "kept", program.c_str());
  }
  std::string program;
  EXPECT_EQ(MailProgramFound::Nothing, MailProgramFromCommand("\"%programfiles%\\a.exe\"", nullptr, program))
      << "no folder known";
}

}  // namespace
