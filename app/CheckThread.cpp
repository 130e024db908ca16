#include "app/CheckThread.h"

#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/MainEvents.h"
#include "mail/CommandRunner.h"
#include "mail/Pop3Poll.h"

namespace {

// The connection test waits this long for a poll of its box that runs
// already, then reports the box busy.
constexpr uint32_t kTestBusyWaitMs = 30000;

struct CheckJob {
  PollRequest Request;
  // The job's own handle to the box's lock, which Request.CheckLock names.
  platform::OwnedLock Lock;
  // Told the poll's code when it has ended (the connection test), or null.
  TestReport Report = nullptr;
  int32_t Test = 0;
};

struct ReportTask {
  TestReport Report;
  int32_t Test;
  int32_t Code;
  platform::TlsFailure Failure;
};

void DeliverReport(void*, void* argument) {
  const std::unique_ptr<ReportTask> task(static_cast<ReportTask*>(argument));
  task->Report(task->Test, task->Code, task->Failure);
}

// Posted: the thread does not wait for the user to read the report.
void PostReport(const CheckJob& job, int32_t code, platform::TlsFailure failure) {
  std::unique_ptr<ReportTask> task(new (std::nothrow) ReportTask{job.Report, job.Test, code, failure});
  if (task != nullptr && platform::PostToMainThread(DeliverReport, task.get())) task.release();
}

struct FinishedPoll {
  int32_t BoxId;
  int32_t TandrelMode;
  std::unique_ptr<PollResult> Result;
};

// Finished polls waiting for the main thread. It lives as long as the
// process: check threads are not waited for at exit and may still finish
// after the application object is gone.
class PollDepot {
 public:
  void Deposit(FinishedPoll poll) {
    std::lock_guard<std::mutex> hold(Lock);
    Waiting.push_back(std::move(poll));
  }
  std::vector<FinishedPoll> TakeAll() {
    std::lock_guard<std::mutex> hold(Lock);
    std::vector<FinishedPoll> all;
    all.swap(Waiting);
    return all;
  }

 private:
  std::mutex Lock;
  std::vector<FinishedPoll> Waiting;
};

PollDepot& Depot() {
  static PollDepot* depot = new PollDepot();
  return *depot;
}

void CheckThread(void* argument) {
  const std::unique_ptr<CheckJob> job(static_cast<CheckJob*>(argument));
  if (job == nullptr) return;
  auto result = std::make_unique<PollResult>();
  PollResult& filled = *result;
  const bool test = job->Report != nullptr;
  bool deposited = false;
  std::string errorReport;
  // Deposited while the box's lock is held: a later poll of the box can
  // only deposit after this one, so the newest result is published last.
  // From then on the result is the main thread's, which may publish it with
  // another poll's result before this thread sends its own message. A
  // connection test's result is the test's alone: it is shown in its
  // message box and never reaches the box, the envelope or the alerts.
  job->Request.Finished = [&](int32_t code, PollResult& finished) {
    errorReport.swap(finished.ErrorReport);
    if (code < 0 || test) return;
    Depot().Deposit({job->Request.BoxId, job->Request.TandrelMode, std::move(result)});
    deposited = true;
  };
  const int32_t code = CheckMailbox(job->Request, filled);
  if (test) {
    PostReport(*job, code, filled.TlsFailure);
  } else if (deposited) {
    // The depot holds the result until the main thread takes it: should the
    // post fail, the next poll's post publishes both.
    platform::PostToMainThread(OnCheckResult, nullptr);
  }
  // Last, once the box is let go and the result is on its way: the mail
  // program may take its time to come up.
  if (!errorReport.empty()) RunCommandLine(errorReport.c_str(), job->Request.RunMsminMode);
}

void FillRequest(const Application& app, const Mailbox& box, PollRequest& request) {
  request.BoxId = box.Id;
  request.PopServerName = box.PopServerName;
  request.Port = static_cast<uint16_t>(box.Port & 0xFFFF);
  request.Tls = request.Port == kPop3sPort;
  request.Login = box.Login;
  request.Password = box.Password;
  request.TandrelMode = box.TandrelMode;
  request.LastMsgDate = box.LastMsgDate;
  request.SendErrors = app.SendErrors;
  request.RunMsminMode = app.RunMsminMode;
  request.PreviousCount = box.NewMailCount();
}

}  // namespace

bool StartCheck(Application& app, const Mailbox& box, TestReport report, int32_t test) {
  std::unique_ptr<CheckJob> job(new (std::nothrow) CheckJob());
  if (job == nullptr) return false;
  FillRequest(app, box, job->Request);
  // The one who waits for a report is a user who pressed "Тест". The test
  // reads the whole box, as the first poll would, and leaves its memory be.
  if (report != nullptr) {
    job->Request.BusyWaitMs = kTestBusyWaitMs;
  } else {
    job->Request.Seen = box.Seen;
  }
  job->Report = report;
  job->Test = test;
  job->Lock.Reset(OpenCheckLock(box.Id));
  job->Request.CheckLock = job->Lock.Get();
  // The thread owns the job once it runs.
  if (!platform::StartDetachedThread(CheckThread, job.get())) return false;
  job.release();
  return true;
}

namespace {

// The news of the box in `news`, added when it has none yet: two polls of
// one box may be published together.
BoxNews& NewsOf(std::vector<BoxNews>& news, const Mailbox& box) {
  for (BoxNews& known : news) {
    if (known.BoxId == box.Id) return known;
  }
  news.push_back({box.Id, box.BoxName, 0, {}});
  return news.back();
}

}  // namespace

std::vector<BoxNews> PublishPollResults(Application& app) {
  std::vector<BoxNews> news;
  for (const FinishedPoll& poll : Depot().TakeAll()) {
    Mailbox* box = app.Boxes.BoxById(poll.BoxId);
    PollResult& result = *poll.Result;
    if (box == nullptr || result.StatCount < 0) continue;
    if (poll.TandrelMode != 0) {
      if (box->PublishCount(result.StatCount)) NewsOf(news, *box).Count = result.StatCount;
      continue;
    }
    MessageList letters;
    box->PublishMessages(result.NewMessages, result.OldMessages, letters);
    if (letters.empty()) continue;
    BoxNews& fresh = NewsOf(news, *box);
    fresh.Letters.insert(fresh.Letters.end(), letters.begin(), letters.end());
    fresh.Count = static_cast<int32_t>(fresh.Letters.size());
  }
  return news;
}
