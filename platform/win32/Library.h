// System DLLs that only a check, a dialog, a sound or the version check
// needs, loaded when first needed. An imported DLL is loaded at start-up with
// everything it imports in turn, and all of it stays for the whole run:
// WinINet, the TLS and certificate libraries and the common dialogs would
// cost a tray program at rest several times its own memory.
#pragma once

#include <windows.h>

#include "platform/Owned.h"

namespace platform::win32 {

inline void UnloadModule(HMODULE module) { FreeLibrary(module); }
using OwnedModule = Owned<HMODULE, UnloadModule>;

// Loads a DLL of the system folder by its name, and only from there: no DLL
// of that name beside the program or in the current directory is taken in
// its place. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The same by the system folder's full path, where Windows refuses the
// search of the system folder alone (Windows 7 without its loader update
// KB2533623). A DLL that the program's manifest redirects elsewhere (the
// common controls of version 6) is still loaded by name, as the redirection
// is settled before any folder is searched and a path would bypass it.
HMODULE LoadFromSystemFolder(const wchar_t* name);

// Looks up an entry point of the module into `function`; false when the
// module lacks it. FARPROC is cast through the empty function type, which
// converts to any other without a warning.
template <typename Function>
bool FindEntry(HMODULE module, const char* name, Function*& function) {
  function = reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
  return function != nullptr;
}

// The function table Table of one DLL of the system folder, filled once by
// Fill(module, table) on the first Get from any thread. A DLL that serves
// stays loaded for the program's life: its functions may be called until
// the end, and what it cost is spent by then; one that lacks a function is
// let go.
template <typename Table, bool (*Fill)(HMODULE, Table&)>
class SystemLibrary {
 public:
  explicit constexpr SystemLibrary(const wchar_t* name) : Name(name) {}
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // Null when the DLL or one of the table's functions is missing.
  const Table* Get() {
    InitOnceExecuteOnce(&Once, Load, this, nullptr);
    return Loaded ? &Functions : nullptr;
  }

 private:
  static BOOL CALLBACK Load(INIT_ONCE*, void* self, void**) {
    auto* library = static_cast<SystemLibrary*>(self);
    OwnedModule module(LoadSystemLibrary(library->Name));
    library->Loaded = module && Fill(module.Get(), library->Functions);
    if (library->Loaded) module.Release();
    return TRUE;
  }

  INIT_ONCE Once = INIT_ONCE_STATIC_INIT;
  const wchar_t* const Name;
  Table Functions = {};
  bool Loaded = false;
};

}  // namespace platform::win32
