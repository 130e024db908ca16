// Loading and saving against the stand-in registry. The first-start tree and
// a tree left by an earlier version are compared whole by the end-to-end
// cases; here the rules those cannot see.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "app/Application.h"
#include "platform/host/HostControl.h"
#include "settings/SettingsStore.h"

using platform::RegRoot;

namespace {

constexpr char kSettings[] = "Software\\Tandreller\\Settings";
constexpr char kBox1[] = "Software\\Tandreller\\MailBoxes\\1";

void Put(const std::string& path, const char* name, int32_t number) {
  const auto bits = static_cast<uint32_t>(number);
  host::PutValue(
      RegRoot::CurrentUser, path, name,
      {platform::kRegDword, {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)}});
}

void Put(const std::string& path, const char* name, const std::string& text) {
  host::PutValue(RegRoot::CurrentUser, path, name,
                 {platform::kRegText, std::vector<uint8_t>(text.begin(), text.end())});
}

// The stored value as it reads: a text up to its NUL, a DWORD in decimal.
std::string Stored(const std::string& path, const char* name) {
  host::RegValue value;
  if (!host::GetValue(RegRoot::CurrentUser, path, name, &value)) return "<missing>";
  if (value.type != platform::kRegDword) return std::string(value.data.begin(), value.data.end()).c_str();
  const auto& d = value.data;
  return std::to_string(int32_t(d[0] | d[1] << 8 | d[2] << 16 | uint32_t(d[3]) << 24));
}

std::string Describe(const Application& app) {
  std::ostringstream out;
  out << app.DoAutoCheckNewVer << '|' << app.CheckNewVerPeriod << '|' << app.LastTabPos << '|'
      << app.RunMsminMode << '|' << app.SendErrors << '|' << app.Prompt.Text() << "|current "
      << app.Boxes.Current << '\n';
  for (int i = 0; i < app.Boxes.Count; ++i) {
    const Mailbox& b = *app.Boxes.At(i);
    for (const String* text :
         {&b.BoxName, &b.PopServerName, &b.Login, &b.Password, &b.MsminPath, &b.WavPath, &b.SpeakerStr}) {
      out << text->Text() << '|';
    }
    out << b.Port << '|' << b.Delay << '|' << b.SoundMode << '|' << b.SpeakerLen << '|' << b.TandrelMode
        << '|' << b.DoCheckBox << '|' << b.IsTheSameMsmin << '|' << b.MsminRunMode << '\n';
  }
  for (int i = 0; i < app.UserCommands.Size(); ++i) {
    out << app.UserCommands.At(i)->Caption.Text() << " => " << app.UserCommands.At(i)->CommandLine.Text()
        << '\n';
  }
  return out.str();
}

// A random but reproducible configuration at the edges of what the tree holds.
class Scenery {
 public:
  explicit Scenery(uint32_t seed) : random_(seed) {}

  void Fill(Application& app) {
    for (int32_t* number : {&app.DoAutoCheckNewVer, &app.CheckNewVerPeriod, &app.LastTabPos,
                            &app.RunMsminMode, &app.SendErrors}) {
      *number = Number();
    }
    app.Prompt = Text().c_str();
    const int boxes = 1 + random_() % 4;
    for (int i = 0; i < boxes; ++i) {
      if (i > 0) app.Boxes.AddBox();
      Mailbox& b = *app.Boxes.At(i);
      for (String* text : {&b.BoxName, &b.PopServerName, &b.Login, &b.MsminPath, &b.WavPath, &b.SpeakerStr}) {
        *text = Text().c_str();
      }
      b.Password = (random_() % 3 == 0 ? RandomBytes(1023) : RandomBytes(random_() % 20)).c_str();
      for (int32_t* number :
           {&b.Delay, &b.SoundMode, &b.TandrelMode, &b.DoCheckBox, &b.IsTheSameMsmin, &b.MsminRunMode}) {
        *number = Number();
      }
      b.Port = static_cast<uint32_t>(Number());
      b.SpeakerLen = static_cast<uint32_t>(Number());
    }
    app.Boxes.SetCurrent(random_() % boxes);
    const int commands = random_() % 5;
    for (int i = 0; i < commands; ++i) app.UserCommands.Add(Command(Text().c_str(), Text().c_str()));
  }

 private:
  std::string Text() {
    const std::string kinds[] = {"", "Мой ящик «Входящие» №1", std::string(2047, 'W'),
                                 "\"C:\\Program Files\\Почта\\mail.exe\" /a"};
    const uint32_t kind = random_() % 6;
    return kind < 4 ? kinds[kind] : RandomBytes(random_() % 40);
  }
  std::string RandomBytes(size_t length) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(1 + random_() % 255);
    return bytes;
  }
  int32_t Number() {
    const int32_t edges[] = {0, 1, -1, INT32_MIN, INT32_MAX, 20, 110};
    return edges[random_() % 7];
  }

  std::mt19937 random_;
};

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { host::Reset(); }
};

TEST_F(SettingsStoreTest, WhatIsSavedLoadsBackIdentically) {
  for (uint32_t seed = 1; seed <= 25; ++seed) {
    SCOPED_TRACE(seed);
    host::Reset();
    std::string saved;
    {
      Application app;
      Scenery(seed).Fill(app);
      saved = Describe(app);
      SaveSettings(app);
      EXPECT_EQ(saved, Describe(app)) << "saving leaves memory, passwords included, as it was";
      // Passwords are stored scrambled (the end-to-end polls log in with
      // what the registry holds) and decoded exactly once here.
    }
    Application loaded;
    ASSERT_EQ(1, LoadSettings(loaded));
    EXPECT_EQ(saved, Describe(loaded));
    EXPECT_TRUE(host::MessageBoxes().empty());
  }
}

TEST_F(SettingsStoreTest, CountsAreBoundedAndLeftAsStored) {
  const struct {
    int32_t stored;
    int32_t boxes;
    int32_t commands;
    int32_t current;  // LastBoxPos is 5; out of range the box loaded last stays current
  } cases[] = {{0, 1, 0, 0}, {-3, 1, 8, 0}, {3, 3, 3, 2}, {2000000000, 1000, 1000, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    host::Reset();
    Put(kSettings, "BoxesCount", c.stored);
    Put(kSettings, "CommandCount", c.stored);
    Put(kSettings, "LastBoxPos", 5);
    Application app;
    ASSERT_EQ(1, LoadSettings(app));
    EXPECT_EQ(c.boxes, app.Boxes.Count);
    EXPECT_EQ(c.commands, app.UserCommands.Size());
    EXPECT_EQ(c.stored > 0, host::KeyExists(RegRoot::CurrentUser, kBox1))
        << "no count: the default box stays unwritten";
    EXPECT_EQ(c.current, app.Boxes.Current);
    EXPECT_EQ(std::to_string(c.stored), Stored(kSettings, "BoxesCount"));
  }
}

TEST_F(SettingsStoreTest, ANumberStoredAsTextIsRewrittenAsANumber) {
  Put(kBox1, "Delay", std::string("45"));
  Application app;
  LoadSettings(app);
  EXPECT_EQ(60, app.Boxes.At(0)->Delay);
  host::RegValue value;
  ASSERT_TRUE(host::GetValue(RegRoot::CurrentUser, kBox1, "Delay", &value));
  EXPECT_EQ(platform::kRegDword, value.type);
  EXPECT_EQ("60", Stored(kBox1, "Delay"));
}

TEST_F(SettingsStoreTest, RegistryFailuresAreReportedOnceAndLoadingGoesOn) {
  host::FailKeysUnder(kSettings);
  Application app;
  EXPECT_EQ(0, LoadSettings(app)) << "without a Settings key start-up ends";
  EXPECT_EQ(1u, host::MessageBoxes().size());

  host::Reset();
  Put(kSettings, "BoxesCount", 2);
  Put("Software\\Tandreller\\MailBoxes\\2", "BoxName", std::string("второй"));
  host::FailKeysUnder(kBox1);
  Application broken;
  ASSERT_EQ(1, LoadSettings(broken));
  EXPECT_STREQ(kDefaultPopServer, broken.Boxes.At(0)->PopServerName.Text())
      << "a box without a key keeps defaults";
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
  Put(kSettings, "LastCensusYear", 125);
  Put(kSettings, "LastCheckNewVer", 1700000000);
  Put(kSettings, "BoxesCount", 3);
  for (int i = 1; i <= 3; ++i) {
    const std::string path = "Software\\Tandreller\\MailBoxes\\" + std::to_string(i);
    Put(path, "BoxName", "ящик " + std::to_string(i));
    Put(path, "LastMsgDate", 1000 * i);
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
  EXPECT_EQ("0", Stored(kSettings, "CommandCount"));
  EXPECT_EQ("ящик 2", Stored(kBox1, "BoxName"));
  EXPECT_EQ("1000", Stored(kBox1, "LastMsgDate")) << "the date stays with the position";
  EXPECT_EQ("ящик 3", Stored("Software\\Tandreller\\MailBoxes\\3", "BoxName")) << "never deleted";
  Application next;
  LoadSettings(next);
  EXPECT_EQ(0, next.UserCommands.Size()) << "an empty saved list is not the built-in one";

  host::Reset();
  host::FailKeysUnder("Software\\Tandreller");
  SaveSettings(next);
  EXPECT_FALSE(host::KeyExists(RegRoot::CurrentUser, kBox1)) << "without a Settings key nothing is written";
  EXPECT_EQ(1u, host::MessageBoxes().size());
}

}  // namespace
