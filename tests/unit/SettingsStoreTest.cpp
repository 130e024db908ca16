// Loading and saving against the stand-in registry, the rules the end-to-end
// comparisons of whole settings trees cannot see.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/Application.h"
#include "app/ApplicationSettings.h"
#include "mail/MailProgram.h"
#include "settings/PasswordScrambler.h"
#include "tests/support/MessageLists.h"
#include "tests/support/RegistryValues.h"

namespace {

constexpr char kSettings[] = "Software\\Tandreller\\Settings";
constexpr char kBox1[] = "Software\\Tandreller\\MailBoxes\\1";

// Every value that saving writes, by key; a text's name is marked with a '$'.
constexpr char kProgramValues[] =
    "DoAutoCheckNewVer CheckNewVerPeriod BoxesCount CommandCount LastBoxPos LastTabPos $Prompt RunMsminMode "
    "SendErrors ShowBalloon";
constexpr char kBoxValues[] =
    "$BoxName $PopServerName Port $Login $Password $MsminPath Delay SoundMode $WavPath $SpeakerStr SpeakerLen "
    "TandrelMode DoCheckBox IsTheSameMsmin MsminRunMode LastMsgDate";

std::string BoxKey(int number) { return "Software\\Tandreller\\MailBoxes\\" + std::to_string(number); }

// What is not taken leaves its field at the default and its value as it was stored: an
// administrator's port typed as the text "995" is not port 14649, nor lost. A text that another code
// page wrote with characters Windows-1251 lacks is not taken either: a password that lost characters
// would decode to a wrong one, sent at every poll.
TEST(SettingsStore, EveryKindOfValueIsTakenOnlyAsItsOwnTypeAndWhole) {
  using host::RegType;
  // One row for each way a value reads (the registry's conformance tests hold which bytes read
  // which way). Texts hold "995" (a password its scrambled form) or as many y's as their length
  // says, numbers 2. Stored as a text, a number is "995" (or y's); as a number, a text is 2.
  const struct {
    RegType type;
    bool foreign;   // its first character lost
    size_t length;  // of a number's bytes; of a text: 0 as it is, else that many bytes
    bool textTaken, numberTaken, textRewritten;
  } types[] = {
      {RegType::Text, false, 0, true, false, false},
      {RegType::Text, true, 0, false, false, false},
      {RegType::Text, false, 2048, false, false, true},  // too long: as good as missing
      {RegType::ExpandableText, false, 0, false, false, false},
      {RegType::Number, false, 4, false, true, false},
  };
  const struct {
    const char* path;
    const char* name;
    bool text;
    std::string (*field)(Application&);
  } values[] = {
      {kSettings, "Prompt", true, [](Application& app) { return app.Prompt; }},
      {kBox1, "Password", true, [](Application& app) { return app.Boxes.At(0)->Password; }},
      {kBox1, "Delay", false, [](Application& app) { return std::to_string(app.Boxes.At(0)->Delay); }},
      {kBox1, "Port", false, [](Application& app) { return std::to_string(app.Boxes.At(0)->Port); }}};
  Application fresh;
  std::string scrambled("995");
  ScramblePasswordSeeded(scrambled, ScrambleDirection::Encode, 7);
  for (const auto& t : types) {
    const bool asText = t.type == RegType::Text || t.type == RegType::ExpandableText;
    for (const auto& v : values) {
      SCOPED_TRACE(testing::Message() << v.name << " as type " << int(t.type) << ", length " << t.length
                                      << (t.foreign ? ", foreign" : ""));
      const std::string name = v.name;
      std::string bytes = !asText        ? std::string("\x02\0\0\0", t.length)
                          : t.length > 0 ? std::string(t.length, 'y')
                                         : (name == "Password" ? scrambled : "995");
      if (t.foreign) bytes[0] = '?';
      const host::RegValue planted{t.type, bytes, t.foreign};
      host::Reset();
      host::PutValue(v.path, name, planted);
      Application app;
      ASSERT_TRUE(LoadSettings(app));
      std::string taken = v.text ? std::string(bytes.c_str()) : "2";
      if (name == "Password") ScramblePassword(taken, ScrambleDirection::Decode);
      EXPECT_EQ((v.text ? t.textTaken : t.numberTaken) ? taken : v.field(fresh), v.field(app));
      host::RegValue stored;
      ASSERT_TRUE(host::GetValue(v.path, name, &stored));
      const bool kept =
          stored.type == planted.type && stored.bytes == planted.bytes && stored.foreign == t.foreign;
      EXPECT_EQ(!(v.text && t.textRewritten), kept);
      EXPECT_TRUE(host::MessageBoxes().empty());
    }
  }
}

// Two boxes and two commands, the second box current; every other value unlike any other, the
// numbers across the sign bit, the first box's password every byte there is, the prompt as long as a
// text may be. The census year and the version check's time are saved only by their own steps.
TEST(SettingsStore, WhatIsLoadedIsSavedBackAsItWas) {
  host::Reset();
  std::string everyByte;
  for (int i = 0; i < 1023; ++i) everyByte += static_cast<char>(1 + i % 255);
  uint32_t n = 0x7FFFFFFFu - 20;  // counts on past the sign bit, as a DWORD does
  std::vector<std::pair<std::string, std::string>> values;  // key and name
  const auto plant = [&](const std::string& path, const char* names) {
    std::istringstream words(names);
    for (std::string name; words >> name;) {
      std::string text = name == "$Prompt" ? std::string(2047, 'W') : "«текст» " + std::to_string(n++);
      if (name == "$Password") {
        text = path == kBox1 ? everyByte : "";
        ScramblePasswordSeeded(text, ScrambleDirection::Encode, 7);
      }
      if (name[0] == '$')
        host::PutValue(path, name.erase(0, 1), {host::RegType::Text, text});
      else
        PutDword(path, name.c_str(), name == "LastBoxPos" ? 1 : name.find("Count") != name.npos ? 2 : static_cast<int32_t>(n++));
      values.push_back({path, name});
    }
  };
  plant(kSettings, kProgramValues);
  for (int number : {1, 2}) {
    plant(BoxKey(number), kBoxValues);
    plant("Software\\Tandreller\\Commands\\" + std::to_string(number), "$Capt $Command");
  }
  // A value as an export shows it, a password as it decodes: every save scrambles it anew.
  const auto shown = [](const std::pair<std::string, std::string>& value) {
    std::string text = Stored(value.first, value.second.c_str());
    if (value.second != "Password") return text;
    text = text.substr(1, text.size() - 2);
    ScramblePassword(text, ScrambleDirection::Decode);
    return text;
  };
  std::vector<std::string> before;
  for (const auto& value : values) before.push_back(shown(value));
  PutDword(kSettings, "LastCensusYear", 125);
  PutDword(kSettings, "LastCheckNewVer", 1700000000);
  Application app;
  ASSERT_TRUE(LoadSettings(app));
  EXPECT_TRUE(app.LastCensusYear == 125 && app.LastCheckNewVer == 1700000000);
  host::Reset();
  SaveSettings(app);
  EXPECT_EQ("<missing><missing>", Stored(kSettings, "LastCensusYear") + Stored(kSettings, "LastCheckNewVer"));
  EXPECT_EQ(everyByte, app.Boxes.At(0)->Password) << "loaded whole, and saving leaves it in memory as it was";
  for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(before[i], shown(values[i])) << values[i].second;
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
    Application app;
    ASSERT_TRUE(LoadSettings(app));
    EXPECT_EQ(c.boxes, app.Boxes.Count());
    EXPECT_EQ(size_t(c.commands), app.UserCommands.size());
    EXPECT_EQ(c.stored > 0 ? "60" : "<missing>", Stored(kBox1, "Delay"))
        << "no count: the default box stays unwritten";
    EXPECT_EQ(c.current, app.Boxes.Current);
    EXPECT_EQ(std::to_string(c.stored), Stored(kSettings, "BoxesCount"));
  }
}

TEST(SettingsStore, RegistryFailuresAreReportedOnceAndLoadingGoesOn) {
  host::Reset();
  host::FailKeysUnder(kSettings);
  Application app;
  EXPECT_FALSE(LoadSettings(app)) << "without a Settings key start-up ends";

  host::Reset();
  PutDword(kSettings, "BoxesCount", 2);
  host::PutValue(BoxKey(2), "BoxName", {host::RegType::Text, "второй"});
  host::FailKeysUnder(kBox1);
  Application broken;
  ASSERT_TRUE(LoadSettings(broken));
  EXPECT_STREQ(kDefaultPopServer, broken.Boxes.At(0)->PopServerName.c_str()) << "a box without a key";
  EXPECT_STREQ("второй", broken.Boxes.At(1)->BoxName.c_str());
  EXPECT_EQ(1u, host::MessageBoxes().size());

  host::Reset();
  host::FailWritesUnder(kBox1);
  Application unwritable;
  ASSERT_TRUE(LoadSettings(unwritable));
  EXPECT_EQ(1u, host::MessageBoxes().size()) << "one failed write speaks once";
  EXPECT_EQ(8u, unwritable.UserCommands.size());
  EXPECT_EQ(0, host::OpenKeyCount()) << "a failed write lets go of its key";

  host::Reset();
  host::FailKeysUnder("Software\\Tandreller");
  SaveSettings(unwritable);
  EXPECT_EQ(1u, host::MessageBoxes().size()) << "saving without a Settings key";
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
      host::PutValue(BoxKey(i), "BoxName", {host::RegType::Text, std::to_string(i)});
      PutDword(BoxKey(i), "LastMsgDate", 100 * i);
    }
    Application app;
    ASSERT_TRUE(LoadSettings(app));
    if (c.change == 'm') app.Boxes.MoveBox(0, 2);
    if (c.change == 'd') app.Boxes.RemoveCurrent();
    if (c.change == 'a') app.Boxes.AddBox();
    if (c.save) SaveSettings(app);
    for (int i = 0; i < app.Boxes.Count(); ++i) {
      Mailbox& box = *app.Boxes.At(i);
      box.TandrelMode = 0;
      GiveMessages(box, {1000 + std::atoi(box.BoxName.c_str())});
      AcknowledgeBox(box);
    }
    std::string dates;
    for (int key = 1; key <= 4; ++key) dates += Stored(BoxKey(key), "LastMsgDate") + (key < 4 ? " " : "");
    EXPECT_EQ(c.dates, dates);
  }
}

TEST(PasswordScrambler, NeighbouringEntriesDifferAndWhatNoEncoderWritesDecodesToNothing) {
  // A scrambled password must never hold a NUL: a step past a zero byte must not make another.
  for (int position = 0; position < kScrambleTableSize; ++position)
    ASSERT_NE(ScrambleTableEntry(position), ScrambleTableEntry((position + 1) % kScrambleTableSize))
        << position;
  // What stored passwords decode to, the end-to-end cases' seeded settings hold. Here: a position
  // of 151, a valid pair and then position 255, a pair that decodes to a zero byte.
  for (const char* stored : {"a\x97", "ab\x01\xFF", "\x3D\x01"}) {
    std::string password(stored);
    ScramblePassword(password, ScrambleDirection::Decode);
    EXPECT_EQ("", password) << stored;
  }
}

}  // namespace
