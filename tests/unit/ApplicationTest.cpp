#include "app/Application.h"

#include <gtest/gtest.h>

#include "app/EntryPoint.h"
#include "app/MainWindow.h"
#include "platform/host/HostControl.h"

namespace {

class ApplicationTest : public ::testing::Test {
 protected:
  // Start-up checks the default box at once; its poll must be over before the
  // stand-in is reset under it.
  void SetUp() override { host::Reset(); }
  void TearDown() override { host::JoinStartedThreads(); }
};

TEST_F(ApplicationTest, IsBuiltWithDefaultsAndOneDefaultMailbox) {
  Application app;
  EXPECT_EQ(&app, Application::Current());
  ASSERT_EQ(1, app.Boxes.Count);
  EXPECT_EQ(11024, app.Boxes.At(0)->Id);
  EXPECT_EQ(0, app.Boxes.Current);
  EXPECT_EQ(0, app.UserCommands.Size());
  EXPECT_STREQ("Мыло припёрло", app.Prompt.Text());
  EXPECT_EQ(1, app.DoAutoCheckNewVer);
  EXPECT_EQ(10, app.CheckNewVerPeriod);
  EXPECT_EQ(1, app.SendErrors);
  EXPECT_EQ(nullptr, app.MainWindow);
}

TEST_F(ApplicationTest, InitCreatesTheHiddenWindowAndTheNamedObjects) {
  Application app;
  ASSERT_EQ(1, app.Init(nullptr));
  EXPECT_TRUE(platform::WindowExists(app.MainWindow));
  EXPECT_FALSE(platform::WindowVisible(app.MainWindow));
  EXPECT_EQ(app.MainWindow, app.Boxes.TimerWindow);
  EXPECT_EQ(110, host::IconResourceId(app.SmallIcon));
  for (int i = 0; i < Application::kButtonIconCount; ++i) {
    EXPECT_EQ(134 + i, host::IconResourceId(app.ButtonIcons[i]));
  }
  EXPECT_NE(nullptr, app.ModalSemaphore);
  EXPECT_NE(nullptr, app.SpeakerSemaphore);
  EXPECT_NE(nullptr, app.WavSemaphore);
  EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST_F(ApplicationTest, ASecondCopySaysSoAndFailsToStart) {
  bool existed = true;
  platform::KernelObject first = platform::CreateNamedMutex("2 TandrellerApp", true, &existed);
  ASSERT_FALSE(existed);

  Application second;
  EXPECT_EQ(0, app::RunProgram(second, nullptr));
  const auto boxes = host::MessageBoxes();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ("Прога уже запущена!", boxes[0].text);
  EXPECT_EQ("Вестун :)", boxes[0].caption);
  EXPECT_EQ(platform::BoxIcon::Warning, boxes[0].icon);
  EXPECT_EQ("Не удалось инициализировать приложение!", boxes[1].text);
  EXPECT_EQ("Вестун :(", boxes[1].caption);
  EXPECT_EQ(platform::BoxIcon::Error, boxes[1].icon);
  for (const auto& box : boxes) {
    EXPECT_TRUE(box.systemModal);
    EXPECT_EQ(nullptr, box.owner);
  }
  EXPECT_EQ(nullptr, second.MainWindow) << "no window for the second copy";
  EXPECT_EQ(nullptr, second.InstanceMutex);
  EXPECT_EQ(platform::WaitResult::Taken, platform::WaitForObject(first, 0)) << "the first copy keeps its mutex";
  platform::CloseObject(first);
}

TEST_F(ApplicationTest, TheModalGuardIsTakenOnceAndReleasesSafely) {
  Application app;
  ASSERT_EQ(1, app.Init(nullptr));
  EXPECT_EQ(1, app.EnterModal());
  EXPECT_EQ(0, app.EnterModal()) << "a second menu gives up";
  app.LeaveModal();
  app.LeaveModal();  // not taken: fails silently, the count stays 1
  EXPECT_EQ(1, app.EnterModal());
  EXPECT_EQ(0, app.EnterModal());
}

TEST_F(ApplicationTest, ShutdownReleasesTheInstanceEmptiesCommandsAndQuits) {
  Application app;
  ASSERT_EQ(1, app.Init(nullptr));
  app.UserCommands.Add(Command("a", "b"));
  app.Shutdown();
  EXPECT_EQ(0, app.UserCommands.Size());
  bool existed = true;
  platform::KernelObject again = platform::CreateNamedMutex("2 TandrellerApp", true, &existed);
  EXPECT_FALSE(existed) << "another copy may start now";
  platform::CloseObject(again);
  int code = -1;
  EXPECT_TRUE(host::TakeQuitCode(&code));
  EXPECT_EQ(0, code);
}

TEST_F(ApplicationTest, RunProgramEndsWithTheQuitCodeAndDestroysTheWindow) {
  Application app;
  platform::PostQuit(7);
  EXPECT_EQ(7, app::RunProgram(app, nullptr));
  EXPECT_NE(nullptr, app.MainWindow);
  EXPECT_FALSE(platform::WindowExists(app.MainWindow));
  EXPECT_TRUE(host::MessageBoxes().empty());
}

TEST_F(ApplicationTest, TheMainWindowClassCannotBeRegisteredTwice) {
  // Init fails when the class is taken, as on Windows within one process.
  ASSERT_TRUE(platform::RegisterWindowClass(nullptr, kMainWindowClass, MainWindowProc, nullptr));
  Application app;
  EXPECT_EQ(0, app::RunProgram(app, nullptr));
  ASSERT_EQ(1u, host::MessageBoxes().size());
  EXPECT_EQ("Не удалось инициализировать приложение!", host::MessageBoxes()[0].text);
}

}  // namespace
