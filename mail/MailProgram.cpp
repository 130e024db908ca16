#include "mail/MailProgram.h"

#include "app/Application.h"
#include "common/Texts.h"
#include "mail/CommandRunner.h"
#include "mail/TimeScale.h"
#include "notify/TrayMenus.h"
#include "settings/RegistryAccess.h"

namespace {

constexpr char kBadPath[] = "Путь к почтовой программе указан не верно!\nХотите исправить?";

void OfferToMendPath(Application& app, int32_t index) {
  const platform::BoxAnswer answer = platform::ShowMessageBox(
      nullptr, kBadPath, texts::kCaptionError, platform::BoxButtons::YesNo, platform::BoxIcon::Warning, true);
  if (answer != platform::BoxAnswer::Yes) return;
  app.LastTabPos = Application::kMailboxPage;
  app.Boxes.SetCurrent(index);
  OpenSettingsDialog(app);
}

void StoreLastMsgDate(int32_t index, int32_t date) {
  if (index < 0) return;
  platform::RegKey key = registry::OpenOrCreateNumberedKey(registry::kMailBoxesPrefix, index + 1);
  if (key == nullptr) return;
  registry::WriteDwordValue(key, "LastMsgDate", date);
  registry::CloseKey(key);
}

}  // namespace

int OpenMailProgram(Application& app, Mailbox& box) {
  const int32_t index = app.Boxes.IndexOfId(box.Id);
  if (!RunCommandLine(box.MsminPath.Text(), app.RunMsminMode)) OfferToMendPath(app, index);
  if (box.AcknowledgeNewMessages(CurrentTimeValue())) StoreLastMsgDate(index, box.LastMsgDate);
  box.ClearNewMail();
  return 0;
}
