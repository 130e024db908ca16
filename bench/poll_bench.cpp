// Times date-mode polls of one mailbox and reports the process's peak memory.
//
//   poll_bench [--remember [--between CMD]] PORT USER PASSWORD [RUNS]
//
// With --remember every poll has what the polls before it read, as a box's
// polls have; CMD, a shell command, runs before every poll but the first
// (to deliver a message, say), untimed. Prints one line of key=value
// figures for bench/run.sh:
//   runs_ms=12.1,11.8,... median_ms=11.9 stat=1000 new=1000
//   rss_before_kb=3500 rss_peak_kb=3900
// and with --remember also the first poll's time and the later polls'
// median: first_ms=11.9 next_ms=2.1
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "mail/Pop3Poll.h"
#include "mail/SeenMessages.h"
#include "platform/Owned.h"
#include "platform/Platform.h"

namespace {

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const size_t half = times.size() / 2;
  return times.size() % 2 == 1 ? times[half] : (times[half - 1] + times[half]) / 2;
}

// The options before the port; false on a bad one.
struct Options {
  bool remember = false;
  const char* between = nullptr;
};

bool ReadOptions(int& argc, char**& argv, Options& options) {
  for (; argc > 1 && std::strncmp(argv[1], "--", 2) == 0; --argc, ++argv) {
    const bool valued = std::strcmp(argv[1], "--between") == 0;
    if (valued && argc < 3) return false;
    if (valued) {
      options.between = argv[2];
    } else if (std::strcmp(argv[1], "--remember") == 0) {
      options.remember = true;
    } else {
      return false;
    }
    if (valued) {
      --argc;
      ++argv;
    }
  }
  return options.between == nullptr || options.remember;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ReadOptions(argc, argv, options) || argc < 4 || argc > 5) {
    std::fprintf(
        stderr, "usage: poll_bench [--remember [--between CMD]] PORT USER PASSWORD [RUNS]\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int runs = argc == 5 ? std::atoi(argv[4]) : 1;
  if (port <= 0 || port > 65535 || runs <= 0 || (options.remember && runs < 2)) {
    std::fprintf(stderr, "poll_bench: bad port or run count (--remember needs two runs at least)\n");
    return 2;
  }
  const platform::OwnedLock lock(platform::OpenLock("POP3_bench"));

  const long rssBefore = PeakRssKb();
  std::vector<double> times;
  int32_t code = 0;
  int32_t statCount = -1;
  const std::shared_ptr<SeenMessages> seen = options.remember ? std::make_shared<SeenMessages>() : nullptr;
  for (int run = 0; run < runs; ++run) {
    if (run > 0 && options.between != nullptr && std::system(options.between) != 0) {
      std::fprintf(stderr, "poll_bench: the command between polls failed\n");
      return 1;
    }
    PollRequest request;
    request.PopServerName = "127.0.0.1";
    request.Port = static_cast<uint16_t>(port);
    request.Login = argv[2];
    request.Password = argv[3];
    request.TandrelMode = 0;  // date mode: TOP n 1 for every message
    request.LastMsgDate = 0;  // nothing seen yet, so every message is new
    request.SendErrors = 0;   // no message boxes on a failure
    request.CheckLock = lock.Get();
    request.Seen = seen;
    PollResult result;
    const auto started = std::chrono::steady_clock::now();
    code = CheckMailbox(request, result);
    const auto ended = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(ended - started).count());
    statCount = result.StatCount;
    if (code < 0) {
      std::fprintf(stderr, "poll_bench: the poll failed with %d\n", static_cast<int>(code));
      return 1;
    }
  }
  const long rssPeak = PeakRssKb();

  std::printf("runs_ms=");
  for (size_t i = 0; i < times.size(); ++i) std::printf("%s%.2f", i == 0 ? "" : ",", times[i]);
  std::printf(" median_ms=%.2f stat=%d new=%d rss_before_kb=%ld rss_peak_kb=%ld", Median(times),
              static_cast<int>(statCount), static_cast<int>(code), rssBefore, rssPeak);
  if (options.remember)
    std::printf(" first_ms=%.2f next_ms=%.2f", times[0],
                Median(std::vector<double>(times.begin() + 1, times.end())));
  std::printf("\n");
  return 0;
}
