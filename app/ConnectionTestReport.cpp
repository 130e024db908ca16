#include "app/ConnectionTestReport.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/Texts.h"
#include "mail/Pop3Poll.h"

namespace {

// The poll's failures, from -1 on.
constexpr const char* kFailures[] = {
    "Ящик сейчас проверяется вестуном.\nНе будем ему пока мешать ...",
    "Сервер не найден!",
    "Ошибка при создании сокета - странный глюк :((",
    "Не удалось соединиться с сервером!",
    "Сервер отверг имя пользователя!",
    "Сервер отверг пароль!",
};
constexpr int32_t kFailureCount = static_cast<int32_t>(sizeof kFailures / sizeof kFailures[0]);

// What went wrong with a TLS connection, by platform::TlsFailure; a stalled
// handshake reads as any connection that could not be made.
const char* TlsFailureText(platform::TlsFailure failure) {
  using platform::TlsFailure;
  switch (failure) {
    case TlsFailure::NotTls:
      return "Сервер не поддерживает защищённое соединение (TLS) на этом порту!";
    case TlsFailure::NoCommonVersion:
      return "Сервер не поддерживает TLS 1.2 — единственную версию защищённого соединения, "
             "которую знает программа!";
    case TlsFailure::UnknownIssuer:
      return "Сертификат сервера выдан неизвестным центром сертификации!\n"
             "Если сервер ваш, добавьте его корневой сертификат в доверенные в Windows.";
    case TlsFailure::OtherName:
      return "Сертификат сервера выдан на другое имя!\nПроверьте имя сервера.";
    case TlsFailure::Expired:
      return "Срок действия сертификата сервера истёк или ещё не наступил!";
    case TlsFailure::Untrusted:
      return "Сертификат сервера не прошёл проверку!";
    default:
      return nullptr;
  }
}

}  // namespace

const char* ConnectionTestReport(int32_t code, platform::TlsFailure tlsFailure, const char* prompt,
                                 std::string& text) {
  if (code > 0) {
    // The prompt is the user's own text, of any length.
    constexpr char kFormat[] = "%s (%d шт.)!";
    if (prompt == nullptr) prompt = "";
    const int length = std::snprintf(nullptr, 0, kFormat, prompt, static_cast<int>(code));
    std::vector<char> message(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    std::snprintf(message.data(), message.size(), kFormat, prompt, static_cast<int>(code));
    text = message.data();
    return texts::kCaptionNotice;
  }
  if (code == 0) {
    text = "Проверка прошла удачно, новых писем нет.";
    return texts::kCaptionNotice;
  }
  const char* tls = code == kPollNotConnected ? TlsFailureText(tlsFailure) : nullptr;
  if (tls != nullptr) {
    text = tls;
    return texts::kCaptionError;
  }
  text = code >= -kFailureCount ? kFailures[-code - 1] : "Неопознанная ошибка.";
  return texts::kCaptionError;
}

void NameTestedBox(const char* boxName, std::string& text) {
  text = std::string("Проверка ящика «") + (boxName != nullptr ? boxName : "") + "»:\n" + text;
}
