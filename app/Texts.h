// Texts the application shell shows, each exactly as the user sees it.
#pragma once

namespace texts {

constexpr char kCaptionNotice[] = "Вестун :)";
constexpr char kCaptionError[] = "Вестун :(";
constexpr char kAlreadyRunning[] = "Прога уже запущена!";
constexpr char kInitFailed[] = "Не удалось инициализировать приложение!";

}  // namespace texts
