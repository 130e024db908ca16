#include "mail/ConnectionTestReport.h"

#include <cstdio>
#include <vector>

#include "common/Texts.h"

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

}  // namespace

const char* ConnectionTestReport(int32_t code, const char* prompt, String& text) {
  if (code > 0) {
    // The prompt is the user's own text, of any length.
    constexpr char kFormat[] = "%s (%d шт.)!";
    if (prompt == nullptr) prompt = "";
    const int length = std::snprintf(nullptr, 0, kFormat, prompt, static_cast<int>(code));
    std::vector<char> message(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    std::snprintf(message.data(), message.size(), kFormat, prompt, static_cast<int>(code));
    text.Assign(message.data());
    return texts::kCaptionNotice;
  }
  if (code == 0) {
    text.Assign("Проверка прошла удачно, новых писем нет.");
    return texts::kCaptionNotice;
  }
  text.Assign(code >= -kFailureCount ? kFailures[-code - 1] : "Неопознанная ошибка.");
  return texts::kCaptionError;
}
