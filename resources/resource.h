// Resource ids of vestun.exe. Read by windres (vestun.rc) and by the C++
// sources, so it holds nothing but #defines.
#pragma once

// Tray icons: the envelope at rest and in motion.
#define IDI_ENVELOPE            110   // closed envelope, the everyday icon
#define IDI_ENVELOPE_JUMP1      111   // jump: tilted, right side down
#define IDI_ENVELOPE_JUMP2      112   // jump: level, at the top
#define IDI_ENVELOPE_JUMP3      113   // jump: tilted, left side down

// A new version is out: envelope with a red exclamation mark. The frames play in the
// order ALERT1, ALERT4, ALERT2, ALERT3 (upright, leaning left, upright and
// hopped up, leaning right).
#define IDI_ENVELOPE_ALERT1     123
#define IDI_ENVELOPE_ALERT2     124
#define IDI_ENVELOPE_ALERT3     125
#define IDI_ENVELOPE_ALERT4     126

#define IDI_ENVELOPE_CORNERS    127   // red corner marks (not used at present)
#define IDI_ENVELOPE_NEW_YEAR   128   // New Year cap
#define IDI_ENVELOPE_SHIELD     129   // shield in white, blue and red
#define IDI_ENVELOPE_FLOWERS    130   // flowers for the 8th of March
#define IDI_ENVELOPE_QUESTION   131   // red question mark

// Buttons of the settings dialogs.
#define IDI_BUTTON_NEXT         134   // >
#define IDI_BUTTON_PREVIOUS     135   // <
#define IDI_BUTTON_FIRST        136   // |<
#define IDI_BUTTON_LAST         137   // >|
#define IDI_BUTTON_ADD          138   // +
#define IDI_BUTTON_DELETE       139   // x
#define IDI_BUTTON_MOVE_UP      140   // <<  towards the front of the list
#define IDI_BUTTON_MOVE_DOWN    141   // >>  towards the back of the list
#define IDI_BUTTON_DUPLICATE    142   // two pages

// The tray menu: one popup, and the ids of its items.
#define IDM_TRAY                103
#define IDM_SETTINGS            40001
#define IDM_EXIT                40002
#define IDM_ABOUT               40006
#define IDM_STATISTICS          40008
