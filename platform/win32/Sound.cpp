// Beeps and WAV files.
#include <windows.h>
#include <mmsystem.h>

#include "platform/Platform.h"
#include "platform/win32/Text.h"

namespace platform {

bool SpeakerBeep(uint32_t frequencyHz, uint32_t durationMs) {
  return Beep(frequencyHz, durationMs);
}

bool PlayWaveFile(const char* path) {
  // No default sound in place of a missing file: the caller falls back itself.
  return path && PlaySoundW(win32::Wide(path).c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
}

bool FileExists(const char* path) {
  if (!path || !*path) return false;
  const DWORD attributes = GetFileAttributesW(win32::Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace platform
