#include "mail/UidListing.h"

#include <algorithm>

namespace {

constexpr size_t kMaxIdLength = 70;
// A message number of at most ten digits, a blank, an id: a longer line is
// bad whatever it holds.
constexpr size_t kLineLimit = 10 + 1 + kMaxIdLength;

// "number id", blanks allowed around the id, at most kLineLimit bytes;
// *number is in 1..count and the id 1 to 70 printable characters
// (0x21-0x7E).
bool ReadLine(const std::string& line, int32_t count, int64_t* number, std::string* id) {
  // Longer lines come cut, and a cut id would stand for another message.
  if (line.size() > kLineLimit) return false;
  size_t at = 0;
  int64_t value = 0;
  for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
    value = value * 10 + (line[at] - '0');
    if (value > count) return false;
  }
  const size_t digits = at;
  while (at < line.size() && line[at] == ' ') ++at;
  const size_t start = at;
  while (at < line.size() && line[at] >= 0x21 && line[at] <= 0x7E) ++at;
  const size_t length = at - start;
  while (at < line.size() && line[at] == ' ') ++at;
  if (digits == 0 || value < 1 || start == digits || length == 0 || length > kMaxIdLength ||
      at != line.size())
    return false;
  *number = value;
  id->assign(line, start, length);
  return true;
}

// FNV-1a: ids that share a hash are both taken for repeated, which costs a
// header read and never hides a message.
uint64_t HashOf(const std::string& id) {
  uint64_t hash = 14695981039346656037ULL;
  for (const char c : id) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  return hash;
}

}  // namespace

const std::string& UidListing::IdOf(int64_t number) const {
  static const std::string kNone;
  const int64_t index = number - First;
  return index >= 0 && index < static_cast<int64_t>(Ids.size()) ? Ids[static_cast<size_t>(index)] : kNone;
}

UidListing ReadUidListing(Pop3Connection& server, int32_t count, int32_t first) {
  const int32_t listable = count < 0 ? 0 : std::min(count, kMaxListed);
  UidListing listing;
  listing.First = first;
  listing.Ids.resize(listable >= first ? static_cast<size_t>(listable - first + 1) : 0);
  // Every message's id is hashed, the unexamined ones' too: an id may only
  // be trusted when no other message anywhere in the box has it.
  std::vector<uint64_t> hashes;
  std::vector<bool> numbered(static_cast<size_t>(listable) + 1);
  bool good = count == listable;
  bool status = true;
  const auto take = [&](const std::string& line) {
    if (status) {
      good = good && line.compare(0, 3, "+OK") == 0;
      status = false;
      return;
    }
    int64_t number = 0;
    std::string id;
    good = good && hashes.size() < static_cast<size_t>(count) && ReadLine(line, count, &number, &id) &&
           !numbered[static_cast<size_t>(number)];
    if (!good) return;
    numbered[static_cast<size_t>(number)] = true;
    hashes.push_back(HashOf(id));
    if (number >= first) listing.Ids[static_cast<size_t>(number - first)] = std::move(id);
  };
  // The longest good listing, and room to read past a bad one to its end.
  const size_t byteLimit = (static_cast<size_t>(listable) + 1) * (kLineLimit + 2) + kDiscardLimit;
  good = ReceiveLines(server, kLineLimit, byteLimit, take) && good && !status;
  if (!good) {
    listing.Ids.clear();
    return listing;
  }
  std::sort(hashes.begin(), hashes.end());
  for (std::string& id : listing.Ids) {
    if (id.empty()) continue;
    const auto same = std::equal_range(hashes.begin(), hashes.end(), HashOf(id));
    if (same.second - same.first > 1) id.clear();
  }
  return listing;
}
