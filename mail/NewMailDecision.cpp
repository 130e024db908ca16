#include "mail/NewMailDecision.h"

#include <cstdint>
#include <cstring>

#include "mail/CommandRunner.h"
#include "mail/LetterSummary.h"
#include "mail/ReceivedDate.h"

namespace {

// The subject is our own text: its blanks are escaped, its letters stay as
// they are, so that the shell hands them to the mail program as characters
// whatever byte encoding that program assumes for escapes. The body is the
// server's bytes, of no known charset: every one but the unreserved is
// escaped, so the author gets them exactly.
constexpr char kReportStart[] =
    "mailto:vestun@example.org?subject="
    "Ошибка%20Вестна:%20Не%20удалось%20распознать%20заголовок%20письма&body=";

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

}  // namespace

std::string ErrorReportLine(const char* reply) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string link = kReportStart;
  for (const char* next = reply; *next != '\0'; ++next) {
    const unsigned char c = static_cast<unsigned char>(*next);
    const size_t size = Unreserved(c) ? 1 : 3;
    if (link.size() + size > kMaxCommandPart) break;
    if (size == 1) {
      link += static_cast<char>(c);
    } else {
      link += '%';
      link += kHex[c >> 4];
      link += kHex[c & 15];
    }
  }
  return "\"" + link + "\"";
}

void FileLetter(const MessageInfo& letter, const PollRequest& request, PollResult& result) {
  const bool isNew = int64_t{letter.Date} - request.LastMsgDate > 0;
  (isNew ? result.NewMessages : result.OldMessages).push_back(letter);
}

TopReply ClassifyReply(const char* reply, const std::string& block, const PollRequest& request,
                       PollResult& result, MessageInfo* read) {
  const bool header = std::strncmp(reply, "+OK", 3) == 0;
  if (!header && std::strncmp(reply, "-ERR", 4) != 0) return TopReply::OutOfStep;
  MessageInfo& letter = *read;
  letter = MessageInfo();
  const bool dated = header && ParseReceivedDate(reply, &letter.Date);
  if (!dated) letter.Date = 0;
  // Only new letters are shown, and only they need who wrote and about what.
  if (header && (!dated || int64_t{letter.Date} - request.LastMsgDate > 0)) {
    LetterSummary summary = SummaryOf(block.data(), block.size());
    letter.Sender = std::move(summary.Sender);
    letter.Subject = std::move(summary.Subject);
  }
  if (dated) {
    FileLetter(letter, request, result);
    return TopReply::Dated;
  }
  result.NewMessages.push_back(letter);
  return header ? TopReply::Undated : TopReply::Refused;
}
