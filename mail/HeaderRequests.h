// The TOP commands of a date-mode poll: which are still to send, and which
// are out unanswered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "mail/Pop3Connection.h"

class HeaderRequests {
 public:
  // TOP n 1 for each of `numbers`, in order, with at most windowBytes of
  // commands out unanswered; a window of no bytes still lets one out at a
  // time.
  HeaderRequests(Pop3Connection& server, std::vector<int32_t> numbers, size_t windowBytes);

  // Sends, in one write, as many further TOPs as the window has room for.
  void Send();
  // Reads the reply to the oldest TOP out into buffer (kReplyLimit bytes),
  // as ReceiveReply does, and the header block further into *block, as far
  // as kHeaderBlockLimit.
  size_t Receive(char* buffer, std::string* block);

 private:
  Pop3Connection& Server;
  const std::vector<int32_t> Numbers;
  const size_t Window;
  size_t Next = 0;
  std::deque<size_t> Sizes;  // of the commands out, oldest first
  size_t Bytes = 0;          // their sum
};
