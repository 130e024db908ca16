// Polls in worker threads racing everything the main thread does to the same
// boxes: acknowledging, clearing, removing, moving and saving. Run under
// ThreadSanitizer and AddressSanitizer, this is where sharing would show.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "app/Application.h"
#include "mail/MailProgram.h"
#include "platform/host/HostControl.h"
#include "settings/SettingsStore.h"
#include "tests/support/ScriptedPop3Server.h"

namespace {

void PointAt(Mailbox& box, uint16_t port, int32_t mode) {
  box.PopServerName = "127.0.0.1";
  box.Port = port;
  box.Login = "tester";
  box.Password = "secret";
  box.TandrelMode = mode;
  box.Delay = 20;
  box.MsminPath = "mail.exe";
}

TEST(PollStress, PollsRaceTheMainThreadWithoutSharingABox) {
  host::Reset();
  ScriptedPop3Server server;
  server.OnPrefix("USER", Reply("+OK\r\n"));
  server.OnPrefix("PASS", Reply("+OK\r\n").Chunks(2, 1));
  server.On("STAT", Reply("+OK 4 1000\r\n"));
  server.OnPrefix("TOP", Reply::MultiLine("+OK", "Received: by x; 2 Jan 2026 10:00:00 +0000").Chunks(16, 1));

  Application app;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) app.Boxes.AddBox();
    PointAt(*app.Boxes.At(i), server.Port(), i % 2);
  }
  ASSERT_EQ(1, app.Init(nullptr));  // loads the defaults over box 1 ...
  PointAt(*app.Boxes.At(0), server.Port(), 0);
  app.Boxes.ArmAllTimers(true);

  std::mt19937 random(5);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  int rounds = 0;
  while (std::chrono::steady_clock::now() < end) {
    host::AdvanceClock(20000);
    host::WaitForQueuedMessage(5);
    host::PumpMessages();
    Mailbox* box = app.Boxes.At(static_cast<int32_t>(random() % app.Boxes.Count));
    switch (random() % 6) {
      case 0: OpenMailProgram(app, *box); break;
      case 1: box->ClearNewMail(); break;
      case 2: SaveSettings(app); break;
      case 3:
        app.Boxes.SetCurrent(static_cast<int32_t>(random() % app.Boxes.Count));
        if (app.Boxes.RemoveCurrent()) {
          app.Boxes.AddBox();
          PointAt(*app.Boxes.CurrentBox(), server.Port(), static_cast<int32_t>(random() % 2));
          app.Boxes.ArmBoxTimer(app.Boxes.Current, true);
        }
        break;
      case 4: app.Boxes.MoveBox(0, app.Boxes.Count - 1); break;
      default: app.ProcessCheckResults(); break;
    }
    ++rounds;
  }
  app.Shutdown();
  // Workers still waiting for their result to be handled need the pump.
  while (host::RunningThreadCount() > 0) {
    host::WaitForQueuedMessage(10);
    host::PumpMessages();
  }
  EXPECT_GT(server.Connections(), 20u) << "polls really ran alongside";
  EXPECT_GT(rounds, 20);
  EXPECT_TRUE(host::MessageBoxes().empty()) << "no failure surfaced";
}

}  // namespace
