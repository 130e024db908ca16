// What the mailbox page of the settings dialog shows of a box, as its
// controls hold it (texts and ticks), and the rules by which the page is
// copied back into the box.
#pragma once

#include <cstdint>
#include <string>

#include "mail/Mailbox.h"

class MailboxList;

struct MailboxFields {
  std::string BoxName;
  bool CheckBox = true;  // "Проверять этот ящик?" says "да"
  std::string PopServerName;
  std::string Port;
  std::string Login;
  std::string Password;
  std::string Interval;  // seconds
  bool Speaker = true;
  bool Wav = false;
  std::string SpeakerStr;
  std::string SpeakerLen;
  std::string WavPath;
  bool RunAutomatically = false;
  std::string MsminPath;
  bool SameProgram = false;
  bool AnyLetter = false;  // jump while the inbox holds any letter (count mode)
};

// The box as the page shows it.
void FieldsOf(const Mailbox& box, MailboxFields& fields);

// Copies the page into the current box. An empty name becomes the default
// name; an interval below kMinDelay is dropped without a word (Delay and the
// timer stay), a changed one restarts the box's timer and polls at once.
// Nothing happens when there is no current box.
void StoreFields(MailboxList& boxes, const MailboxFields& fields);

// The sound mode of the two ticks, and back: 0 speaker, 1 WAV file, 2 both,
// 3 silent.
int32_t SoundModeOf(bool speaker, bool wav);
void TicksOf(int32_t soundMode, bool* speaker, bool* wav);

// "Ящик № <number> (<server>)".
void DefaultBoxName(int32_t number, const char* server, std::string& name);

// A number field's text as an unsigned decimal: 0 when it is empty, not a
// number, or beyond 32 bits.
uint32_t ReadUnsigned(const char* text);
