// What the settings dialog's connection test tells the user about a poll's
// result code.
#pragma once

#include <cstdint>

#include "common/String.h"

// Fills the text and returns the caption of the message box.
const char* ConnectionTestReport(int32_t code, const char* prompt, String& text);
