// Reset of the stand-in: every part's state forgets what the last test did.
#include "platform/host/Guarded.h"
#include "platform/host/HostControl.h"

void host::Reset() {
  for (const auto& forget : detail::Forgetters()) forget();
}
