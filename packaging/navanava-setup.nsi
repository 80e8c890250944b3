; The Windows setup program: puts navanava.scr where the Display control
; panel lists it (the x86-64 program on 64-bit Windows, the 32-bit one
; elsewhere), selects it as the screen saver if asked, and registers an
; uninstaller in the control panel's program list.
;
; Built by the packaging target (packaging/CMakeLists.txt) with:
;   makensis -INPUTCHARSET UTF8 -DVERSION=... -DPROGRAM32=... -DPROGRAM64=...
;            -DLICENSE=... -DICON=... -DOUTFILE=... navanava-setup.nsi
;
; Command line of the setup program:    /S (silent), /NOSELECT (leave the
;                                       selected screen saver as it is)
; Command line of the uninstaller:      /S (silent), /REMOVESETTINGS (also
;                                       remove the saver's settings)
;
; The setup program is a Unicode program, so it runs on the NT family only;
; the 95 family keeps the zip.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true

!ifndef VERSION | PROGRAM32 | PROGRAM64 | LICENSE | ICON | OUTFILE
  !error "navanava-setup.nsi needs VERSION, PROGRAM32, PROGRAM64, LICENSE, ICON and OUTFILE"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include WinVer.nsh
!include FileFunc.nsh

!define PRODUCT "NavaNava Saver"
!define PUBLISHER "NavaNava"
!define SAVER_FILE "navanava.scr"
; The program list's entry (one per machine, in the native registry view).
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\NavaNava"
!define DESKTOP_KEY "Control Panel\Desktop"
; The saver's settings: this section of control.ini in the Windows folder.
!define SETTINGS_SECTION "ScreenSaver.NavaNava"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\NavaNava"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "(C) 2026 NavaNava"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(OpenSettingsText)"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback; NSIS picks the one that matches the
; system's user interface language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString ProgramSectionText ${LANG_ENGLISH} "NavaNava screen saver"
LangString ProgramSectionText ${LANG_JAPANESE} "ナバセーバー"
LangString SelectSectionText ${LANG_ENGLISH} "Use NavaNava as my screen saver"
LangString SelectSectionText ${LANG_JAPANESE} "スクリーン セーバーをナバセーバーにする"
LangString OpenSettingsText ${LANG_ENGLISH} "Open the Screen Saver settings"
LangString OpenSettingsText ${LANG_JAPANESE} "スクリーン セーバーの設定を開く"
LangString NeedAdminText ${LANG_ENGLISH} "NavaNava is installed for every user of this computer: please run the setup program as an administrator."
LangString NeedAdminText ${LANG_JAPANESE} "ナバセーバーはこのコンピューターのすべてのユーザーにインストールされます。管理者としてセットアップを実行してください。"
LangString UnProgramSectionText ${LANG_ENGLISH} "NavaNava screen saver"
LangString UnProgramSectionText ${LANG_JAPANESE} "ナバセーバー"
LangString UnSettingsSectionText ${LANG_ENGLISH} "My NavaNava settings (speed and flakes)"
LangString UnSettingsSectionText ${LANG_JAPANESE} "ナバセーバーの設定 (速さと雪の数)"

; Where the program goes: the system folder, where the NT family's Display
; control panel looks for screen savers. A 32-bit setup program on 64-bit
; Windows sees the 32-bit system folder under that name; the x86-64 program
; goes to the real one, past the redirection (see InstallProgram).
Var SaverPath

!macro SetSaverPath
  StrCpy $SaverPath "$SYSDIR\${SAVER_FILE}"
!macroend

; On 64-bit Windows the program list's entry goes to the 64-bit registry
; view, which the 64-bit control panel reads first.
!macro UseNativeView
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

Section "!$(ProgramSectionText)" SecProgram
  SectionIn RO
  SetOverwrite on
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    SetOutPath "$SYSDIR"
    File "/oname=${SAVER_FILE}" "${PROGRAM64}"
    ${EnableX64FSRedirection}
  ${Else}
    SetOutPath "$SYSDIR"
    File "/oname=${SAVER_FILE}" "${PROGRAM32}"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The program list's entry, rewritten by every install, so that a second
  ; install over the first leaves one entry of the newer version.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverPath,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KB, rounded up: the program and the files in the setup folder.
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
  ${EndIf}
  FileOpen $0 "$SaverPath" r
  FileSeek $0 0 END $1
  FileClose $0
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0B /G=0" $2 $3 $4
  IntOp $1 $1 + $2
  IntOp $1 $1 + 1023
  IntOp $1 $1 / 1024
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

; Selects the saver as the Display control panel does: its path as
; SCRNSAVE.EXE and the screen saver switched on; the wait time stays as the
; user set it.
Section "$(SelectSectionText)" SecSelect
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SaverPath"
  ; SPI_SETSCREENSAVEACTIVE, saved and announced to running programs.
  System::Call "user32::SystemParametersInfo(i 17, i 1, p 0, i 3)"
SectionEnd

Function OpenScreenSaverSettings
  ${If} ${AtLeastWinVista}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${Else}
    Exec '"$SYSDIR\control.exe" desk.cpl,,1'
  ${EndIf}
FunctionEnd

; Whether SCRNSAVE.EXE still names the installed saver: by its full path,
; long or short, or by its bare file name.
Function un.IsStillSelected
  Exch $0
  Push $1
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
  ${EndIf}
  GetFullPathName /SHORT $1 "$SaverPath"
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
  ${EndIf}
  ${If} $0 == ""
    StrCpy $0 0
  ${ElseIf} $0 == "$SaverPath"
  ${OrIf} $0 == "${SAVER_FILE}"
  ${OrIf} $0 == $1
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

Section "!un.$(UnProgramSectionText)" UnSecProgram
  SectionIn RO
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Push $0
  Call un.IsStillSelected
  Pop $0
  ${If} $0 = 1
    ; What the Display control panel does on "(None)".
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}

  ; A saver that runs right now is removed at the next start of Windows.
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    Delete /REBOOTOK "$SaverPath"
    ${EnableX64FSRedirection}
  ${Else}
    Delete /REBOOTOK "$SaverPath"
  ${EndIf}
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Off unless chosen: the settings outlive the program, so that a later
; install finds them again.
Section /o "un.$(UnSettingsSectionText)" UnSecSettings
  DeleteINISec "$WINDIR\control.ini" "${SETTINGS_SECTION}"
  FlushINI "$WINDIR\control.ini"
  ; Where the platform redirected an ordinary user's writes to the Windows
  ; folder, the saver's settings live in that user's own copy.
  ${If} ${FileExists} "$LOCALAPPDATA\VirtualStore\Windows\control.ini"
    DeleteINISec "$LOCALAPPDATA\VirtualStore\Windows\control.ini" "${SETTINGS_SECTION}"
    FlushINI "$LOCALAPPDATA\VirtualStore\Windows\control.ini"
  ${EndIf}
SectionEnd

; Where the system does not raise the setup program to an administrator's
; rights (Windows before Vista, or an ordinary account there), it stops
; before it writes anything, rather than fail half way.
!macro RequireAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP|MB_OK "$(NeedAdminText)" /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

; The command line's switches, read once the sections exist.
Function .onInit
  !insertmacro RequireAdmin
  !insertmacro UseNativeView
  ; Unless /D= named a folder: where an earlier install put its files (so
  ; that a second install replaces them in place), else the program folder
  ; of the machine's own architecture.
  ${If} $INSTDIR == "$PROGRAMFILES\NavaNava"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
      StrCpy $INSTDIR $0
    ${ElseIf} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\NavaNava"
    ${EndIf}
  ${EndIf}
  !insertmacro SetSaverPath
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOSELECT" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecSelect} 0
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro RequireAdmin
  !insertmacro UseNativeView
  !insertmacro SetSaverPath
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
