// Loading and saving against the stand-in registry. The first-start tree and
// a tree left by an earlier version are compared whole end to end; here the
// rules those cannot see.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/Application.h"
#include "settings/SettingsStore.h"
#include "tests/unit/RegistryValues.h"

namespace {

constexpr char kSettings[] = "Software\\Tandreller\\Settings";
constexpr char kBox1[] = "Software\\Tandreller\\MailBoxes\\1";
constexpr char kBox3[] = "Software\\Tandreller\\MailBoxes\\3";

std::string Describe(const Application& app) {
  std::ostringstream out;
  out << app.DoAutoCheckNewVer << '|' << app.CheckNewVerPeriod << '|' << app.LastTabPos << '|'
      << app.RunMsminMode << '|' << app.SendErrors << '|' << app.Prompt.Text() << '|' << app.Boxes.Current;
  for (int i = 0; i < app.Boxes.Count; ++i) {
    const Mailbox& b = *app.Boxes.At(i);
    out << '\n';
    for (const String* t :
         {&b.BoxName, &b.PopServerName, &b.Login, &b.Password, &b.MsminPath, &b.WavPath, &b.SpeakerStr}) {
      out << t->Text() << '|';
    }
    out << b.Port << '|' << b.Delay << '|' << b.SoundMode << '|' << b.SpeakerLen << '|' << b.TandrelMode
        << '|' << b.DoCheckBox << '|' << b.IsTheSameMsmin << '|' << b.MsminRunMode;
  }
  for (int i = 0; i < app.UserCommands.Size(); ++i) {
    out << '\n'
        << app.UserCommands.At(i)->Caption.Text() << " => " << app.UserCommands.At(i)->CommandLine.Text();
  }
  return out.str();
}

// Every field away from its default and unlike every other field, so a value
// lost or stored under another name shows; texts and numbers at their edges.
void FillAtTheEdges(Application& app) {
  std::string everyByte;
  for (int i = 0; i < 1023; ++i) everyByte += static_cast<char>(1 + i % 255);
  int32_t n = INT32_MIN;
  for (int32_t* number : {&app.DoAutoCheckNewVer, &app.CheckNewVerPeriod, &app.LastTabPos, &app.RunMsminMode,
                          &app.SendErrors}) {
    *number = n++;
  }
  app.Prompt = "Мой ящик «Входящие» №1";
  app.Boxes.AddBox();
  app.Boxes.AddBox();
  const char* passwords[] = {everyByte.c_str(), "", "\"C:\\Program Files\\Почта\\mail.exe\" /a"};
  for (int i = 0; i < 3; ++i) {
    Mailbox& b = *app.Boxes.At(i);
    char k = 'a';
    for (String* t : {&b.BoxName, &b.PopServerName, &b.Login, &b.MsminPath, &b.WavPath, &b.SpeakerStr}) {
      *t = i == 2 ? "" : (i == 0 ? std::string(2047, k++) : "текст " + std::string(1, k++)).c_str();
    }
    b.Password = passwords[i];
    n = i == 1 ? INT32_MAX - 20 : i * 100 - 1;
    for (int32_t* number :
         {&b.Delay, &b.SoundMode, &b.TandrelMode, &b.DoCheckBox, &b.IsTheSameMsmin, &b.MsminRunMode}) {
      *number = n++;
    }
    b.Port = static_cast<uint32_t>(n++);
    b.SpeakerLen = static_cast<uint32_t>(n++);
  }
  app.Boxes.SetCurrent(1);
  app.UserCommands.Clear();
  app.UserCommands.Add(Command("Блокнот", "notepad.exe"));
  app.UserCommands.Add(Command("", ""));
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { host::Reset(); }
};

TEST_F(SettingsStoreTest, WhatIsSavedLoadsBackIdentically) {
  std::string saved;
  {
    Application app;
    FillAtTheEdges(app);
    saved = Describe(app);
    SaveSettings(app);
    EXPECT_EQ(saved, Describe(app)) << "saving leaves memory, passwords included, as it was";
  }
  Application loaded;
  ASSERT_EQ(1, LoadSettings(loaded));
  EXPECT_EQ(saved, Describe(loaded));
  EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST_F(SettingsStoreTest, CountsAreBoundedAndLeftAsStored) {
  const struct {
    int32_t stored, boxes, commands;
    int32_t current;  // LastBoxPos is 5; out of range the box loaded last stays current
  } cases[] = {{0, 1, 0, 0}, {-3, 1, 8, 0}, {3, 3, 3, 2}, {2000000000, 1000, 1000, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    host::Reset();
    PutDword(kSettings, "BoxesCount", c.stored);
    PutDword(kSettings, "CommandCount", c.stored);
    PutDword(kSettings, "LastBoxPos", 5);
    Application app;
    ASSERT_EQ(1, LoadSettings(app));
    EXPECT_EQ(c.boxes, app.Boxes.Count);
    EXPECT_EQ(c.commands, app.UserCommands.Size());
    EXPECT_EQ(c.stored > 0, host::KeyExists(platform::RegRoot::CurrentUser, kBox1))
        << "no count: the default box stays unwritten";
    EXPECT_EQ(c.current, app.Boxes.Current);
    EXPECT_EQ(std::to_string(c.stored), Stored(kSettings, "BoxesCount"));
  }
}

TEST_F(SettingsStoreTest, ANumberStoredAsTextIsRewrittenAsANumber) {
  PutText(kBox1, "Delay", "45");
  Application app;
  LoadSettings(app);
  EXPECT_EQ(60, app.Boxes.At(0)->Delay);
  host::RegValue value;
  ASSERT_TRUE(host::GetValue(platform::RegRoot::CurrentUser, kBox1, "Delay", &value));
  EXPECT_EQ(platform::kRegDword, value.type);
}

TEST_F(SettingsStoreTest, RegistryFailuresAreReportedOnceAndLoadingGoesOn) {
  host::FailKeysUnder(kSettings);
  Application app;
  EXPECT_EQ(0, LoadSettings(app)) << "without a Settings key start-up ends";
  EXPECT_EQ(1u, host::MessageBoxes().size());

  host::Reset();
  PutDword(kSettings, "BoxesCount", 2);
  PutText("Software\\Tandreller\\MailBoxes\\2", "BoxName", "второй");
  host::FailKeysUnder(kBox1);
  Application broken;
  ASSERT_EQ(1, LoadSettings(broken));
  EXPECT_STREQ(kDefaultPopServer, broken.Boxes.At(0)->PopServerName.Text()) << "a box without a key";
  EXPECT_STREQ("второй", broken.Boxes.At(1)->BoxName.Text());
  EXPECT_EQ(1u, host::MessageBoxes().size());

  host::Reset();
  host::FailWritesUnder(kBox1);
  Application unwritable;
  ASSERT_EQ(1, LoadSettings(unwritable));
  EXPECT_EQ(1u, host::MessageBoxes().size()) << "one failed write speaks once";
  EXPECT_EQ(8, unwritable.UserCommands.Size());
  EXPECT_EQ(0, host::OpenKeyCount());
}

TEST_F(SettingsStoreTest, SavingKeepsWhatOtherStepsOwn) {
  PutDword(kSettings, "LastCensusYear", 125);
  PutDword(kSettings, "LastCheckNewVer", 1700000000);
  PutDword(kSettings, "BoxesCount", 3);
  for (int i = 1; i <= 3; ++i) {
    const std::string path = "Software\\Tandreller\\MailBoxes\\" + std::to_string(i);
    PutText(path, "BoxName", "ящик " + std::to_string(i));
    PutDword(path, "LastMsgDate", 1000 * i);
  }
  Application app;
  LoadSettings(app);
  app.LastCensusYear = 1;
  app.Boxes.At(0)->LastMsgDate = 77;
  app.Boxes.MoveBox(0, 1);
  app.Boxes.SetCurrent(2);
  app.Boxes.RemoveCurrent();
  app.UserCommands.Clear();
  SaveSettings(app);

  EXPECT_EQ("125", Stored(kSettings, "LastCensusYear"));
  EXPECT_EQ("1700000000", Stored(kSettings, "LastCheckNewVer"));
  EXPECT_EQ("2", Stored(kSettings, "BoxesCount"));
  EXPECT_EQ("ящик 2", Stored(kBox1, "BoxName"));
  EXPECT_EQ("1000", Stored(kBox1, "LastMsgDate")) << "the date stays with the position";
  EXPECT_EQ("ящик 3", Stored(kBox3, "BoxName")) << "never deleted";
  Application next;
  LoadSettings(next);
  EXPECT_EQ(0, next.UserCommands.Size()) << "an empty saved list is not the built-in one";

  host::Reset();
  host::FailKeysUnder("Software\\Tandreller");
  SaveSettings(next);
  EXPECT_FALSE(host::KeyExists(platform::RegRoot::CurrentUser, kBox1)) << "without a Settings key";
  EXPECT_EQ(1u, host::MessageBoxes().size());
}

}  // namespace
