// Where the Windows build's DLLs come from: the system folder, by name or,
// where Windows cannot search that folder alone, by its path; the common
// controls of the program's manifest from where the manifest sends them; and
// nothing from the current directory, where each test plants a system DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Platform.h"
#include "platform/win32/Library.h"

using platform::win32::LoadFromSystemFolder;
using platform::win32::LoadSystemLibrary;
using platform::win32::OwnedModule;

namespace {

constexpr wchar_t kPlanted[] = L"vestun-planted.dll";

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  return Lower(std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH)));
}

// The folder of the module's file, in lower case.
std::wstring FolderOf(const OwnedModule& module) {
  wchar_t path[MAX_PATH];
  const std::wstring file(path, GetModuleFileNameW(module.Get(), path, MAX_PATH));
  return Lower(file.substr(0, file.rfind(L'\\')));
}

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("vestun-libraries-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
    ASSERT_TRUE(CopyFileW((SystemFolder() + L"\\winmm.dll").c_str(), kPlanted, FALSE));
  }

  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
  }

  const std::filesystem::path previous_ = std::filesystem::current_path();
  std::filesystem::path folder_;
};

TEST_F(LibraryTest, SystemDllsComeFromTheSystemFolderByNameAndByItsPath) {
  const struct {
    const char* way;
    HMODULE (*load)(const wchar_t*);
  } ways[] = {{"by name", LoadSystemLibrary}, {"by path", LoadFromSystemFolder}};
  for (const auto& way : ways) {
    SCOPED_TRACE(way.way);
    for (const wchar_t* name : {L"wininet.dll", L"secur32.dll"}) {
      EXPECT_EQ(FolderOf(OwnedModule(way.load(name))), SystemFolder());
    }
    EXPECT_FALSE(OwnedModule(way.load(kPlanted))) << "taken from the current directory";
  }
}

// Had the path been taken, the system folder's common controls of version 5
// would load, unthemed, and would be the module the name finds from then on.
TEST_F(LibraryTest, TheManifestsCommonControlsComeFromWhereItSendsThemAlsoByPath) {
  const std::wstring manifest = folder_ / "controls.manifest";
  std::ofstream(std::filesystem::path(manifest))
      << "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"><dependency>"
         "<dependentAssembly><assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
         "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
         "language=\"*\"/>"
         "</dependentAssembly></dependency></assembly>";
  ACTCTXW description = {};
  description.cbSize = sizeof description;
  description.lpSource = manifest.c_str();
  const HANDLE context = CreateActCtxW(&description);
  ASSERT_NE(context, INVALID_HANDLE_VALUE);
  ULONG_PTR cookie = 0;
  ASSERT_TRUE(ActivateActCtx(context, &cookie));
  const OwnedModule byPath(LoadFromSystemFolder(L"comctl32.dll"));
  const OwnedModule byName(LoadSystemLibrary(L"comctl32.dll"));
  DeactivateActCtx(0, cookie);
  ReleaseActCtx(context);
  ASSERT_TRUE(byPath);
  EXPECT_NE(FolderOf(byPath), SystemFolder());
  EXPECT_EQ(byPath.Get(), byName.Get()) << "the same module by name";
}

// The program's start; every later test of the process runs limited too.
TEST_F(LibraryTest, OnceLimitedNothingComesFromTheCurrentDirectory) {
  ASSERT_TRUE(OwnedModule(LoadLibraryW(kPlanted))) << "the plant is found where no limit is set";
  platform::LimitLibrariesToSystemFolder();
  EXPECT_FALSE(OwnedModule(LoadLibraryW(kPlanted)));
  EXPECT_TRUE(OwnedModule(LoadLibraryW(L"winmm.dll"))) << "the system folder is still searched";
}

}  // namespace
