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
    "Некоторых введённых знаков нет в кодировке Windows-1251, в которой программа хранит тексты "
    "(русские и английские буквы, цифры, обычные знаки). Эти знаки убраны.";
// A path with such characters, chosen by the user or registered in Windows:
// stored, it would name no file.
constexpr char kForeignPath[] =
    "В пути к этому файлу есть знаки, которых нет в кодировке Windows-1251,\n"
    "а программа хранит пути только в ней. Переименуйте файл или папку либо выберите другой файл.";

}  // namespace texts
