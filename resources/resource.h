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

// Dialog templates.
#define IDD_GENERAL_PAGE        103
#define IDD_COMMANDS_PAGE       128
#define IDD_SETTINGS            129
#define IDD_MAILBOX_PAGE        130
#define IDD_ANTISPAM_PAGE       132

// The settings dialog: the tabs and the mailbox navigation bar below them.
#define IDC_TABS                1038
#define IDC_BOX_LABEL           1050
#define IDC_BOX_FIRST           1039
#define IDC_BOX_PREVIOUS        1040
#define IDC_BOX_NUMBER          1051
#define IDC_BOX_NEXT            1041
#define IDC_BOX_LAST            1042
#define IDC_BOX_OF              1049
#define IDC_BOX_COUNT           1048
#define IDC_BOX_ADD             1043
#define IDC_BOX_DELETE          1044
#define IDC_BOX_MOVE_FRONT      1046
#define IDC_BOX_MOVE_BACK       1047

// The mailbox page.
#define IDC_BOX_NAME            1004
#define IDC_CHECK_YES           1010
#define IDC_CHECK_NO            1011
#define IDC_SERVER              1002
#define IDC_PORT                1003
#define IDC_LOGIN               1013
#define IDC_PASSWORD            1014
#define IDC_TEST_CONNECTION     1021
#define IDC_INTERVAL            1015
#define IDC_TEST_SOUND          1012
#define IDC_SOUND_DEFAULTS      1009
#define IDC_SPEAKER             1054
#define IDC_WAV                 1055
#define IDC_MELODY              1017
#define IDC_STEP                1018
#define IDC_WAV_PATH            1016
#define IDC_CHOOSE_WAV          1020
#define IDC_RUN_BY_CLICK        1058
#define IDC_RUN_AUTOMATICALLY   1059
#define IDC_DEFAULT_PROGRAM     1008
#define IDC_CHOOSE_PROGRAM      1019
#define IDC_PROGRAM             1006
#define IDC_SAME_PROGRAM        1056
#define IDC_JUMP_NEW_LETTER     1035
#define IDC_JUMP_ANY_LETTER     1036

// The general page.
#define IDC_AUTO_VERSION_CHECK  1031
#define IDC_VERSION_PERIOD      1022
#define IDC_PROMPT              1045
#define IDC_RUN_MODE            1064
#define IDC_SEND_ERRORS         1032
#define IDC_SHOW_BALLOON        1034

// The commands page.
#define IDC_COMMAND_LIST        1061
#define IDC_COMMAND_ADD         1040
#define IDC_COMMAND_DUPLICATE   1043
#define IDC_COMMAND_DELETE      1039
#define IDC_COMMAND_UP          1041
#define IDC_COMMAND_DOWN        1042

// The antispam page: two lists that show nothing yet.
#define IDC_SPAM_SENDERS        1051
#define IDC_SPAM_SUBJECTS       1052

// The About dialog, the new-version dialog and the new-mail list.
#define IDD_ABOUT               109
#define IDD_NEW_MAIL_LIST       110
#define IDD_NEW_VERSION         111

#define IDC_ABOUT_ICON          1060
#define IDC_ABOUT_VERSION       1028
#define IDC_ABOUT_HOME_PAGE     1     // "Сходить на домашнюю страницу программы"
#define IDC_ABOUT_OK            2     // the default button
#define IDC_ABOUT_CHECK         3     // "Проверить, не вышла ли новая версия"
#define IDC_ABOUT_MAIL          1065
#define IDC_ABOUT_HOME_ADDRESS  1066

#define IDC_VERSION_ICON        1024
#define IDC_OUR_VERSION         1030
#define IDC_SITE_VERSION        1029
#define IDC_NEWER_NOTICE        1032
#define IDC_NEWER_AND           1063
#define IDC_NEWER_GO            1039  // "оценить новинку"
#define IDC_NEWER_SMILE         1062

#define IDC_NEW_MAIL_LIST       1026
#define IDC_READ_LETTERS        1     // "Прочитать"
#define IDC_DELETE_LETTERS      4
#define IDC_BLOCK_SENDERS       5
#define IDC_BLOCK_SUBJECTS      6
#define IDC_OLD_LETTERS         1033
