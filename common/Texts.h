// Texts shown in more than one place, each exactly as the user sees it:
// one constant per text.
#pragma once

namespace texts {

constexpr char kCaptionNotice[] = "Вестун :)";
constexpr char kCaptionError[] = "Вестун :(";
constexpr char kAlreadyRunning[] = "Прога уже запущена!";
constexpr char kInitFailed[] = "Не удалось инициализировать приложение!";
// Typed or pasted characters that Windows-1251 lacks, taken out again.
constexpr char kForeignText[] =
    "Программа хранит тексты в кодировке Windows-1251 (кириллица и латиница),\n"
    "а в ней нет знаков, которые вы ввели. Они убраны.";

}  // namespace texts
