// Who wrote and about what, read from header blocks as real mail brings them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "common/Utf8.h"
#include "mail/HeaderFields.h"
#include "mail/LetterSummary.h"

namespace {

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t at = 0; at < bytes.size(); at += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - at);
    uint32_t group = 0;
    for (size_t i = 0; i < 3; ++i)
      group = group << 8 | (i < n ? static_cast<unsigned char>(bytes[at + i]) : 0);
    for (size_t i = 0; i < 4; ++i) out += i <= n ? kDigits[(group >> (18 - 6 * i)) & 63] : '=';
  }
  return out;
}

// Encoded-words of the bytes given, as mailers write them.
std::string B(const char* charset, const std::string& bytes) {
  return std::string("=?") + charset + "?B?" + Base64(bytes) + "?=";
}

std::string Q(const char* charset, const std::string& bytes) {
  std::string out = std::string("=?") + charset + "?Q?";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == ' ') {
      out += '_';
    } else if (byte < 0x80 && std::isalnum(byte)) {
      out += c;
    } else {
      out += '=';
      out += "0123456789ABCDEF"[byte >> 4];
      out += "0123456789ABCDEF"[byte & 15];
    }
  }
  return out + "?=";
}

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
      // Each charset, B and Q, by its name or an alias, in any case.
      {Mail(kAddress, B("utf-8", kBill)), kAddress, kBill},
      {Mail(kAddress, Q("UTF8", kBill)), kAddress, kBill},
      {Mail(kAddress, B("koi8-r", kKoi8Bill)), kAddress, kBill},
      {Mail(kAddress, Q("KOI8R", kKoi8Bill)), kAddress, kBill},
      {Mail(kAddress, B("Windows-1251", k1251Bill)), kAddress, kBill},
      {Mail(kAddress, Q("cp1251", k1251Bill)), kAddress, kBill},
      {Mail(kAddress, B("IBM866", "\x8e\xe2\xe7\xf1\xe2")), kAddress, u8"Отчёт"},
      {Mail(kAddress, Q("cp866", "\x8e\xe2\xe7\xf1\xe2")), kAddress, u8"Отчёт"},
      {Mail(kAddress, B("iso-8859-5", "\xf0 \xa1\xd6\xd8\xda")), kAddress, u8"№ Ёжик"},
      {Mail(kAddress, Q("ISO_8859-5", "\xf0 \xa1\xd6\xd8\xda")), kAddress, u8"№ Ёжик"},
      {Mail(kAddress, B("latin1", "Caf\xe9 cr\xe8me")), kAddress, u8"Café crème"},
      {Mail(kAddress, Q("ISO-8859-1", "Caf\xe9 cr\xe8me")), kAddress, u8"Café crème"},
      {Mail(kAddress, B("iso-8859-15", "Prix 5 \xa4")), kAddress, u8"Prix 5 €"},
      {Mail(kAddress, Q("Latin-9", "Prix 5 \xa4")), kAddress, u8"Prix 5 €"},
      {Mail(kAddress, B("us-ascii", "Hello")), kAddress, "Hello"},
      {Mail(kAddress, "=?US-ASCII*en?q?Hello_w=6Frld?="), kAddress, "Hello world"},
      {Mail(kAddress, B("utf-8*ru", u8"Ёлка")), kAddress, u8"Ёлка"},
      {Mail(kAddress, B("utf-8", u8"Привет 😀 🇷🇺")), kAddress, u8"Привет 😀 🇷🇺"},
      // Folded and adjacent words: the blanks between words go, others stay,
      // and a character split between two words comes out whole.
      {Mail(kAddress, B("utf-8", u8"Счёт ") + "\r\n " + B("utf-8", u8"за март")), kAddress, kBill},
      {Mail(kAddress, B("utf-8", "\xd0\xa1\xd1") + "\r\n\t" + B("utf-8", "\x87" + std::string(u8"ёт"))),
       kAddress, u8"Счёт"},
      {Mail(kAddress, B("koi8-r", "\xf3\xde") + "  " + Q("windows-1251", "\xb8\xf2")), kAddress, u8"Счёт"},
      {Mail(kAddress, B("utf-8", u8"Счёт") + " for " + B("utf-8", u8"март") + "!"), kAddress,
       u8"Счёт for март!"},
      {Mail(kAddress, "Re:\r\n " + B("utf-8", u8"Счёт")), kAddress, u8"Re: Счёт"},
      // What the program cannot decode stays as written, with the blank before it.
      {Mail(kAddress, B("utf-8", u8"Счёт") + " =?utf-8?B?0LfQsA"), kAddress, u8"Счёт =?utf-8?B?0LfQsA"},
      {Mail(kAddress, B("utf-8", u8"Счёт") + " =?utf-8?B?0Lf!0LA=?="), kAddress,
       u8"Счёт =?utf-8?B?0Lf!0LA=?="},
      {Mail(kAddress, "=?utf-8?B?0LfQs?= =?utf-8?Q?=D0=Z0?="), kAddress,
       "=?utf-8?B?0LfQs?= =?utf-8?Q?=D0=Z0?="},
      {Mail(kAddress, "=?utf-8?Q?a b?= =?big5?B?pL6k5Q==?="), kAddress,
       "=?utf-8?Q?a b?= =?big5?B?pL6k5Q==?="},
      {Mail(kAddress, B("utf-8", "\xff") + "x" + Q("us-ascii", "\xe9")), kAddress, u8"\uFFFDx\uFFFD"},
      // Raw bytes: UTF-8 where valid, else the letter's charset, else Windows-1251.
      {Mail(u8"Иван Петров <ivan@example.org>", kBill), u8"Иван Петров", kBill},
      {Mail("\xe9\xd7\xc1\xce <ivan@example.org>", kKoi8Bill,
            "Content-Type: text/plain; charset=\"KOI8-R\"\r\n"),
       u8"Иван", kBill},
      {Mail("\xc8\xe2\xe0\xed <ivan@example.org>", k1251Bill), u8"Иван", kBill},
      {Mail(kAddress, k1251Bill, "Content-Type: text/plain;\r\n charset=utf-8\r\n"), kAddress, kBill},
      {Mail(kAddress, k1251Bill, "Content-Type: multipart/mixed; boundary=\"b\"\r\n"), kAddress, kBill},
      // The sender: the display name, else a comment, else the address.
      {Mail("<ivan@example.org>", "x"), kAddress, "x"},
      {Mail("\"Ivan \\\"Vanya\\\" Petrov\" <ivan@example.org>", "x"), "Ivan \"Vanya\" Petrov", "x"},
      {Mail("\"" + B("utf-8", u8"Иван") + "\" " + B("utf-8", u8"Петров") + " <a@b>", "x"), u8"ИванПетров",
       "x"},
      {Mail("Ivan (work) <ivan@example.org> (home)", "x"), "Ivan", "x"},
      {Mail("ivan@example.org (" + B("koi8-r", "\xe9\xd7\xc1\xce") + ")", "x"), u8"Иван", "x"},
      {Mail("ivan@example.org ((nested) \\) Ivan) (home)", "x"), "(nested) ) Ivan", "x"},
      {Mail("\"\" <ivan@example.org>, Petr <petr@example.org>", "x"), kAddress, "x"},
      // Field names in any case; the first of each; blanks and controls.
      {Top("FROM : Ivan <ivan@example.org>\r\nsubject:x\r\nFrom: Petr <p@q>\r\nSubject: y\r\n"), "Ivan", "x"},
      {Top("X-Note: From: Petr\r\nFrom: Ivan\r\n"), "Ivan", ""},
      {Mail(kAddress, "  a\t\tb \x01\x7f c  \xc2\x85 "), kAddress, "a b c"},
      // Where the fields are: past 8 KB of others, after the empty line, cut off.
      {Mail(kAddress, "x", std::string(8 * 1024, 'r').insert(0, "DKIM-Signature: ") + "\r\n"), kAddress, "x"},
      {Top("To: ivan@example.org\r\n"), "", ""},
      {Top("Subject: x\r\n").substr(0, 95), "", ""},
      {"+OK\r\nTo: a@b\r\nFrom: Ivan <ivan@exa", "Ivan", ""},
      {"+OK\r\nSubject: " + B("utf-8", u8"Счёт").substr(0, 12), "", "=?utf-8?B?0K"},
      {"", "", ""},
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
    const std::string block = Mail(kAddress, B("utf-8", c.subject));
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
      {u8"Счёт", 4, 3, u8"Счё"},
      {u8"a😀б", 4, 2, "a"},
      {u8"a😀б", 4, 3, u8"a😀"},
      {u8"a😀б", 4, 4, u8"a😀б"},
      {"abc", 3, 0, ""},
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
