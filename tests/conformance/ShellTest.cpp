// The shell's special folders.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/Platform.h"

namespace {

// The rest of a registered program path, which begins with a backslash, is
// put right after this folder: a drive path without a closing backslash.
TEST(Shell, ProgramFilesIsADrivePathThatFitsOrFails) {
  char folder[300] = {};
  ASSERT_EQ(platform::ReadResult::Read, platform::ProgramFilesFolder(folder, sizeof folder));
  const std::string path = folder;
  EXPECT_TRUE(path.size() > 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
              path.compare(1, 2, ":\\") == 0 && path.back() != '\\')
      << path;
  EXPECT_EQ(platform::ReadResult::Read, platform::ProgramFilesFolder(folder, path.size() + 1));
  EXPECT_EQ(platform::ReadResult::TooLong, platform::ProgramFilesFolder(folder, path.size()))
      << "no room for the terminator";
}

}  // namespace
