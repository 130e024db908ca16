// A maildrop as a POP3 server shows it after the login, for the date-mode
// polls: its letters in order, each known by the day of January 2026 it
// came on, and what CAPA answers. The poll tests serve it from the scripted
// server, the poll memory's fuzz target from the host stand-in.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// "Received: ...; D Jan 2026 10:00:00 +0000" and its time value, in UTC.
inline std::string Stamp(int day) {
  return "Received: by pop.example.org; " + std::to_string(day) + " Jan 2026 10:00:00 +0000";
}
inline int32_t Day(int day) { return 1767225600 + (day - 1) * 86400 + 36000; }

// Unless given, a letter's unique id and its size follow from its day.
struct Letter {
  int Day;  // 0: a header block without a date
  std::string Id = "";
  std::string Top = "";  // what TOP answers for it instead of its header block
  uint32_t Size = 0;
};

struct Maildrop {
  std::string Capabilities = "-ERR\r\n";
  std::vector<Letter> Letters;

  // The reply to STAT, LIST, UIDL, CAPA or "TOP n 1"; "-ERR" to anything else.
  std::string Answer(const std::string& command) const {
    if (command == "CAPA") return Capabilities;
    if (command == "STAT") return "+OK " + std::to_string(Letters.size()) + " 0\r\n";
    if (command == "LIST" || command == "UIDL") {
      std::string listing = "+OK\r\n";
      for (size_t j = 0; j < Letters.size(); ++j) {
        const Letter& letter = Letters[j];
        const std::string size = std::to_string(letter.Size != 0 ? letter.Size : 1000 + 7 * letter.Day);
        const std::string id = letter.Id.empty() ? "m" + std::to_string(letter.Day) : letter.Id;
        listing += std::to_string(j + 1) + " " + (command == "LIST" ? size : id) + "\r\n";
      }
      return listing + ".\r\n";
    }
    size_t number = 0;
    if (std::sscanf(command.c_str(), "TOP %zu 1", &number) != 1 || number < 1 || number > Letters.size())
      return "-ERR\r\n";
    const Letter& letter = Letters[number - 1];
    if (!letter.Top.empty()) return letter.Top;
    return "+OK\r\n" + (letter.Day == 0 ? std::string("Subject: no date") : Stamp(letter.Day)) + "\r\n\r\n.\r\n";
  }
};
