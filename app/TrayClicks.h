// What a click on the tray icon does, by the icon's state.
#pragma once

class Application;

// The menu of the quiet envelope, the new version's notice, or the list of
// new mail.
void OnTrayRightClick(Application& app);
// The mail program of the one enabled box (of the one with new mail), or
// the menu of the boxes when there are several.
void OnTrayLeftClick(Application& app);
// With new mail in several boxes, their menu opens under the mouse.
void OnTrayMouseOver(Application& app);
