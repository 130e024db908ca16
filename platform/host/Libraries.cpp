// The stand-in loads no libraries: there is nothing to limit.
#include "platform/Platform.h"

void platform::LimitLibrariesToSystemFolder() {}
