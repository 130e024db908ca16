// Holders that own one handle of the platform each and let it go when they
// end, so that no handle is closed by hand and none twice.
#pragma once

#include "platform/Platform.h"

namespace platform {

// None is the value that holds nothing: null, or kNoSocket for a socket.
template <typename Handle, void (*Free)(Handle), Handle None = Handle{}>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : Held(handle) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : Held(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ~Owned() { Reset(); }

  Handle Get() const { return Held; }
  explicit operator bool() const { return Held != None; }
  // Hands the handle over without letting it go.
  Handle Release() {
    Handle handle = Held;
    Held = None;
    return handle;
  }
  // The holder lets go before freeing: destroying a window moves the focus,
  // and what runs on that must not find the window still held.
  void Reset(Handle handle = None) {
    Handle old = Held;
    Held = handle;
    if (old != None) Free(old);
  }

 private:
  Handle Held = None;
};

using OwnedClaim = Owned<InstanceClaim, EndInstanceClaim>;
using OwnedLock = Owned<Lock, CloseLock>;
// A lock the calling thread has taken, left when the holder ends. Declared
// after the OwnedLock it comes from, so that it is left before it is closed.
using HeldLock = Owned<Lock, LeaveLock>;
using OwnedSlot = Owned<Slot, CloseSlot>;
using OwnedKey = Owned<RegKey, CloseRegKey>;
using OwnedMainLoop = Owned<Window, CloseMainLoop>;
using OwnedTimer = Owned<Timer, StopTimer>;
using OwnedSocket = Owned<Socket, CloseSocket, kNoSocket>;
using OwnedTlsSession = Owned<TlsSession, CloseTlsSession>;

}  // namespace platform
