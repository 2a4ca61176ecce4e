; Quillomat's Windows installer, built with NSIS (Debian's nsis) by the CMake target
; "installer". A per-user install: no administrator rights, the programs under
; %LOCALAPPDATA%\Programs\Quillomat, a Start menu entry, and an uninstaller that removes the
; programs and the context-menu verbs. Settings and logs (%APPDATA%\Quillomat) stay unless the
; user ticks their removal in the uninstaller.
;
; makensis -DBUILD_DIR=<the windows build> -DOUT_FILE=<installer.exe> -DVERSION=<x.yy> quillomat.nsi
; The programs are 64-bit, and so is the installer (which also lets it run where Windows, or
; Wine, has no 32-bit side).
Target amd64-unicode
!ifndef BUILD_DIR
  !error "BUILD_DIR (the windows preset's build directory) must be given"
!endif
!ifndef OUT_FILE
  !define OUT_FILE "quillomat-setup.exe"
!endif
!ifndef VERSION
  !define VERSION "0"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillomat"
!define CLASSES "Software\Classes"

Name "Quillomat"
OutFile "${OUT_FILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Quillomat"
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage components
UninstPage instfiles

Section "Quillomat"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${BUILD_DIR}/src/win32gui/quillomat.exe"
  File "${BUILD_DIR}/src/cli/quillomat-cli.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Quillomat.lnk" "$INSTDIR\quillomat.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillomat"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillomat.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes the verb of one file type as the program does: the keys Quillomat and Command, then
; the type's shell key and the type key when nothing else is left in them.
!macro RemoveVerb TYPE
  StrCmp "${TYPE}" "" +4
  DeleteRegKey HKCU "${CLASSES}\${TYPE}\shell\Quillomat"
  DeleteRegKey /ifnosubkeys /ifnovalues HKCU "${CLASSES}\${TYPE}\shell"
  DeleteRegKey /ifnosubkeys /ifnovalues HKCU "${CLASSES}\${TYPE}"
  Nop
!macroend

Section "un.Quillomat" RemovePrograms
  SectionIn RO
  SetShellVarContext current
  ReadRegStr $0 HKCR ".htm" ""
  ReadRegStr $1 HKCR ".html" ""
  !insertmacro RemoveVerb "$0"
  !insertmacro RemoveVerb "$1"
  !insertmacro RemoveVerb "htmfile"
  !insertmacro RemoveVerb "htmlfile"
  !insertmacro RemoveVerb "Directory"
  Delete "$SMPROGRAMS\Quillomat.lnk"
  Delete "$INSTDIR\quillomat.exe"
  Delete "$INSTDIR\quillomat-cli.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Off unless ticked: the user's settings, logs and journal, and the copies View Log(s) made.
Section /o "un.Settings and logs" RemoveSettings
  SetShellVarContext current
  RMDir /r "$APPDATA\Quillomat"
  RMDir /r "$TEMP\Quillomat"
SectionEnd
