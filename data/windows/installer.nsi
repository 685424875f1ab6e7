; The Windows installer of the three programs, built by scripts/windows_installer.sh with Debian's
; makensis (-INPUTCHARSET UTF8). Defines given on its command line:
;   STAGE     folder holding the files to install (chiptool.exe, the user's guide, LICENSE.txt and
;             the programs' icons; tessaro.exe and porvik.exe where the build made them)
;   VERSION   four-part version, e.g. 1.0.0.1
;   OUTFILE   the installer to write
;   HAVE_TESSARO, HAVE_PORVIK   defined when the stage holds that program
; Silent mode: /S; another folder: /D=C:\path (last, unquoted), as for every installer of its kind.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef STAGE
  !error "STAGE must be defined"
!endif
!ifndef VERSION
  !error "VERSION must be defined"
!endif
!ifndef OUTFILE
  !error "OUTFILE must be defined"
!endif
; The user's guide for Windows, in STAGE as UTF-16LE with a byte-order mark and CRLF, which every
; Notepad reads right (scripts/windows_installer.sh makes it from data/windows/guide.txt).
!define GUIDE "使用说明.txt"

!define PRODUCT "Tessaro Porvik"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TessaroPorvik"
!define CHIP_CLASS "Tessaro.chip"
; Start-menu folder of the two windows (chiptool is a command-line program: no shortcut).
!define MENU_DIR "$SMPROGRAMS\${PRODUCT}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The 64-bit programs belong in the 64-bit program folder; a reinstall finds the last folder.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
; Files in Program Files and the file type for every user need an administrator.
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"

!define MUI_ABORTWARNING
!ifdef HAVE_PORVIK
  !define MUI_ICON "${STAGE}\porvik.ico"
!endif
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The last page offers the user's guide, ticked: it opens in the user's text viewer (Notepad).
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${GUIDE}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "打开使用说明"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "MIT License"

; The outermost folder of $INSTDIR that does not exist yet (empty when it exists), into $R0: the
; installer makes it and those below it, and the uninstaller takes them away again when empty.
Function FirstMissingFolder
  StrCpy $R0 ""
  StrCpy $R1 "$INSTDIR"
  ${DoWhile} $R1 != ""
    ${If} ${FileExists} "$R1\*.*"
      ${Break}
    ${EndIf}
    StrCpy $R0 $R1
    ${GetParent} $R1 $R1
  ${Loop}
FunctionEnd

Section "Install"
  ; Shortcuts for every user, matching the machine-wide file type and uninstall entry.
  SetShellVarContext all
  ; A reinstall keeps what the first install made.
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "CreatedFolder"
  ${If} $R0 == ""
    Call FirstMissingFolder
  ${EndIf}
  WriteRegStr HKLM "${UNINST_KEY}" "CreatedFolder" "$R0"
  SetOutPath "$INSTDIR"
  File "${STAGE}\chiptool.exe"
  File "${STAGE}\${GUIDE}"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "${MENU_DIR}"

!ifdef HAVE_TESSARO
  File "${STAGE}\tessaro.exe"
  File "${STAGE}\tessaro.ico"
  CreateShortcut "${MENU_DIR}\Tessaro.lnk" "$INSTDIR\tessaro.exe" "" "$INSTDIR\tessaro.ico" 0
  ; A .chip file opens in Tessaro and shows Tessaro's icon. The class is ours alone; the
  ; extension's default is taken over, the program that had it kept aside (once: a reinstall
  ; finds its own class there), and given back on uninstall while the default is still ours.
  ReadRegStr $0 HKLM "Software\Classes\.chip" ""
  ${If} $0 != ""
  ${AndIf} $0 != "${CHIP_CLASS}"
    WriteRegStr HKLM "${UNINST_KEY}" "PreviousChipClass" "$0"
  ${EndIf}
  WriteRegStr HKLM "Software\Classes\.chip" "" "${CHIP_CLASS}"
  WriteRegStr HKLM "Software\Classes\.chip\OpenWithProgids" "${CHIP_CLASS}" ""
  WriteRegStr HKLM "Software\Classes\${CHIP_CLASS}" "" "器件列表"
  WriteRegStr HKLM "Software\Classes\${CHIP_CLASS}\DefaultIcon" "" "$INSTDIR\tessaro.ico,0"
  WriteRegStr HKLM "Software\Classes\${CHIP_CLASS}\shell\open\command" "" '"$INSTDIR\tessaro.exe" "%1"'
  ; SHCNE_ASSOCCHANGED: Explorer picks up the new icon without a restart.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!endif
!ifdef HAVE_PORVIK
  File "${STAGE}\porvik.exe"
  File "${STAGE}\porvik.ico"
  CreateShortcut "${MENU_DIR}\Porvik.lnk" "$INSTDIR\porvik.exe" "" "$INSTDIR\porvik.ico" 0
!endif

  ; The system's list of installed programs.
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Halvern"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
!ifdef HAVE_TESSARO
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\tessaro.ico"
!else ifdef HAVE_PORVIK
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\porvik.ico"
!endif
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; Only what was installed: WINIO.dll, winio.sys or QorelIsp.ini put beside the programs by the
  ; user stay, and with them the folder.
  Delete "$INSTDIR\chiptool.exe"
  Delete "$INSTDIR\tessaro.exe"
  Delete "$INSTDIR\tessaro.ico"
  Delete "$INSTDIR\porvik.exe"
  Delete "$INSTDIR\porvik.ico"
  Delete "$INSTDIR\${GUIDE}"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The folders the installer made above it, each only when empty, up to the outermost it made.
  ReadRegStr $R0 HKLM "${UNINST_KEY}" "CreatedFolder"
  ${If} $R0 != ""
    StrCpy $R1 "$INSTDIR"
    ${DoWhile} $R1 != $R0
      ${GetParent} $R1 $R1
      ${If} $R1 == ""
        ${Break}
      ${EndIf}
      RMDir "$R1"
    ${Loop}
  ${EndIf}

  Delete "${MENU_DIR}\Tessaro.lnk"
  Delete "${MENU_DIR}\Porvik.lnk"
  RMDir "${MENU_DIR}"

  ReadRegStr $0 HKLM "Software\Classes\.chip" ""
  ReadRegStr $1 HKLM "${UNINST_KEY}" "PreviousChipClass"
  ${If} $0 == "${CHIP_CLASS}"
    ; The program that had .chip before gets it back, if it is still there.
    ${If} $1 != ""
      ClearErrors
      EnumRegKey $2 HKLM "Software\Classes\$1" 0
      ${IfNot} ${Errors}
        WriteRegStr HKLM "Software\Classes\.chip" "" "$1"
      ${Else}
        DeleteRegValue HKLM "Software\Classes\.chip" ""
      ${EndIf}
    ${Else}
      DeleteRegValue HKLM "Software\Classes\.chip" ""
    ${EndIf}
  ${EndIf}
  DeleteRegValue HKLM "Software\Classes\.chip\OpenWithProgids" "${CHIP_CLASS}"
  DeleteRegKey /ifempty HKLM "Software\Classes\.chip\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\.chip"
  DeleteRegKey HKLM "Software\Classes\${CHIP_CLASS}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
