#include "platform/host/Detail.h"
#include "platform/host/HostControl.h"

namespace host {

void Reset() {
  detail::ResetThreads();
  detail::ResetRegistry();
  detail::ResetMainLoop();
  detail::ResetRecords();
  detail::ResetSockets();
  detail::ResetTls();
}

}  // namespace host
