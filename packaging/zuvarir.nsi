; Zuvarir's installer. The build (packaging/CMakeLists.txt) runs makensis with
; VERSION, STAGE (the folder of the stripped zuvarir.scr and BASS.dll and of the
; icon) and OUTFILE.
;
; The saver and its library go where the screen-saver settings look for savers:
; the system folder as a 32-bit program sees it, System32 on 32-bit Windows and
; SysWOW64 on 64-bit Windows. The uninstaller lives in Program Files\Zuvarir and
; is listed among the installed programs. A BASS.dll of another program is never
; replaced or removed; ours is recognised by the ProductName of its version
; resource.
;
; Command line: /S installs (or, given to the uninstaller, removes) silently.
; /CURRENT together with /S also makes Zuvarir the installing user's screen saver,
; which an interactive install offers as a component, selected by default.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include FileFunc.nsh
!include LogicLib.nsh
!include MUI2.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zuvarir"
!define DESKTOP_KEY "Control Panel\Desktop"
; The ProductName of our version resources (resources/version_info.rc).
!define OUR_PRODUCT_NAME "Zuvarir"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATEINIFILE 1
!define ERROR_ELEVATION_REQUIRED 740

Name "Zuvarir ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Zuvarir"
BrandingText "Zuvarir ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

Var SaverDir

!define MUI_ICON "${STAGE}/zuvarir.ico"
!define MUI_UNICON "${STAGE}/zuvarir.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "Zuvarir, a particle screen saver, is installed into $SaverDir, where the screen-saver settings list it as $\"ZidaveVizur$\"."
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open Zuvarir's settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenSettings
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Zuvarir"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Zuvarir ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "The Zuvarir developers"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright © the Zuvarir developers"

; Functions that the installer and the uninstaller both need; the uninstaller's
; copies carry the "un." prefix.
!macro SharedFunctions un
  ; Sets $SaverDir. The real name of the folder, not the one redirected for a
  ; 32-bit program, goes into the registry, where 64-bit Windows reads it.
  Function ${un}FindSaverDir
    Push $0
    Push $1
    System::Call 'kernel32::GetSystemWow64DirectoryW(w .r0, i ${NSIS_MAX_STRLEN}) i .r1'
    ${If} $1 > 0
      StrCpy $SaverDir $0
    ${Else}
      StrCpy $SaverDir $SYSDIR
    ${EndIf}
    Pop $1
    Pop $0
  FunctionEnd

  ; Installing and removing need an administrator: the folder is the system's.
  Function ${un}RequireAdministrator
    Push $0
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "admin"
      MessageBox MB_ICONSTOP|MB_OK "Zuvarir goes into $SaverDir, which needs administrator rights." /SD IDOK
      SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
    Pop $0
  FunctionEnd

  ; Sets $R0 to "none", "ours" or "foreign" for the BASS.dll in $SaverDir. Ours
  ; has a version resource whose first translation names our product; a file
  ; without one, or naming another product, is foreign.
  Function ${un}CheckLibrary
    Push $0
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    Push $7
    StrCpy $0 "$SaverDir\BASS.dll"
    StrCpy $R0 "none"
    ${If} ${FileExists} $0
      StrCpy $R0 "foreign"
      System::Call 'version::GetFileVersionInfoSizeW(w r0, i 0) i .r1'
      ${If} $1 > 0
        System::Alloc $1
        Pop $2
        System::Call 'version::GetFileVersionInfoW(w r0, i 0, i r1, p r2) i .r3'
        ${If} $3 <> 0
          System::Call 'version::VerQueryValueW(p r2, w "\VarFileInfo\Translation", *p .r4, *i .r5) i .r3'
          ${If} $3 <> 0
          ${AndIf} $5 >= 4
            System::Call '*$4(&i2 .r6, &i2 .r7)'
            IntFmt $6 "%04x" $6
            IntFmt $7 "%04x" $7
            System::Call 'version::VerQueryValueW(p r2, w "\StringFileInfo\$6$7\ProductName", *p .r4, *i .r5) i .r3'
            ${If} $3 <> 0
              System::Call 'kernel32::lstrcpynW(w .r6, p r4, i ${NSIS_MAX_STRLEN}) p'
              ${If} $6 S== "${OUR_PRODUCT_NAME}"
                StrCpy $R0 "ours"
              ${EndIf}
            ${EndIf}
          ${EndIf}
        ${EndIf}
        System::Free $2
      ${EndIf}
    ${EndIf}
    Pop $7
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
  FunctionEnd
!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

Section "Zuvarir" SecSaver
  SectionIn RO
  SetOutPath $SaverDir
  File "${STAGE}/zuvarir.scr"
  Call CheckLibrary
  ${If} $R0 == "foreign"
    DetailPrint "$SaverDir\BASS.dll belongs to another program and is left in place."
    MessageBox MB_ICONEXCLAMATION|MB_OK "$SaverDir\BASS.dll belongs to another program, so Setup leaves it in place.$\n$\nZuvarir loads the BASS.dll beside it and may not start with that one. To run it with its own library, keep zuvarir.scr and BASS.dll from the Zuvarir zip together in a folder of their own and choose Install from the context menu of zuvarir.scr." /SD IDOK
  ${Else}
    File "${STAGE}/BASS.dll"
  ${EndIf}

  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  SectionGetSize ${SecSaver} $0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Zuvarir"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Zuvarir developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverDir\zuvarir.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$SaverDir"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Make Zuvarir my screen saver" SecCurrent
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SaverDir\zuvarir.scr"
  ; A saver that is switched off would never start: switch it on, in the running
  ; session and in the user's profile. No broadcast of the change: that waits on
  ; every top-level window, and nothing else needs to hear of it.
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATEINIFILE}) i'
SectionEnd

Function .onInit
  Call FindSaverDir
  Call RequireAdministrator
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/CURRENT" $1
    ${If} ${Errors}
      !insertmacro UnselectSection ${SecCurrent}
    ${EndIf}
  ${EndIf}
FunctionEnd

; The finish page's offer: the saver without arguments opens its settings dialog.
Function OpenSettings
  Exec '"$SaverDir\zuvarir.scr"'
FunctionEnd

Function un.onInit
  Call un.FindSaverDir
  Call un.RequireAdministrator
FunctionEnd

; Sets $R0 to "yes" when the installing user's current screen saver is ours,
; compared by long path while the file is still there.
Function un.IsCurrentSaver
  Push $0
  Push $1
  StrCpy $R0 "no"
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != ""
    System::Call 'kernel32::GetLongPathNameW(w r0, w .r1, i ${NSIS_MAX_STRLEN}) i'
    ${If} $0 == "$SaverDir\zuvarir.scr"
    ${OrIf} $1 == "$SaverDir\zuvarir.scr"
      StrCpy $R0 "yes"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Section "Uninstall"
  Call un.IsCurrentSaver
  ${If} $R0 == "yes"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  Delete /REBOOTOK "$SaverDir\zuvarir.scr"
  Call un.CheckLibrary
  ${If} $R0 == "ours"
    Delete /REBOOTOK "$SaverDir\BASS.dll"
  ${ElseIf} $R0 == "foreign"
    DetailPrint "$SaverDir\BASS.dll belongs to another program and is left in place."
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
