// Loading and saving against the stand-in registry, the rules the end-to-end
// comparisons of whole settings trees cannot see.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <type_traits>

#include "app/Application.h"
#include "mail/MailProgram.h"
#include "settings/PasswordScrambler.h"
#include "settings/RegistryAccess.h"
#include "settings/SettingsStore.h"
#include "tests/unit/MessageLists.h"
#include "tests/unit/RegistryValues.h"

namespace {

constexpr char kSettings[] = "Software\\Tandreller\\Settings";
constexpr char kBox1[] = "Software\\Tandreller\\MailBoxes\\1";

// Describes every field saving writes; with `fill`, first gives each a value
// unlike any other, so a value lost or stored under another name shows.
std::string VisitFields(Application& app, bool fill) {
  std::string all = std::to_string(app.Boxes.Current);
  int32_t n = INT32_MIN;  // numbers at the bottom edge, and the unsigned ones at the top
  const auto number = [&](auto& field) {
    if (fill) field = static_cast<std::remove_reference_t<decltype(field)>>(n++);
    all += "|" + std::to_string(field);
  };
  const auto text = [&](String& field) {
    if (fill) field = ("«текст» " + std::to_string(n++)).c_str();
    all += std::string("|") + field.Text();
  };
  for (int32_t* f :
       {&app.DoAutoCheckNewVer, &app.CheckNewVerPeriod, &app.LastTabPos, &app.RunMsminMode, &app.SendErrors})
    number(*f);
  text(app.Prompt);
  for (int i = 0; i < app.Boxes.Count; ++i) {
    Mailbox& b = *app.Boxes.At(i);
    for (String* f :
         {&b.BoxName, &b.PopServerName, &b.Login, &b.Password, &b.MsminPath, &b.WavPath, &b.SpeakerStr})
      text(*f);
    for (int32_t* f :
         {&b.Delay, &b.SoundMode, &b.TandrelMode, &b.DoCheckBox, &b.IsTheSameMsmin, &b.MsminRunMode})
      number(*f);
    number(b.Port);
    number(b.SpeakerLen);
  }
  for (int i = 0; i < app.UserCommands.Size(); ++i) {
    text(app.UserCommands.At(i)->Caption);
    text(app.UserCommands.At(i)->CommandLine);
  }
  return all;
}

// A value is what its bytes are: a text of up to 2047 bytes, and as a number anything of
// exactly four (a three-letter text with its NUL too); a failed read leaves the target alone.
TEST(RegistryAccess, ReadsTextsUpTo2047BytesAndNumbersOfExactlyFourBytes) {
  using host::RegType;
  const std::string fits(2047, 'x');
  const struct {
    RegType type;
    std::string bytes;
    const char* text;  // as read, or null when missing
    int64_t number;    // as read, or -1 when missing
  } cases[] = {
      {RegType::Text, fits, fits.c_str(), -1},
      {RegType::Text, std::string(2048, 'y'), nullptr, -1},
      {RegType::Text, "abc", "abc", 0x00636261},
      {RegType::Text, "12345", "12345", -1},
      {RegType::Text, std::string("ab\0", 3), "ab", 0x00006261},
      {RegType::Number, "\x78\x56\x34\x12", "xV4\x12", 0x12345678},
      {RegType::Number, "\x01\x02", "\x01\x02", -1},
      {RegType::Bytes, "\x01\x02\x03\x04\x05\x06", "\x01\x02\x03\x04\x05\x06", -1},
      {RegType::Bytes, std::string(2048, 'z'), nullptr, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 8));
    host::Reset();
    host::PutValue(platform::RegRoot::CurrentUser, kSettings, "Value", {c.type, c.bytes});
    platform::OwnedKey key = registry::OpenOrCreateKey(kSettings);
    String text("kept");
    EXPECT_EQ(c.text != nullptr, registry::ReadStringValue(key, "Value", text) == 1);
    EXPECT_STREQ(c.text ? c.text : "kept", text.Text());
    int32_t number = -1;
    EXPECT_EQ(c.number >= 0, registry::ReadDwordValue(key, "Value", number) == 1);
    EXPECT_EQ(c.number, number);
  }
}

TEST(SettingsStore, WhatIsSavedLoadsBackIdentically) {
  host::Reset();
  std::string saved;
  {
    Application app;
    app.Boxes.AddBox();
    app.Boxes.AddBox();
    app.Boxes.SetCurrent(1);
    VisitFields(app, true);
    std::string everyByte;
    for (int i = 0; i < 1023; ++i) everyByte += static_cast<char>(1 + i % 255);
    app.Boxes.At(0)->Password = everyByte.c_str();
    app.Boxes.At(1)->Password = "";
    app.Prompt = std::string(2047, 'W').c_str();
    saved = VisitFields(app, false);
    SaveSettings(app);
    EXPECT_EQ(saved, VisitFields(app, false)) << "saving leaves memory, passwords included, as it was";
  }
  Application loaded;
  ASSERT_EQ(1, LoadSettings(loaded));
  EXPECT_EQ(saved, VisitFields(loaded, false));
  EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST(SettingsStore, CountsAreBoundedAndLeftAsStored) {
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
    PutText(kBox1, "Delay", "45");  // unreadable as a number
    Application app;
    ASSERT_EQ(1, LoadSettings(app));
    EXPECT_EQ(c.boxes, app.Boxes.Count);
    EXPECT_EQ(c.commands, app.UserCommands.Size());
    EXPECT_EQ(60, app.Boxes.At(0)->Delay);
    EXPECT_EQ(c.stored > 0 ? "60" : "\"45\"", Stored(kBox1, "Delay"))
        << "no count: the default box stays unwritten";
    EXPECT_EQ(c.current, app.Boxes.Current);
    EXPECT_EQ(std::to_string(c.stored), Stored(kSettings, "BoxesCount"));
  }
}

TEST(SettingsStore, RegistryFailuresAreReportedOnceAndLoadingGoesOn) {
  host::Reset();
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
  EXPECT_EQ(0, host::OpenKeyCount()) << "a failed write lets go of its key";
}

TEST(SettingsStore, SavingKeepsWhatOtherStepsOwn) {
  host::Reset();
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
  EXPECT_EQ("\"ящик 2\"", Stored(kBox1, "BoxName"));
  EXPECT_EQ("2000", Stored(kBox1, "LastMsgDate")) << "the date goes with its box";
  EXPECT_EQ("77", Stored("Software\\Tandreller\\MailBoxes\\2", "LastMsgDate"));
  EXPECT_EQ("\"ящик 3\"", Stored("Software\\Tandreller\\MailBoxes\\3", "BoxName")) << "never deleted";
  Application next;
  LoadSettings(next);
  EXPECT_EQ(0, next.UserCommands.Size()) << "an empty saved list is not the built-in one";

  host::Reset();
  host::FailKeysUnder("Software\\Tandreller");
  SaveSettings(next);
  EXPECT_EQ("<missing>", Stored(kBox1, "BoxName")) << "without a Settings key";
  EXPECT_EQ(1u, host::MessageBoxes().size());
}

// While the settings dialog has boxes moved, deleted or added and not yet saved, a box's place
// names another box's key: an acknowledged date goes under the key its box came from or went to.
TEST(SettingsStore, AnAcknowledgedDateGoesUnderItsBoxsOwnKey) {
  const struct {
    char change;  // the first box swapped with the last, deleted, or a box added
    bool save;
    const char* dates;  // under keys 1 to 4, once every box is acknowledged
  } cases[] = {
      {'m', false, "1001 1002 1003 <missing>"}, {'d', false, "100 1002 1003 <missing>"},
      {'a', false, "1001 1002 1003 <missing>"},  // a box never saved has no key yet
      {'m', true, "1003 1002 1001 <missing>"},  {'d', true, "1002 1003 300 <missing>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.change << c.save);
    host::Reset();
    PutDword(kSettings, "BoxesCount", 3);
    for (int i = 1; i <= 3; ++i) {
      const std::string path = "Software\\Tandreller\\MailBoxes\\" + std::to_string(i);
      PutText(path, "BoxName", std::to_string(i));
      PutDword(path, "LastMsgDate", 100 * i);
    }
    Application app;
    ASSERT_EQ(1, LoadSettings(app));
    if (c.change == 'm') app.Boxes.MoveBox(0, 2);
    if (c.change == 'd') app.Boxes.RemoveCurrent();
    if (c.change == 'a') app.Boxes.AddBox();
    if (c.save) SaveSettings(app);
    for (int i = 0; i < app.Boxes.Count; ++i) {
      Mailbox& box = *app.Boxes.At(i);
      box.TandrelMode = 0;
      GiveMessages(box, {1000 + std::atoi(box.BoxName.Text())});
      AcknowledgeBox(box);
    }
    std::string dates;
    for (int key = 1; key <= 4; ++key)
      dates += (key > 1 ? " " : "") +
               Stored("Software\\Tandreller\\MailBoxes\\" + std::to_string(key), "LastMsgDate");
    EXPECT_EQ(c.dates, dates);
  }
}

TEST(PasswordScrambler, NeighbouringEntriesDifferAndStoredFormsDecode) {
  // A scrambled password must never hold a NUL: a step past a zero byte must not make another.
  for (int position = 0; position < kScrambleTableSize; ++position)
    ASSERT_NE(ScrambleTableEntry(position), ScrambleTableEntry((position + 1) % kScrambleTableSize))
        << position;
  const std::pair<const char*, const char*> cases[] = {
      {"\x9E\x01", "a"},           // 'a' + 61 at position 1
      {"\x13\x96\x61\x03", "ab"},  // + 178 at position 150 wraps; + 255 at position 3
      {"", ""},
      {"abc", ""},         // odd length
      {"a\x97", ""},       // position 151
      {"ab\x01\xFF", ""},  // a valid pair, then position 255
      {"\x3D\x01", ""},    // decodes to a zero byte: no encoder writes that
  };
  for (const auto& c : cases) {
    String password(c.first);
    ScramblePassword(password, ScrambleDirection::Decode);
    EXPECT_STREQ(c.second, password.Text()) << c.first;
  }
}

}  // namespace
