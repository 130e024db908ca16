#include "app/EntryPoint.h"

#include "app/Application.h"
#include "common/Texts.h"

namespace app {

int RunProgram(Application& application, platform::Module instance) {
  platform::NetStartup();  // without sockets the program still runs; polls then fail
  if (!application.Init(instance)) {
    // Winsock stays started: the process ends right after this.
    platform::ShowUrgentMessageBox(nullptr, texts::kInitFailed, texts::kCaptionError,
                                   platform::BoxButtons::Ok, platform::BoxIcon::Error);
    return 0;
  }
  const int code = platform::RunMainLoop();
  application.MainWindow.Reset();
  platform::NetCleanup();
  return code;
}

}  // namespace app
