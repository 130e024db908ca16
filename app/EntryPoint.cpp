#include "app/EntryPoint.h"

#include "app/Application.h"
#include "common/Texts.h"

namespace app {

int RunProgram(Application& application, platform::Module instance) {
  if (!application.Init(instance)) {
    platform::ShowUrgentMessageBox(nullptr, texts::kInitFailed, texts::kCaptionError,
                                   platform::BoxButtons::Ok, platform::BoxIcon::Error);
    return 0;
  }
  const int code = platform::RunMainLoop();
  application.MainWindow.Reset();
  return code;
}

}  // namespace app
