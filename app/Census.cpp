#include "app/Census.h"

#include "app/Application.h"
#include "common/Texts.h"
#include "mail/CommandRunner.h"
#include "mail/TimeScale.h"
#include "notify/SpeakerPattern.h"
#include "settings/SettingsSection.h"

namespace {

constexpr int kDecember = 11;  // months counted from 0

constexpr char kCaptionVote[] = "Вестун :))";
constexpr char kQuestion[] =
    "Здравствуйте!\nВам предлагается принять участие в ежегодной переписи пользователей программы "
    "Вестун :)\nЕё цель - подсчет количества пользователей программы для оценки её актуальности и "
    "целесообразности дальнейшего ее сопровождения и усовершенствования.\nКороче, - просто автору "
    "интересно - ей вообще, кто-нибудь еще пользуется?\nВы согласны отправить письмо переписи (его тему "
    "менять не надо, а в тело, если желаете, можете поместить свои замечания и пожелания)?";
constexpr char kLetter[] = "\"mailto:vestun@example.org?subject=Вестуном пользуюусь.&body=Вот:)\"";
constexpr char kVoteQuestion[] = "Хотите, заодно, проголосовать за программу в хит-параде Софт.example ?";
constexpr char kVotePage[] = "http://soft.example.com/hitparade/vote.php?a=vote&i=vestun";

bool AskYes(const char* text, const char* caption) {
  return platform::ShowUrgentMessageBox(nullptr, text, caption, platform::BoxButtons::YesNo,
                                        platform::BoxIcon::Question) == platform::BoxAnswer::Yes;
}

}  // namespace

void RunCensus(Application& app) {
  const LocalDate today = LocalDateOf(platform::CurrentTime());
  const int32_t year = today.YearSince1900;
  if (today.Month < kDecember || app.LastCensusYear >= year) return;

  PlayNewsTune();
  if (AskYes(kQuestion, texts::kCaptionNotice)) {
    RunCommandLine(kLetter, app.RunMsminMode);
    if (AskYes(kVoteQuestion, kCaptionVote)) RunCommandLine(kVotePage, app.RunMsminMode);
  }
  app.LastCensusYear = year;
  SettingsSection::OfProgram().Save("LastCensusYear", year);
}
