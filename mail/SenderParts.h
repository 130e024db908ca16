// The parts of a From field's value that can say who wrote.
#pragma once

#include <string>

// Each as written, quoted strings unquoted (quotes and backslash escapes
// gone), encoded-words still encoded.
struct SenderParts {
  std::string Name;     // the words before "<", comments left out
  std::string Comment;  // the first comment, without its parentheses
  std::string Address;  // between "<" and ">", or, without them, all the words
};

// Of a field that lists several mailboxes, the first name, comment or
// address in brackets counts; bare addresses stay together. A field cut
// inside a part gives what there is of it.
SenderParts SenderPartsOf(const std::string& from);
