#include "mail/UidListing.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr size_t kMaxIdLength = 70;
// Sizes in octets; nineteen digits always fit in 64 bits.
constexpr size_t kMaxSizeDigits = 19;
// A message number of at most ten digits, a blank, an id: a longer line is
// bad whatever it holds.
constexpr size_t kLineLimit = 10 + 1 + kMaxIdLength;

enum class Listed { Size, Id };

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsPrintable(char c) { return c >= 0x21 && c <= 0x7E; }

// "number token", blanks allowed around the token, at most kLineLimit
// bytes; *number is in 1..count, and the token 1 to 70 printable characters
// (an id) or 1 to 19 digits (a size).
bool ReadLine(const std::string& line, int32_t count, Listed kind, int64_t* number, std::string* token) {
  // Longer lines come cut, and a cut id would stand for another message.
  if (line.size() > kLineLimit) return false;
  size_t at = 0;
  int64_t value = 0;
  for (; at < line.size() && IsDigit(line[at]); ++at) {
    value = value * 10 + (line[at] - '0');
    if (value > count) return false;
  }
  const size_t digits = at;
  while (at < line.size() && line[at] == ' ') ++at;
  const size_t start = at;
  while (at < line.size() && (kind == Listed::Id ? IsPrintable(line[at]) : IsDigit(line[at]))) ++at;
  const size_t length = at - start;
  while (at < line.size() && line[at] == ' ') ++at;
  const size_t longest = kind == Listed::Id ? kMaxIdLength : kMaxSizeDigits;
  if (digits == 0 || value < 1 || start == digits || length == 0 || length > longest || at != line.size())
    return false;
  *number = value;
  token->assign(line, start, length);
  return true;
}

// FNV-1a: ids that share a hash are both taken for repeated, which costs a
// header read and never hides a message.
uint64_t HashOf(const std::string& id) {
  uint64_t hash = 14695981039346656037ULL;
  for (const char c : id) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  return hash;
}

// Reads one listing into tokens (of messages first..listable) and, for ids,
// the hashes of every message's id: an id may only be trusted when no other
// message anywhere in the box has it. True when the listing vouches.
bool ReadTokens(Pop3Connection& server, int32_t count, int32_t listable, int32_t first, Listed kind,
                std::vector<std::string>& tokens, std::vector<uint64_t>& hashes) {
  tokens.assign(listable >= first ? static_cast<size_t>(listable - first + 1) : 0, std::string());
  std::vector<bool> numbered(static_cast<size_t>(listable) + 1);
  size_t lines = 0;
  bool good = count == listable;
  bool status = true;
  const auto take = [&](const std::string& line) {
    if (status) {
      good = good && line.compare(0, 3, "+OK") == 0;
      status = false;
      return;
    }
    int64_t number = 0;
    std::string token;
    good = good && lines++ < static_cast<size_t>(count) && ReadLine(line, count, kind, &number, &token) &&
           !numbered[static_cast<size_t>(number)];
    if (!good) return;
    numbered[static_cast<size_t>(number)] = true;
    if (kind == Listed::Id) hashes.push_back(HashOf(token));
    if (number >= first) tokens[static_cast<size_t>(number - first)] = std::move(token);
  };
  // The longest good listing, and room to read past a bad one to its end.
  const size_t byteLimit = (static_cast<size_t>(listable) + 1) * (kLineLimit + 2) + kDiscardLimit;
  const uint64_t timeoutMs =
      server.ReceiveTimeoutMs + uint64_t{kListingMsPerMessage} * static_cast<uint64_t>(std::max(count, 0));
  const uint32_t within = static_cast<uint32_t>(std::min<uint64_t>(timeoutMs, UINT32_MAX));
  return ReceiveLines(server, kLineLimit, byteLimit, within, take) && good && !status;
}

uint64_t SizeOf(const std::string& digits) {
  uint64_t size = 0;
  for (const char c : digits) size = size * 10 + static_cast<uint64_t>(c - '0');
  return size;
}

}  // namespace

const UidListing::Entry* UidListing::Of(int64_t number) const {
  const int64_t index = number - First;
  if (index < 0 || index >= static_cast<int64_t>(Entries.size())) return nullptr;
  const Entry& entry = Entries[static_cast<size_t>(index)];
  return entry.Id.empty() ? nullptr : &entry;
}

UidListing AskUidListing(Pop3Connection& server, int32_t count, int32_t first, bool asked, bool pipelined) {
  const int32_t listable = count < 0 ? 0 : std::min(count, kMaxListed);
  std::vector<std::string> sizes;
  std::vector<std::string> ids;
  std::vector<uint64_t> hashes;
  if (!asked) SendText(server, pipelined ? kListingCommands : "LIST\r\n");
  bool good = ReadTokens(server, count, listable, first, Listed::Size, sizes, hashes);
  if (!asked && !pipelined) SendText(server, "UIDL\r\n");
  good = ReadTokens(server, count, listable, first, Listed::Id, ids, hashes) && good;
  UidListing listing;
  listing.First = first;
  if (!good) return listing;
  std::sort(hashes.begin(), hashes.end());
  listing.Entries.resize(ids.size());
  for (size_t i = 0; i < ids.size(); ++i) {
    if (ids[i].empty() || sizes[i].empty()) continue;
    const auto same = std::equal_range(hashes.begin(), hashes.end(), HashOf(ids[i]));
    if (same.second - same.first > 1) continue;
    listing.Entries[i] = {std::move(ids[i]), SizeOf(sizes[i])};
  }
  return listing;
}
