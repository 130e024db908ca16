// Times date-mode polls of one mailbox and reports the process's peak memory.
//
//   poll_bench [--tls CA_FILE] PORT USER PASSWORD [RUNS]
//
// With --tls the poll runs over TLS to "localhost", trusting the CA file.
// Prints one line of key=value figures for bench/run.sh:
//   runs_ms=12.1,11.8,... median_ms=11.9 stat=1000 new=1000
//   rss_before_kb=3500 rss_peak_kb=3900
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "mail/Pop3Poll.h"
#include "platform/Platform.h"
#include "platform/Owned.h"
#include "platform/host/HostControl.h"

namespace {

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const bool tls = argc > 2 && std::strcmp(argv[1], "--tls") == 0;
  if (tls) {
    host::TrustAuthority(argv[2]);
    argv += 2;
    argc -= 2;
  }
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: poll_bench [--tls CA_FILE] PORT USER PASSWORD [RUNS]\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int runs = argc == 5 ? std::atoi(argv[4]) : 1;
  if (port <= 0 || port > 65535 || runs <= 0) {
    std::fprintf(stderr, "poll_bench: bad port or run count\n");
    return 2;
  }
  if (!platform::NetStartup()) {
    std::fprintf(stderr, "poll_bench: no sockets\n");
    return 1;
  }
  const platform::OwnedLock lock(platform::OpenLock("POP3_bench"));

  const long rssBefore = PeakRssKb();
  std::vector<double> times;
  int32_t code = 0;
  int32_t statCount = -1;
  for (int run = 0; run < runs; ++run) {
    PollRequest request;
    request.PopServerName = tls ? "localhost" : "127.0.0.1";
    request.Port = static_cast<uint16_t>(port);
    request.Tls = tls;
    request.Login = argv[2];
    request.Password = argv[3];
    request.TandrelMode = 0;  // date mode: TOP n 1 for every message
    request.LastMsgDate = 0;  // nothing seen yet, so every message is new
    request.SendErrors = 0;   // no message boxes on a failure
    request.CheckLock = lock.Get();
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
  platform::NetCleanup();

  std::printf("runs_ms=");
  for (size_t i = 0; i < times.size(); ++i) std::printf("%s%.2f", i == 0 ? "" : ",", times[i]);
  std::vector<double> sorted(times);
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted.size() % 2 == 1
                            ? sorted[sorted.size() / 2]
                            : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
  std::printf(" median_ms=%.2f stat=%d new=%d rss_before_kb=%ld rss_peak_kb=%ld\n", median,
              static_cast<int>(statCount), static_cast<int>(code), rssBefore, rssPeak);
  return 0;
}
