#include "mail/CommandRunner.h"

#include <cstring>

namespace {

// Copies [begin, end) into a part; false when it does not fit.
bool CopyPart(const char* begin, const char* end, char* part) {
  const size_t length = static_cast<size_t>(end - begin);
  if (length > kMaxCommandPart) return false;
  std::memcpy(part, begin, length);
  part[length] = '\0';
  return true;
}

}  // namespace

SplitResult SplitCommandLine(const char* line, CommandParts& parts) {
  parts.Target[0] = '\0';
  parts.Params[0] = '\0';
  if (line == nullptr || *line == '\0' || std::strcmp(line, "\"\"") == 0) return SplitResult::Nothing;

  const char* next = line;
  bool quoted = false;
  for (; *next == ' ' || *next == '"'; ++next) {
    if (*next == '"') quoted = true;
  }

  const char stop = quoted ? '"' : ' ';
  const char* targetEnd = next;
  while (*targetEnd != '\0' && *targetEnd != stop) ++targetEnd;
  if (!CopyPart(next, targetEnd, parts.Target)) return SplitResult::TooLong;

  next = targetEnd;
  if (*next == '"') ++next;
  while (*next == ' ') ++next;
  if (!CopyPart(next, next + std::strlen(next), parts.Params)) return SplitResult::TooLong;
  return SplitResult::Ok;
}

platform::ShowMode ShowModeFor(int32_t runMsminMode) {
  if (runMsminMode == 1) return platform::ShowMode::Normal;
  if (runMsminMode == 2) return platform::ShowMode::Minimized;
  return platform::ShowMode::Maximized;
}

bool RunCommandLine(const char* line, int32_t runMsminMode) {
  CommandParts parts;
  if (SplitCommandLine(line, parts) != SplitResult::Ok) return false;
  return platform::ShellOpen(parts.Target, parts.Params, ShowModeFor(runMsminMode));
}
