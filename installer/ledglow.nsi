; The Windows installer, built on Linux by makensis from the release build.
; The build passes BIN_DIR, VXQ_DIR, OUT_FILE and VERSION with /D.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "LogicLib.nsh"
!include "WordFunc.nsh"

!define PRODUCT "ledglow"
!define SETTINGS_KEY "SOFTWARE\VOVEzurevo\Default"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define CONTROLLER_CLASS "TSetupFrm"
!define CONTROLLER_TITLE "DED EZORUZ SETUP-KORVELID09"
!define POLL_INTERVAL 10000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The ${PRODUCT} authors"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Asks a running instance to end and waits for its controller window to go, so that its
; files can be replaced or removed.
!macro EndRunningInstance UN
Function ${UN}EndRunningInstance
  FindWindow $0 "${CONTROLLER_CLASS}" "${CONTROLLER_TITLE}"
  ${If} $0 = 0
    Return
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\ledglow.exe"
    Return
  ${EndIf}
  ExecWait '"$INSTDIR\ledglow.exe" /q'
  StrCpy $1 0
  ${Do}
    FindWindow $0 "${CONTROLLER_CLASS}" "${CONTROLLER_TITLE}"
    ${If} $0 = 0
    ${OrIf} $1 >= 100
      ${Break}
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
  ; The window goes before the process has released its DLLs.
  Sleep 500
FunctionEnd
!macroend
!insertmacro EndRunningInstance ""
!insertmacro EndRunningInstance "un."

Section "Install"
  SetShellVarContext all
  Call EndRunningInstance

  SetOutPath "$INSTDIR"
  File "${BIN_DIR}\ledglow.exe"
  File "${BIN_DIR}\kbdlink.dll"
  File "${BIN_DIR}\wminput.dll"
  SetOutPath "$INSTDIR\VXQ"
  File "${VXQ_DIR}\*.vxq"

  WriteRegDWORD HKLM "${SETTINGS_KEY}" "Interval" ${POLL_INTERVAL}
  WriteRegStr HKLM "${SETTINGS_KEY}" "APPath" "$INSTDIR"

  ; The program restores its key from this file when the key is gone, so it holds exactly
  ; what was written above, for the folder chosen at install time.
  ${WordReplace} "$INSTDIR" "\" "\\" "+" $2
  IntFmt $3 "%08x" ${POLL_INTERVAL}
  FileOpen $0 "$INSTDIR\DorAdor.reg" w
  FileWriteWord $0 0xFEFF
  FileWriteUTF16LE $0 "Windows Registry Editor Version 5.00$\r$\n$\r$\n"
  FileWriteUTF16LE $0 "[HKEY_LOCAL_MACHINE\${SETTINGS_KEY}]$\r$\n"
  FileWriteUTF16LE $0 '"Interval"=dword:$3$\r$\n'
  FileWriteUTF16LE $0 '"APPath"="$2"$\r$\n'
  FileClose $0

  ; A Startup shortcut rather than a Run value: it sets the working directory to the program
  ; folder, where the program looks for DorAdor.reg.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMSTARTUP\${PRODUCT}.lnk" "$INSTDIR\ledglow.exe" "" "$INSTDIR\ledglow.exe" 0

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Call un.EndRunningInstance

  ; Folder last: its going away tells that the uninstaller is done.
  Delete "$SMSTARTUP\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\VOVEzurevo"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  Delete "$INSTDIR\VXQ\LNG_*.vxq"
  RMDir "$INSTDIR\VXQ"
  Delete "$INSTDIR\ledglow.exe"
  Delete "$INSTDIR\kbdlink.dll"
  Delete "$INSTDIR\wminput.dll"
  Delete "$INSTDIR\DorAdor.reg"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
