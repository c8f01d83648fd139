; The Windows installer: the menu and its guardian in one program folder, the demo suite as an
; example folder beneath it, a Start-menu entry that starts the menu in the demo suite, and an
; uninstaller that Windows lists among its installed programs. Built by CMakeLists.txt beside
; this file, which passes:
;   VERSION        the project's version ("4.2"), VERSION_QUAD the same in four parts ("4.2.0.0")
;   STAGE          the folder of the stripped tovaleer.exe, tovaleer-guardian.exe and LICENSE.txt
;   SUITE_NSH      the generated macros that install and remove each file of the demo suite
;   OUTFILE        the installer to write
;
; 64-bit and per-machine: the menu is a 64-bit program, so a 64-bit installer (which needs no
; 32-bit Windows layer, and writes the registry's 64-bit view) to $PROGRAMFILES64, with the
; Start-menu entry for every user of the machine, as a school's shared computers need.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh

!define PRODUCT "Tovaleer Gr 4-5"
!define PUBLISHER "Tovaleer developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tovaleer"
; The demo suite's folder beneath the program's: the menu reads its program folder from the
; working folder it is started in, which the shortcut names.
!define DEMO_FOLDER "Demo"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tovaleer"
; A reinstall goes where the last one went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT License, see LICENSE.txt"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The pages speak the language of the user's Windows when it is one of these.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Afrikaans"

!include "${SUITE_NSH}"

; The menu's single-instance mutex, named after its program file. A running menu holds its
; files open: they could be neither replaced nor removed, and an uninstall would report
; success and leave them behind.
!define MENU_MUTEX "tovaleer.exe"
!define SYNCHRONIZE 0x00100000
LangString MENU_RUNNING ${LANG_ENGLISH} "${PRODUCT} is running. Close it, then start this again."
LangString MENU_RUNNING ${LANG_AFRIKAANS} "${PRODUCT} loop nog. Maak dit toe en begin dit dan weer."

!macro TOV_REFUSE_WHILE_THE_MENU_RUNS
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${MENU_MUTEX}") p .r0'
  IntPtrCmp $0 0 menu_not_running
  System::Call 'kernel32::CloseHandle(p r0)'
  MessageBox MB_OK|MB_ICONSTOP "$(MENU_RUNNING)" /SD IDOK
  Abort
  menu_not_running:
!macroend

Function .onInit
  SetShellVarContext all
  !insertmacro TOV_REFUSE_WHILE_THE_MENU_RUNS
FunctionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro TOV_REFUSE_WHILE_THE_MENU_RUNS
FunctionEnd

Section "Tovaleer"
  SetOutPath "$INSTDIR"
  ; The menu starts its guardian from its own folder: the two stay side by side.
  File "${STAGE}/tovaleer.exe"
  File "${STAGE}/tovaleer-guardian.exe"
  File "${STAGE}/LICENSE.txt"
  !insertmacro TOV_INSTALL_SUITE "$INSTDIR\${DEMO_FOLDER}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut's "Start in" is the output folder at the time it is made.
  SetOutPath "$INSTDIR\${DEMO_FOLDER}"
  CreateShortCut "${SHORTCUT}" "$INSTDIR\tovaleer.exe" "" "$INSTDIR\tovaleer.exe" 0
  SetOutPath "$INSTDIR"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\tovaleer.exe",0'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes what the installer put there, file by file, and each folder only once it is empty:
; a school's own files in the program folder or the demo suite (a pupil's work, a suite
; copied beside the demo) stay, as does the folder that holds them.
Section "Uninstall"
  Delete "${SHORTCUT}"
  !insertmacro TOV_REMOVE_SUITE "$INSTDIR\${DEMO_FOLDER}"
  Delete "$INSTDIR\tovaleer.exe"
  Delete "$INSTDIR\tovaleer-guardian.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
