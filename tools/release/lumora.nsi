; The Lumora installer (NSIS 3, Unicode), built by tools/release/make-release.sh:
;   makensis -DVERSION=x.y.z -DSTAGE=<staged files> -DOUTFILE=<setup.exe>
;            -DICON=<lumora.ico> [-DTARGET=amd64-unicode] lumora.nsi
;
; Installs Lumora.scr for the current user (default, no administrator
; rights) or for all users (into the 32-bit system folder, where the
; system's screen-saver settings list it), optionally makes it the current
; screen saver, and registers an uninstaller that takes away exactly what
; was added. The user's settings stay unless the uninstaller is asked to
; remove them.
;
; Command line (besides NSIS's /S and /D=):
;   /CurrentUser, /AllUsers   install mode (also understood by the uninstaller)
;   /KeepSaver                do not make Lumora the current screen saver
;   uninstaller /RemoveSettings   also delete HKCU\Software\Orvane\Lumora

Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma
!define /ifndef TARGET x86-unicode
Target ${TARGET}

!define PRODUCT "Lumora"
!define PUBLISHER "Orvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora"
!define SETTINGS_KEY "Software\Orvane\Lumora"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include "${STAGE}\files.nsh"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "(C) ${PUBLISHER}"

Var SaverPath   ; where Lumora.scr went
Var MadeFolder  ; the outermost folder above $INSTDIR that this installation made

; The uninstaller speaks the language chosen for the installation.
!define MUI_LANGDLL_REGISTRY_ROOT SHCTX
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\docs\index.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(ShowGuide)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString SecProgram ${LANG_JAPANESE} "Lumora スクリーンセーバー"
LangString SecProgram ${LANG_ENGLISH} "Lumora screen saver"
LangString SecSetSaver ${LANG_JAPANESE} "現在のスクリーンセーバーにする"
LangString SecSetSaver ${LANG_ENGLISH} "Make it the current screen saver"
LangString UnSecProgram ${LANG_JAPANESE} "Lumora スクリーンセーバー"
LangString UnSecProgram ${LANG_ENGLISH} "Lumora screen saver"
LangString UnSecSettings ${LANG_JAPANESE} "設定（フォルダー・オプション）も削除する"
LangString UnSecSettings ${LANG_ENGLISH} "Also remove the settings (folders and options)"
LangString ShowGuide ${LANG_JAPANESE} "ユーザーガイドを開く"
LangString ShowGuide ${LANG_ENGLISH} "Open the user's guide"

; Where Lumora.scr goes: the program folder for one user; for all users the
; 32-bit system folder (SysWOW64 on 64-bit Windows), where the system's
; screen-saver settings look for 32-bit savers.
Function ChooseSaverPath
  ${If} $MultiUser.InstallMode == "AllUsers"
    !if ${TARGET} == amd64-unicode
      StrCpy $SaverPath "$SYSDIR\Lumora.scr"
    !else
    ${If} ${RunningX64}
      StrCpy $SaverPath "$WINDIR\SysWOW64\Lumora.scr"
    ${Else}
      StrCpy $SaverPath "$SYSDIR\Lumora.scr"
    ${EndIf}
    !endif
  ${Else}
    StrCpy $SaverPath "$INSTDIR\Lumora.scr"
  ${EndIf}
FunctionEnd

Section "!$(SecProgram)" SecProgramId
  SectionIn RO
  Call ChooseSaverPath
  ; A fresh profile may lack the folder above the program folder (for one
  ; user %LOCALAPPDATA%\Programs): note the outermost one made here, so the
  ; uninstaller can take it away again when it is left empty.
  StrCpy $MadeFolder ""
  ${GetParent} "$INSTDIR" $0
  ${DoWhile} $0 != ""
    ${If} ${FileExists} "$0\*.*"
      ${Break}
    ${EndIf}
    StrCpy $MadeFolder $0
    ${GetParent} $0 $0
  ${Loop}
  ${GetParent} $SaverPath $0
  SetOutPath $0
  File "/oname=$SaverPath" "${STAGE}\Lumora.scr"
  SetOutPath "$INSTDIR"
  !insertmacro LumoraInstallFiles
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallerLanguage" "$LANGUAGE"  ; silent installs too
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$SaverPath"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "ScreenSaverFile" "$SaverPath"
  ${If} $MadeFolder != ""
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "MadeFolder" "$MadeFolder"
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; As the system's own screen-saver settings do: the saver's path (short form
; where the volume keeps short names) and the active flag, announced to the
; system. What was there before is kept for the uninstaller.
Section "$(SecSetSaver)" SecSetSaverId
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "SaverReplaced"
  ${If} $0 != "1"  ; a reinstall keeps the first installation's record
    ClearErrors
    ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${If} ${Errors}
      WriteRegStr SHCTX "${UNINSTALL_KEY}" "PreviousSaverAbsent" "1"
    ${EndIf}
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "PreviousSaver" "$1"
    ClearErrors
    ReadRegStr $2 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    ${If} ${Errors}
      StrCpy $2 "absent"
    ${EndIf}
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "PreviousSaverActive" "$2"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "SaverReplaced" "1"
  ${EndIf}
  GetFullPathName /SHORT $3 "$SaverPath"
  ${If} $3 == ""
    StrCpy $3 "$SaverPath"
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$3"
  System::Call 'user32::SystemParametersInfoW(i 17, i 1, p 0, i 3)'  ; SPI_SETSCREENSAVEACTIVE, save and announce
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

Function .onInit
  ; A folder given with /D= wins over the install mode's default folder.
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $R9 != ""
    StrCpy $INSTDIR $R9
  ${EndIf}
  !insertmacro MUI_LANGDLL_DISPLAY
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/KeepSaver" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecSetSaverId} 0
  ${EndIf}
FunctionEnd

Section "un.$(UnSecProgram)" UnSecProgramId
  SectionIn RO
  ReadRegStr $SaverPath SHCTX "${UNINSTALL_KEY}" "ScreenSaverFile"
  ${If} $SaverPath == ""
    StrCpy $SaverPath "$INSTDIR\Lumora.scr"
  ${EndIf}

  ; Give the screen saver back only while Lumora is still the one chosen.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "SaverReplaced"
  ReadRegStr $1 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  GetFullPathName /SHORT $2 "$SaverPath"
  ${If} $0 == "1"
  ${AndIf} $1 != ""
    ${If} $1 == $SaverPath
    ${OrIf} $1 == $2
      ReadRegStr $3 SHCTX "${UNINSTALL_KEY}" "PreviousSaverAbsent"
      ReadRegStr $4 SHCTX "${UNINSTALL_KEY}" "PreviousSaver"
      ReadRegStr $5 SHCTX "${UNINSTALL_KEY}" "PreviousSaverActive"
      ${If} $3 == "1"
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
      ${Else}
        WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$4"
      ${EndIf}
      ${If} $5 == "1"
        System::Call 'user32::SystemParametersInfoW(i 17, i 1, p 0, i 3)'
        WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
      ${Else}
        System::Call 'user32::SystemParametersInfoW(i 17, i 0, p 0, i 3)'
        ${If} $5 == "absent"
          DeleteRegValue HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
        ${Else}
          WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "$5"
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}

  Delete "$SaverPath"
  !insertmacro LumoraRemoveFiles
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  ; The folders above it that the installation made, up to the outermost one,
  ; each only when empty.
  ReadRegStr $6 SHCTX "${UNINSTALL_KEY}" "MadeFolder"
  ${If} $6 != ""
    ${GetParent} "$INSTDIR" $0
    ${DoWhile} $0 != ""
      RMDir $0
      ${If} $0 == $6
        ${Break}
      ${EndIf}
      ${GetParent} $0 $0
    ${Loop}
  ${EndIf}
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(UnSecSettings)" UnSecSettingsId
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Orvane"
SectionEnd

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  !insertmacro MUI_UNGETLANGUAGE
  ${un.GetParameters} $0
  ClearErrors
  ${un.GetOptions} $0 "/RemoveSettings" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettingsId} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
