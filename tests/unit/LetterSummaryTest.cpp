// Who wrote and about what, read from header blocks as real mail brings them.
#include <gtest/gtest.h>

#include <string>

#include "common/Utf8.h"
#include "mail/HeaderFields.h"
#include "mail/LetterSummary.h"

namespace {

// A TOP n 1 reply: status line, fields, the empty line and one line of body.
std::string Top(const std::string& fields) {
  return "+OK 2048 octets\r\nReturn-Path: <ivan@example.org>\r\n"
         "Received: from mx.example.org by pop.example.org; Mon, 1 Dec 2003 12:34:56 +0300\r\n" +
         fields + "Date: Mon, 1 Dec 2003 12:34:50 +0300\r\n\r\nFrom: the body\r\n";
}

std::string Mail(const std::string& from, const std::string& subject, const std::string& more = "") {
  return Top(more + "From: " + from + "\r\nSubject: " + subject + "\r\n");
}

const char* const kAddress = "ivan@example.org";
const std::string kKoi8Bill = "\xf3\xde\xa3\xd4 \xda\xc1 \xcd\xc1\xd2\xd4";  // Счёт за март
const std::string k1251Bill = "\xd1\xf7\xb8\xf2 \xe7\xe0 \xec\xe0\xf0\xf2";
const char* const kBill = u8"Счёт за март";

TEST(LetterSummary, ReadsFromAndSubjectAsMailWritesThem) {
  const struct {
    std::string block;
    const char* sender;
    const char* subject;
  } cases[] = {
      // Each charset, B or Q in either case, its name in any case, dashed or not, with a language.
      {Mail(kAddress, "=?KOI8R?Q?=F3=DE=A3=D4_=DA=C1_=CD=C1=D2=D4?="), kAddress, kBill},
      {Mail(kAddress, "=?cp1251?B?0fe48iDn4CDs4PDy?="), kAddress, kBill},
      {Mail(kAddress, "=?IBM866?q?=8E=E2=E7=F1=E2?="), kAddress, u8"Отчёт"},
      {Mail(kAddress, "=?ISO_8859-5?B?8CCh1tja?="), kAddress, u8"№ Ёжик"},
      {Mail(kAddress, "=?latin1?Q?Caf=E9_cr=E8me?="), kAddress, u8"Café crème"},
      {Mail(kAddress, "=?Latin-9?B?UHJpeCA1IKQ=?="), kAddress, u8"Prix 5 €"},
      {Mail(kAddress, "=?US-ASCII*en?q?Hello_w=6Frld?="), kAddress, "Hello world"},
      // Folded and adjacent words: the blanks between words go, others stay,
      // and a character split between two words comes out whole.
      {Mail(kAddress, "=?utf-8?B?0KHR?=\r\n\t=?utf-8?B?h9GR0YI=?="), kAddress, u8"Счёт"},
      {Mail(kAddress, "=?koi8-r?B?894=?=  =?windows-1251?B?uPI=?="), kAddress, u8"Счёт"},
      // What the program cannot decode stays as written: a bad character, a
      // length or an escape, a blank, an unknown charset, no end.
      {Mail(kAddress,
            "=?utf-8?B?0Lf!0LA=?= =?utf-8?B?0LfQs?= =?utf-8?Q?=D0=Z0?= =?utf-8?Q?a b?= "
            "=?big5?B?pL6k5Q==?= =?utf-8?B?0LfQsA"),
       kAddress,
       "=?utf-8?B?0Lf!0LA=?= =?utf-8?B?0LfQs?= =?utf-8?Q?=D0=Z0?= =?utf-8?Q?a b?= =?big5?B?pL6k5Q==?= "
       "=?utf-8?B?0LfQsA"},
      {Mail(kAddress, "=?utf-8?b?/w==?=x=?us-ascii?Q?=E9?="), kAddress, u8"\uFFFDx\uFFFD"},
      // Raw bytes, field by field: UTF-8 where valid, else the letter's
      // charset, else Windows-1251, also where the letter claims UTF-8.
      {Mail("\xc8\xe2\xe0\xed <ivan@example.org>", kBill), u8"Иван", kBill},
      {Mail("\xe9\xd7\xc1\xce <ivan@example.org>", kKoi8Bill,
            "Content-Type: text/plain; charset=\"KOI8-R\"\r\n"),
       u8"Иван", kBill},
      {Mail(kAddress, k1251Bill, "Content-Type: text/plain;\r\n charset=utf-8\r\n"), kAddress, kBill},
      // The sender: the display name, else a comment, else the address.
      {Mail("\"Ivan \\\"Vanya\\\" Petrov\" <ivan@example.org>", "x"), "Ivan \"Vanya\" Petrov", "x"},
      {Mail("Ivan (work) <ivan@example.org> (home)", "x"), "Ivan", "x"},
      {Mail("ivan@example.org (=?koi8-r?B?6dfBzg==?=)", "x"), u8"Иван", "x"},
      {Mail("ivan@example.org ((nested) \\) Ivan) (home)", "x"), "(nested) ) Ivan", "x"},
      {Mail("\"\" <ivan@example.org>, Petr <petr@example.org>", "x"), kAddress, "x"},
      // Field names in any case, not inside another field's value; the first
      // of each; blanks and controls.
      {Top("X-Note: From: Petr\r\nFROM : Ivan <ivan@example.org>\r\nsubject:x\r\nFrom: Petr <p@q>\r\n"
           "Subject: y\r\n"),
       "Ivan", "x"},
      {Mail(kAddress, "  a\t\tb \x01\x7f c  \xc2\x85 "), kAddress, "a b c"},
      // Where the fields are: past 8 KB of others, not after the empty line, cut off.
      {Mail(kAddress, "x", std::string(8 * 1024, 'r').insert(0, "DKIM-Signature: ") + "\r\n"), kAddress, "x"},
      {Top("To: ivan@example.org\r\n"), "", ""},
      {"+OK\r\nTo: a@b\r\nFrom: Ivan <ivan@exa", "Ivan", ""},
  };
  for (const auto& c : cases) {
    const LetterSummary summary = SummaryOf(c.block.data(), c.block.size());
    EXPECT_EQ(c.sender, summary.Sender) << c.block;
    EXPECT_EQ(c.subject, summary.Subject) << c.block;
  }
}

std::string Repeated(const std::string& text, size_t times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

TEST(LetterSummary, ReadsNoFurtherThanItsLimits) {
  const struct {
    std::string subject;
    size_t bytes;
  } cases[] = {
      {Repeated(u8"ж", 600), 1000},
      {"x" + Repeated(u8"ж", 600), 999},
      {"x" + Repeated(u8"😀", 300), 997},
  };
  for (const auto& c : cases) {
    const std::string block = Mail(kAddress, c.subject);
    const std::string subject = SummaryOf(block.data(), block.size()).Subject;
    EXPECT_EQ(c.bytes, subject.size());
    EXPECT_EQ(0u, c.subject.compare(0, c.bytes, subject));
  }
  const std::string late = Top("X-Filler: " + std::string(kHeaderBlockLimit, 'x') + "\r\nSubject: x\r\n");
  EXPECT_EQ("", SummaryOf(late.data(), late.size()).Subject);
}

TEST(Utf16, LengthsAndCutsCountASurrogatePairAsTwoUnits) {
  const struct {
    const char* text;
    size_t length;
    size_t units;
    const char* cut;
  } cases[] = {
      {u8"a😀б", 4, 2, "a"},
      {u8"a😀б", 4, 3, u8"a😀"},
      {"\xff\xd0\x80\xe2\x82", 3, 2, "\xff\xd0\x80"},
      // Overlong forms, surrogates and values past U+10FFFF are broken parts.
      {"\xe0\x80\xaf\xed\xa0\x80", 6, 4, "\xe0\x80\xaf\xed"},
      {"\xf0\x8f\xbf\xbf\xf4\x90\x80\x80", 8, 8, "\xf0\x8f\xbf\xbf\xf4\x90\x80\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.length, Utf16Length(c.text)) << c.text;
    EXPECT_EQ(c.cut, CutToUtf16Units(c.text, c.units)) << c.text;
  }
}

}  // namespace
