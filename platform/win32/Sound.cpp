// Beeps and WAV files.
#include <windows.h>
#include <mmsystem.h>

#include "platform/Platform.h"
#include "platform/win32/Library.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

// The multimedia library is loaded by the first WAV file played: a program
// that beeps, or only waits for mail, has no use for it or its codecs.
struct Multimedia {
  decltype(&PlaySoundW) Play;
};

bool FillMultimedia(HMODULE module, Multimedia& multimedia) {
  return win32::FindEntry(module, "PlaySoundW", multimedia.Play);
}

win32::SystemLibrary<Multimedia, FillMultimedia> g_winmm(L"winmm.dll");

}  // namespace

bool SpeakerBeep(uint32_t frequencyHz, uint32_t durationMs) {
  return Beep(frequencyHz, durationMs);
}

bool PlayWaveFile(const char* path) {
  // No default sound in place of a missing file: the caller falls back
  // itself, as it does without the library.
  if (!path) return false;
  const Multimedia* multimedia = g_winmm.Get();
  return multimedia &&
         multimedia->Play(win32::Wide(path).c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
}

bool FileExists(const char* path) {
  if (!path || !*path) return false;
  const DWORD attributes = GetFileAttributesW(win32::Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace platform
