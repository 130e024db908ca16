; The setup program of Vestun: a per-user install into
; %LOCALAPPDATA%\Programs\Vestun without administrator rights, a Start menu
; shortcut, the entry of "Apps and features" and, if the user keeps the box
; ticked, a start with Windows. Its uninstaller takes all of that away and
; asks whether the settings stay. Both end a running Vestun politely first.
;
; The build passes VERSION, EXE (the built vestun.exe), ICON and OUTFILE:
;   makensis -INPUTCHARSET UTF8 -DVERSION=2.13 -DEXE=... -DICON=... -DOUTFILE=... vestun.nsi
; /S runs either one silently; the silent installer also takes /NOAUTOSTART.

!ifndef VERSION | EXE | ICON | OUTFILE
  !error "VERSION, EXE, ICON and OUTFILE come from the build (installer/CMakeLists.txt)"
!endif

Unicode true
; vestun.exe is 64-bit; a 64-bit setup also runs where only 64-bit Wine is.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vestun"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Vestun"
!define SETTINGS_KEY "Software\Tandreller"
!define SHORTCUT "$SMPROGRAMS\Вестун.lnk"
; How the running program is found: its single-instance mutex and the class
; of its hidden main window (app/Application.cpp, platform/win32/MainLoop.cpp).
!define INSTANCE_MUTEX "2 TandrellerApp"
!define MAIN_CLASS "Main window class"
!define SYNCHRONIZE 0x00100000
!define SYNCHRONIZE_AND_QUERY 0x00101000

Name "Вестун" "Вестун"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Vestun"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Вестун ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\vestun.exe"

!insertmacro MUI_PAGE_WELCOME
Page custom StartPage StartPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
; Like vestun.exe, the setup names no copyright.
!pragma warning disable 9100
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "Вестун"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка Вестуна"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "Tandreller"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "OriginalFilename" "vestun-${VERSION}-setup.exe"

Var Autostart      ; ${BST_CHECKED} or ${BST_UNCHECKED}
Var AutostartBox
Var WasRunning     ; 1 when this run ended a running Vestun

; ---------------------------------------------------------------- a running copy

; Both programs ask a running Vestun to end and wait for it: its main window
; takes WM_CLOSE as the tray menu's "Выход" without the question, so nothing
; it is saving is cut short. It declines while one of its windows or menus
; is open; then the user is asked to close it, and a silent run gives up.
!macro CLOSE_RUNNING un
; $R0: 1 when the single-instance mutex exists, that is, Vestun runs.
Function ${un}VestunRuns
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${INSTANCE_MUTEX}") p .R0'
  ${If} $R0 != 0
    System::Call 'kernel32::CloseHandle(p R0)'
    StrCpy $R0 1
  ${EndIf}
FunctionEnd

; Sends WM_CLOSE to the window $R1 if vestun.exe owns it (the class name is
; a plain one that other programs may use too) and waits up to 10 s for
; that process to end.
Function ${un}CloseWindowOfVestun
  System::Call 'user32::GetWindowThreadProcessId(p R1, *i .R2)'
  System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE_AND_QUERY}, i 0, i R2) p .R3'
  ${If} $R3 == 0
    Return
  ${EndIf}
  System::Call 'kernel32::QueryFullProcessImageNameW(p R3, i 0, w .R4, *i ${NSIS_MAX_STRLEN})'
  ${GetFileName} $R4 $R4
  ${If} $R4 == "vestun.exe"
    SendMessage $R1 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    System::Call 'kernel32::WaitForSingleObject(p R3, i 10000)'
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p R3)'
FunctionEnd

Function ${un}CloseVestun
  Call ${un}VestunRuns
  ${If} $R0 != 1
    Return
  ${EndIf}
  StrCpy $WasRunning 1
  DetailPrint "Закрываю запущенный Вестун..."
  ${Do}
    StrCpy $R1 0
    ${Do}
      FindWindow $R1 "${MAIN_CLASS}" "" 0 $R1
      ${If} $R1 == 0
        ${ExitDo}
      ${EndIf}
      Call ${un}CloseWindowOfVestun
    ${Loop}
    Call ${un}VestunRuns
    ${If} $R0 != 1
      Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Вестун не закрывается: наверное, открыто его окно или меню.$\n$\nЗакройте его и нажмите «Повторить»." \
      /SD IDCANCEL IDRETRY +2
    Abort "Вестун всё ещё запущен."
  ${Loop}
FunctionEnd

; vestun.exe could not be replaced or removed: a copy of Vestun that outlived
; the close request holds it, such as a second start still showing its
; "already running" notice, which has no main window to be asked. The user
; is asked to close it; a silent run gives up, and the copy this run ended
; comes back. Returns for another try.
Function ${un}HeldExe
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
    "Файл $INSTDIR\vestun.exe занят: наверное, запущена ещё одна копия Вестуна (может быть, с сообщением «Прога уже запущена!»).$\n$\nЗакройте её и нажмите «Повторить»." \
    /SD IDCANCEL IDRETRY retry
  ${If} $WasRunning == 1
    Exec '"$INSTDIR\vestun.exe"'
  ${EndIf}
  Abort "Файл vestun.exe занят другой копией Вестуна."
  retry:
  Call ${un}CloseVestun
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

; ---------------------------------------------------------------- install

; The box is ticked unless an earlier install runs without the start with
; Windows (the user's choice then stays) or /NOAUTOSTART asks otherwise.
Function .onInit
  StrCpy $WasRunning 0
  StrCpy $Autostart ${BST_CHECKED}
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "UninstallString"
  ReadRegStr $1 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 != ""
  ${AndIf} $1 == ""
    StrCpy $Autostart ${BST_UNCHECKED}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOAUTOSTART" $1
  ${IfNot} ${Errors}
    StrCpy $Autostart ${BST_UNCHECKED}
  ${EndIf}
FunctionEnd

Function StartPage
  !insertmacro MUI_HEADER_TEXT "Запуск Вестуна" "Когда Вестуну начинать следить за почтой."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 12u "&Запускать Вестун вместе с Windows"
  Pop $AutostartBox
  ${NSD_SetState} $AutostartBox $Autostart
  ${NSD_CreateLabel} 0 20u 100% 40u "Конвертик Вестуна появится возле часов при каждом входе в Windows. \
    Передумаете — запустите установку снова и снимите флажок."
  Pop $0
  nsDialogs::Show
FunctionEnd

Function StartPageLeave
  ${NSD_GetState} $AutostartBox $Autostart
FunctionEnd

; Puts the files in place, once a copy that holds vestun.exe lets it.
Function PlaceFiles
  SetOverwrite try
  ${Do}
    ClearErrors
    File "/oname=vestun.exe" "${EXE}"
    ${IfNot} ${Errors}
      WriteUninstaller "$INSTDIR\uninstall.exe"
      ${IfNot} ${Errors}
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    Call HeldExe
  ${Loop}
  SetOverwrite on
FunctionEnd

; Nothing is recorded until every file is in place: a failed upgrade leaves
; the old version's entry, which still tells the truth.
Section
  Call CloseVestun
  SetOutPath "$INSTDIR"
  Call PlaceFiles
  CreateShortcut "${SHORTCUT}" "$INSTDIR\vestun.exe" "" "$INSTDIR\vestun.exe" 0 SW_SHOWNORMAL "" \
    "Проверка почты из области уведомлений"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Вестун"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tandreller"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vestun.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $Autostart == ${BST_CHECKED}
    WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\vestun.exe"'
  ${Else}
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}

  ; The finish page offers the start; a silent upgrade brings back only
  ; the copy it ended.
  ${If} ${Silent}
  ${AndIf} $WasRunning == 1
    Exec '"$INSTDIR\vestun.exe"'
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------- uninstall

Function un.onInit
  StrCpy $WasRunning 0
FunctionEnd

Section "Uninstall"
  Call un.CloseVestun
  ; Else the entry would go and leave the program behind.
  ${Do}
    ClearErrors
    Delete "$INSTDIR\vestun.exe"
    ${IfNot} ${Errors}
      ${ExitDo}
    ${EndIf}
    Call un.HeldExe
  ${Loop}
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; A silent uninstall keeps them: it may be the first half of a reinstall.
  MessageBox MB_YESNO|MB_ICONQUESTION \
    "Сохранить настройки Вестуна (почтовые ящики и пароли) для следующей установки?" \
    /SD IDYES IDYES +2
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd
