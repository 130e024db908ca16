// COM for the calling thread, for as long as the holder lives.
//
// ShellExecute may hand its work to shell extensions that are COM objects,
// so every thread that calls the shell initialises COM first, apartment-
// threaded, as the shell's documentation asks.
#pragma once

#include <objbase.h>

namespace platform::win32 {

class ComApartment {
 public:
  ComApartment()
      : Initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // Balanced only when our call succeeded (S_FALSE included); a thread that
  // had COM in another mode keeps it.
  ~ComApartment() {
    if (Initialised) CoUninitialize();
  }

 private:
  bool Initialised;
};

}  // namespace platform::win32
