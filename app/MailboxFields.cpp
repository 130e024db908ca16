#include "app/MailboxFields.h"

#include <cstdio>
#include <vector>

#include "mail/MailboxList.h"

namespace {

void ShowUnsigned(uint32_t value, std::string& field) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(value));
  field = digits;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Delay is a signed 32-bit number; a longer interval is taken as the longest
// one it holds (the timer cuts it further, to what a window timer takes).
int32_t DelayOf(uint32_t interval) {
  return interval > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(interval);
}

// A changed interval restarts the timer, which polls at once; the same
// interval only starts a timer that does not run. Switching the box off
// stops its timer, but only with an interval the page accepts: below
// kMinDelay nothing about the timer changes.
void StoreInterval(MailboxList& boxes, Mailbox& box, uint32_t interval) {
  if (interval < static_cast<uint32_t>(kMinDelay)) return;
  const int32_t delay = DelayOf(interval);
  if (box.DoCheckBox == 0) {
    boxes.ArmBoxTimer(boxes.Current, false);
    box.Delay = delay;
    return;
  }
  if (box.Delay != delay) {
    box.Delay = delay;
    boxes.ArmBoxTimer(boxes.Current, false);
  }
  boxes.ArmBoxTimer(boxes.Current, true);
}

}  // namespace

void FieldsOf(const Mailbox& box, MailboxFields& fields) {
  fields.BoxName = box.BoxName;
  fields.CheckBox = box.DoCheckBox == 1;
  fields.PopServerName = box.PopServerName;
  ShowUnsigned(box.Port, fields.Port);
  fields.Login = box.Login;
  fields.Password = box.Password;
  ShowUnsigned(static_cast<uint32_t>(box.Delay), fields.Interval);
  TicksOf(box.SoundMode, &fields.Speaker, &fields.Wav);
  fields.SpeakerStr = box.SpeakerStr;
  ShowUnsigned(box.SpeakerLen, fields.SpeakerLen);
  fields.WavPath = box.WavPath;
  fields.RunAutomatically = box.MsminRunMode == 1;
  fields.MsminPath = box.MsminPath;
  fields.SameProgram = box.IsTheSameMsmin == 1;
  fields.AnyLetter = box.TandrelMode == 1;
}

void StoreFields(MailboxList& boxes, const MailboxFields& fields) {
  Mailbox* box = boxes.CurrentBox();
  if (box == nullptr) return;
  box->PopServerName = fields.PopServerName;
  if (fields.BoxName.empty()) {
    DefaultBoxName(boxes.Current + 1, box->PopServerName.c_str(), box->BoxName);
  } else {
    box->BoxName = fields.BoxName;
  }
  box->Port = ReadUnsigned(fields.Port.c_str());
  box->Login = fields.Login;
  box->Password = fields.Password;
  box->MsminPath = fields.MsminPath;
  const uint32_t interval = ReadUnsigned(fields.Interval.c_str());
  box->DoCheckBox = fields.CheckBox ? 1 : 0;
  StoreInterval(boxes, *box, interval);
  box->SoundMode = SoundModeOf(fields.Speaker, fields.Wav);
  box->WavPath = fields.WavPath;
  box->SpeakerStr = fields.SpeakerStr;
  box->SpeakerLen = ReadUnsigned(fields.SpeakerLen.c_str());
  box->TandrelMode = fields.AnyLetter ? 1 : 0;
  box->MsminRunMode = fields.RunAutomatically ? 1 : 0;
  box->IsTheSameMsmin = fields.SameProgram ? 1 : 0;
}

int32_t SoundModeOf(bool speaker, bool wav) {
  if (speaker) return wav ? 2 : 0;
  return wav ? 1 : 3;
}

// Every mode the page never stores plays nothing, as 3 does.
void TicksOf(int32_t soundMode, bool* speaker, bool* wav) {
  *speaker = soundMode == 0 || soundMode == 2;
  *wav = soundMode == 1 || soundMode == 2;
}

void DefaultBoxName(int32_t number, const char* server, std::string& name) {
  constexpr char kFormat[] = "Ящик № %d (%s)";
  if (server == nullptr) server = "";
  const int length = std::snprintf(nullptr, 0, kFormat, static_cast<int>(number), server);
  std::vector<char> text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  std::snprintf(text.data(), text.size(), kFormat, static_cast<int>(number), server);
  name = text.data();
}

// As a dialog reads a number field: blanks around the digits are allowed,
// anything else (a sign included) makes the text no number.
uint32_t ReadUnsigned(const char* text) {
  if (text == nullptr) return 0;
  while (IsBlank(*text)) ++text;
  uint64_t value = 0;
  const char* digit = text;
  for (; *digit >= '0' && *digit <= '9'; ++digit) {
    value = value * 10 + static_cast<uint64_t>(*digit - '0');
    if (value > UINT32_MAX) return 0;
  }
  if (digit == text) return 0;
  while (IsBlank(*digit)) ++digit;
  return *digit == '\0' ? static_cast<uint32_t>(value) : 0;
}
