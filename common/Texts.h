// Texts shown in more than one place, each exactly as the user sees it:
// one constant per text.
#pragma once

namespace texts {

constexpr char kCaptionNotice[] = "Вестун :)";
constexpr char kCaptionError[] = "Вестун :(";
constexpr char kAlreadyRunning[] = "Прога уже запущена!";
constexpr char kInitFailed[] = "Не удалось инициализировать приложение!";

}  // namespace texts
