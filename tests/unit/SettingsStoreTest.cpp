#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "app/Application.h"
#include "platform/host/HostControl.h"
#include "settings/PasswordScrambler.h"
#include "settings/SettingsStore.h"

using platform::RegRoot;

namespace {

constexpr char kSettings[] = "Software\\Tandreller\\Settings";
constexpr char kBox1[] = "Software\\Tandreller\\MailBoxes\\1";

host::RegValue Dword(int32_t value) {
  const uint32_t bits = static_cast<uint32_t>(value);
  return {platform::kRegDword, {uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)}};
}

host::RegValue Text(const std::string& text) {
  return {platform::kRegText, std::vector<uint8_t>(text.begin(), text.end())};
}

void Put(const std::string& path, const char* name, const host::RegValue& value) {
  host::PutValue(RegRoot::CurrentUser, path, name, value);
}

// The registry holds a text with its NUL; this is the text.
std::string StoredText(const std::string& path, const char* name) {
  host::RegValue value;
  if (!host::GetValue(RegRoot::CurrentUser, path, name, &value)) return "<missing>";
  return std::string(value.data.begin(), value.data.end()).c_str();
}

int32_t StoredDword(const std::string& path, const char* name) {
  host::RegValue value;
  if (!host::GetValue(RegRoot::CurrentUser, path, name, &value) || value.data.size() != 4) return -12345;
  return int32_t(value.data[0] | value.data[1] << 8 | value.data[2] << 16 | uint32_t(value.data[3]) << 24);
}

std::string Describe(const Application& app) {
  std::ostringstream out;
  out << app.DoAutoCheckNewVer << '|' << app.CheckNewVerPeriod << '|' << app.LastTabPos << '|'
      << app.RunMsminMode << '|' << app.SendErrors << '|' << app.Prompt.Text() << "|current "
      << app.Boxes.Current << '\n';
  for (int i = 0; i < app.Boxes.Count; ++i) {
    const Mailbox& box = *app.Boxes.At(i);
    out << box.BoxName.Text() << '|' << box.PopServerName.Text() << '|' << box.Port << '|' << box.Login.Text()
        << '|' << box.Password.Text() << '|' << box.MsminPath.Text() << '|' << box.Delay << '|'
        << box.SoundMode << '|' << box.WavPath.Text() << '|' << box.SpeakerStr.Text() << '|' << box.SpeakerLen
        << '|' << box.TandrelMode << '|' << box.DoCheckBox << '|' << box.IsTheSameMsmin << '|'
        << box.MsminRunMode << '\n';
  }
  for (int i = 0; i < app.UserCommands.Size(); ++i) {
    out << app.UserCommands.At(i)->Caption.Text() << " => " << app.UserCommands.At(i)->CommandLine.Text()
        << '\n';
  }
  return out.str();
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { host::Reset(); }
};

// The values and their defaults are compared with the registry a real first
// start writes, end to end; here what that cannot see.
TEST_F(SettingsStoreTest, FirstStartCreatesTheTreeButNotTheCommands) {
  Application app;
  ASSERT_EQ(1, LoadSettings(app));
  EXPECT_EQ(11u, host::ValueNames(RegRoot::CurrentUser, kSettings).size());
  EXPECT_EQ(16u, host::ValueNames(RegRoot::CurrentUser, kBox1).size());
  EXPECT_EQ((std::vector<std::string>{"MailBoxes", "Settings"}),
            host::SubkeyNames(RegRoot::CurrentUser, "Software\\Tandreller"))
      << "no Commands subkey until the first save";
  EXPECT_EQ(8, app.UserCommands.Size());
  EXPECT_TRUE(host::MessageBoxes().empty());
  EXPECT_EQ(0, host::OpenKeyCount());
}

// A random but reproducible configuration at the edges of what the tree holds.
class Scenery {
 public:
  explicit Scenery(uint32_t seed) : random_(seed) {}

  std::string Text() {
    switch (random_() % 6) {
      case 0:
        return "";
      case 1:
        return "Мой ящик «Входящие» №1";
      case 2:
        return std::string(2047, 'W');
      case 3:
        return "\"C:\\Program Files\\Почта\\mail.exe\" /a";
      default:
        return RandomBytes(random_() % 40);
    }
  }
  std::string Password() { return random_() % 3 == 0 ? RandomBytes(1023) : RandomBytes(random_() % 20); }
  int32_t Number() {
    const int32_t edges[] = {0, 1, -1, INT32_MIN, INT32_MAX, 20, 110};
    return edges[random_() % 7];
  }

  void Fill(Application& app) {
    app.DoAutoCheckNewVer = Number();
    app.CheckNewVerPeriod = Number();
    app.LastTabPos = Number();
    app.RunMsminMode = Number();
    app.SendErrors = Number();
    app.Prompt = Text().c_str();
    const int boxes = 1 + random_() % 4;
    for (int i = 0; i < boxes; ++i) {
      if (i > 0) app.Boxes.AddBox();
      FillBox(*app.Boxes.At(i));
    }
    app.Boxes.SetCurrent(random_() % boxes);
    const int commands = random_() % 5;
    for (int i = 0; i < commands; ++i) app.UserCommands.Add(Command(Text().c_str(), Text().c_str()));
  }

 private:
  std::string RandomBytes(size_t length) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(1 + random_() % 255);
    return bytes;
  }
  void FillBox(Mailbox& box) {
    box.BoxName = Text().c_str();
    box.PopServerName = Text().c_str();
    box.Port = static_cast<uint32_t>(Number());
    box.Login = Text().c_str();
    box.Password = Password().c_str();
    box.MsminPath = Text().c_str();
    box.Delay = Number();
    box.SoundMode = Number();
    box.WavPath = Text().c_str();
    box.SpeakerStr = Text().c_str();
    box.SpeakerLen = static_cast<uint32_t>(Number());
    box.TandrelMode = Number();
    box.DoCheckBox = Number();
    box.IsTheSameMsmin = Number();
    box.MsminRunMode = Number();
  }

  std::mt19937 random_;
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
    }
    Application loaded;
    ASSERT_EQ(1, LoadSettings(loaded));
    EXPECT_EQ(saved, Describe(loaded));
    EXPECT_TRUE(host::MessageBoxes().empty());
  }
}

TEST_F(SettingsStoreTest, PasswordsAreStoredScrambledAndNeverDecodedTwice) {
  {
    Application app;
    app.Boxes.At(0)->Password = "пароль";
    SaveSettings(app);
  }
  const std::string stored = StoredText(kBox1, "Password");
  EXPECT_EQ(12u, stored.size());
  EXPECT_EQ(std::string::npos, stored.find("пароль"));
  Application loaded;
  LoadSettings(loaded);
  EXPECT_STREQ("пароль", loaded.Boxes.At(0)->Password.Text());
  EXPECT_EQ(stored, StoredText(kBox1, "Password")) << "loading does not rewrite a stored password";
}

TEST_F(SettingsStoreTest, CountsBoundWhatIsReadAndAreRepaired) {
  Put(kSettings, "BoxesCount", Dword(3));
  Put(kSettings, "LastBoxPos", Dword(5));
  Put(kBox1, "BoxName", Text("первый"));
  Put("Software\\Tandreller\\MailBoxes\\3", "BoxName", Text("третий"));
  Put("Software\\Tandreller\\MailBoxes\\4", "BoxName", Text("лишний"));
  Application app;
  ASSERT_EQ(1, LoadSettings(app));
  ASSERT_EQ(3, app.Boxes.Count);
  EXPECT_STREQ("первый", app.Boxes.At(0)->BoxName.Text());
  EXPECT_STREQ("", app.Boxes.At(1)->BoxName.Text());
  EXPECT_STREQ("третий", app.Boxes.At(2)->BoxName.Text());
  EXPECT_EQ(2, app.Boxes.Current) << "an out-of-range LastBoxPos keeps the box loaded last";
  EXPECT_EQ(16u, host::ValueNames(RegRoot::CurrentUser, "Software\\Tandreller\\MailBoxes\\2").size());
  EXPECT_EQ(1u, host::ValueNames(RegRoot::CurrentUser, "Software\\Tandreller\\MailBoxes\\4").size())
      << "subkeys past the count are neither read nor touched";
}

TEST_F(SettingsStoreTest, BoxCountsOutsideOneToAThousand) {
  const struct {
    int32_t stored;
    int32_t boxes;
    int32_t commands;
    bool firstKeyWritten;
  } cases[] = {{0, 1, 0, false}, {-3, 1, 8, false}, {2000000000, 1000, 1000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    host::Reset();
    Put(kSettings, "BoxesCount", Dword(c.stored));
    Put(kSettings, "CommandCount", Dword(c.stored));
    Application app;
    ASSERT_EQ(1, LoadSettings(app));
    EXPECT_EQ(c.boxes, app.Boxes.Count);
    EXPECT_EQ(c.commands, app.UserCommands.Size());
    EXPECT_EQ(c.firstKeyWritten, host::KeyExists(RegRoot::CurrentUser, kBox1));
    EXPECT_EQ(c.stored, StoredDword(kSettings, "BoxesCount")) << "the stored count stays";
  }
}

TEST_F(SettingsStoreTest, ANumberStoredAsTextIsRewrittenAsANumber) {
  Put(kBox1, "Delay", Text("45"));
  Application app;
  LoadSettings(app);
  EXPECT_EQ(60, app.Boxes.At(0)->Delay);
  host::RegValue value;
  ASSERT_TRUE(host::GetValue(RegRoot::CurrentUser, kBox1, "Delay", &value));
  EXPECT_EQ(platform::kRegDword, value.type);
  EXPECT_EQ(60, StoredDword(kBox1, "Delay"));
}

TEST_F(SettingsStoreTest, CommandCountChoosesStoredBuiltInOrNone) {
  const std::string second = "Software\\Tandreller\\Commands\\2";
  Put(kSettings, "CommandCount", Dword(2));
  Put("Software\\Tandreller\\Commands\\1", "Capt", Text("Блокнот"));
  Put("Software\\Tandreller\\Commands\\1", "Command", Text("notepad"));
  Put(second, "Capt", Text("Без команды"));
  {
    Application app;
    LoadSettings(app);
    ASSERT_EQ(2, app.UserCommands.Size());
    EXPECT_STREQ("notepad", app.UserCommands.At(0)->CommandLine.Text());
    EXPECT_STREQ("Без команды", app.UserCommands.At(1)->Caption.Text());
    EXPECT_STREQ(kBrokenCommandLine, app.UserCommands.At(1)->CommandLine.Text());
    EXPECT_EQ(kBrokenCommandLine, StoredText(second, "Command"));
  }
  const std::pair<int32_t, int> cases[] = {{0, 0}, {-1, 8}, {-7, 8}};
  for (const auto& c : cases) {
    Put(kSettings, "CommandCount", Dword(c.first));
    Application app;
    LoadSettings(app);
    EXPECT_EQ(c.second, app.UserCommands.Size()) << c.first;
  }
}

TEST_F(SettingsStoreTest, WithoutASettingsKeyStartUpEnds) {
  host::FailKeysUnder(kSettings);
  Application app;
  EXPECT_EQ(0, LoadSettings(app));
  ASSERT_EQ(1u, host::MessageBoxes().size());
  EXPECT_EQ(0, app.Init(nullptr));
}

TEST_F(SettingsStoreTest, ABrokenBoxKeyIsReportedAndSkipped) {
  Put(kSettings, "BoxesCount", Dword(2));
  Put("Software\\Tandreller\\MailBoxes\\2", "BoxName", Text("второй"));
  host::FailKeysUnder(kBox1);
  Application app;
  ASSERT_EQ(1, LoadSettings(app));
  ASSERT_EQ(2, app.Boxes.Count);
  EXPECT_STREQ(kDefaultPopServer, app.Boxes.At(0)->PopServerName.Text());
  EXPECT_STREQ("второй", app.Boxes.At(1)->BoxName.Text());
  EXPECT_EQ(1u, host::MessageBoxes().size());
  EXPECT_EQ(0, host::OpenKeyCount());
}

TEST_F(SettingsStoreTest, AFailedWriteWhileLoadingSpeaksOnceAndLoadingGoesOn) {
  Put(kSettings, "BoxesCount", Dword(1));
  host::FailWritesUnder(kBox1);
  Application app;
  ASSERT_EQ(1, LoadSettings(app));
  EXPECT_EQ(1u, host::MessageBoxes().size());
  EXPECT_EQ(8, app.UserCommands.Size());
  EXPECT_EQ(0, host::OpenKeyCount());
}

TEST_F(SettingsStoreTest, SavingKeepsWhatOtherStepsOwn) {
  Put(kSettings, "LastCensusYear", Dword(125));
  Put(kSettings, "LastCheckNewVer", Dword(1700000000));
  Put(kSettings, "BoxesCount", Dword(3));
  for (int i = 1; i <= 3; ++i) {
    const std::string path = "Software\\Tandreller\\MailBoxes\\" + std::to_string(i);
    Put(path, "BoxName", Text("ящик " + std::to_string(i)));
    Put(path, "LastMsgDate", Dword(1000 * i));
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

  EXPECT_EQ(125, StoredDword(kSettings, "LastCensusYear"));
  EXPECT_EQ(1700000000, StoredDword(kSettings, "LastCheckNewVer"));
  EXPECT_EQ(2, StoredDword(kSettings, "BoxesCount"));
  EXPECT_EQ(0, StoredDword(kSettings, "CommandCount"));
  EXPECT_EQ("ящик 2", StoredText(kBox1, "BoxName"));
  EXPECT_EQ(1000, StoredDword(kBox1, "LastMsgDate")) << "the date stays with the position";
  EXPECT_EQ("ящик 3", StoredText("Software\\Tandreller\\MailBoxes\\3", "BoxName")) << "never deleted";
  Application next;
  LoadSettings(next);
  EXPECT_EQ(0, next.UserCommands.Size()) << "an empty saved list is not the built-in one";
}

TEST_F(SettingsStoreTest, ASaveWithoutASettingsKeyWritesNothing) {
  host::FailKeysUnder("Software\\Tandreller");
  Application app;
  SaveSettings(app);
  EXPECT_FALSE(host::KeyExists(RegRoot::CurrentUser, kBox1));
  EXPECT_EQ(1u, host::MessageBoxes().size());
}

}  // namespace
