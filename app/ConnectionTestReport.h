// What the settings dialog's connection test tells the user about a poll's
// result code.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

// Fills the text and returns the caption of the message box. A connection
// that failed in its TLS handshake or certificate check says which.
const char* ConnectionTestReport(int32_t code, platform::TlsFailure tlsFailure, const char* prompt,
                                 std::string& text);

// A report that arrives when the page has moved on to another box says
// which box it is about: "Проверка ящика «NAME»:" on a line before the text
// (a box's default name begins with "Ящик" itself).
void NameTestedBox(const char* boxName, std::string& text);
