// Hooks between the parts of the host stand-in; not for tests or the program.
#pragma once

namespace host::detail {

void ResetRegistry();
void ResetMainLoop();
void ResetRecords();
void ResetThreads();
void ResetSockets();
void ResetTls();

}  // namespace host::detail
