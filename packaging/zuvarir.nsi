; Zuvarir's installer for 64-bit Windows, itself a 64-bit program. The build
; (packaging/CMakeLists.txt) runs makensis with VERSION, STAGE (the folder of the
; stripped x64 zuvarir.scr and BASS.dll and of the icon) and OUTFILE.
;
; The saver and its library go into the system folder, System32, where the
; screen-saver settings list savers; the uninstaller lives in Program Files\Zuvarir
; and is listed among the installed programs. An earlier Zuvarir is replaced, the
; 32-bit one in SysWOW64 with its entry included, so that one saver and one entry
; remain.
;
; Setup runs as an administrator, who need not be the user at the screen (a
; standard user types an administrator's password). So it does nothing in the
; user's name: it writes nothing under HKEY_CURRENT_USER and starts nothing for
; the user; its last page says how to choose the saver.
;
; It never leaves a saver that cannot start. Another program's BASS.dll in the
; system folder, which the saver would load instead of ours, stops Setup before
; it changes anything; the file stays as it is. Running Zuvarir processes (the
; saver, its preview, its settings) are ended before their files are replaced or
; removed: they are screen savers, nothing is lost. A file that still cannot be
; replaced or removed stops Setup or the uninstaller with a message; the version
; is recorded only once its files are in place, and nothing waits for a reboot.
;
; Exit codes, of silent runs (/S) too: 0 done; 1 cancelled; 2 stopped by another
; error; 32 a Zuvarir file is in use and could not be replaced or removed; 80
; another program's BASS.dll is in the system folder; 740 not run as an
; administrator.

Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include FileFunc.nsh
!include LogicLib.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zuvarir"
; The ProductName of our version resources (resources/version_info.rc).
!define OUR_PRODUCT_NAME "Zuvarir"
!define ERROR_SHARING_VIOLATION 32
!define ERROR_FILE_EXISTS 80
!define ERROR_ELEVATION_REQUIRED 740
; Room for the ids of 4096 processes.
!define PROCESS_ID_BYTES 16384
!define PROCESS_TERMINATE 0x0001
!define SYNCHRONIZE 0x00100000
!define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
!define MOVEFILE_REPLACE_EXISTING 1
!define MOVEFILE_WRITE_THROUGH 8

Name "Zuvarir ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Zuvarir"
BrandingText "Zuvarir ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

Var SaverDir  ; System32
Var OldDir    ; SysWOW64, where the 32-bit Zuvarir 1.2.0 went

!define MUI_ICON "${STAGE}/zuvarir.ico"
!define MUI_UNICON "${STAGE}/zuvarir.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "Zuvarir, a particle screen saver for 64-bit Windows, is installed into $SaverDir, where the screen-saver settings list it as $\"ZidaveVizur$\"."
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Zuvarir is installed.$\r$\n$\r$\nTo make it your screen saver, open the screen-saver settings (in Windows 10 and 11: Settings, Personalization, Lock screen, Screen saver) and choose $\"ZidaveVizur$\". Its Settings button there opens Zuvarir's own settings."
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Zuvarir"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Zuvarir ${VERSION} setup for 64-bit Windows"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "The Zuvarir developers"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright © the Zuvarir developers"

; Functions that the installer and the uninstaller both need; the uninstaller's
; copies carry the "un." prefix.
!macro SharedFunctions un
  ; Sets $SaverDir and $OldDir: a 64-bit program sees the system folders as they are.
  Function ${un}FindFolders
    Push $0
    StrCpy $SaverDir $SYSDIR
    System::Call 'kernel32::GetSystemWow64DirectoryW(w .r0, i ${NSIS_MAX_STRLEN}) i'
    StrCpy $OldDir $0
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

  ; Sets $R0 to "none", "ours" or "foreign" for the BASS.dll in the folder given
  ; on the stack. Ours has a version resource whose first translation names our
  ; product; a file without one, or naming another product, is foreign.
  Function ${un}CheckLibrary
    Exch $0
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    Push $7
    StrCpy $0 "$0\BASS.dll"
    StrCpy $R0 "none"
    ${If} ${FileExists} $0
      StrCpy $R0 "foreign"
      System::Call 'version::GetFileVersionInfoSizeW(w r0, p 0) i .r1'
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

  ; Ends every running process whose program is a Zuvarir saver of ours, in
  ; $SaverDir or (1.2.0's) in $OldDir: the saver, its preview, its settings. A
  ; zuvarir.scr elsewhere (a copy from the zip) holds none of our files and is
  ; left alone.
  Function ${un}EndRunningSavers
    Push $0
    Push $1
    Push $2
    Push $3
    Push $4
    Push $5
    Push $6
    System::Alloc ${PROCESS_ID_BYTES}
    Pop $0
    System::Call 'kernel32::K32EnumProcesses(p r0, i ${PROCESS_ID_BYTES}, *i .r1) i .r2'
    ${If} $2 <> 0
      IntOp $1 $1 / 4
      ${For} $2 0 $1
        ${If} $2 = $1
          ${Break}
        ${EndIf}
        IntOp $3 $2 * 4
        IntPtrOp $3 $0 + $3
        System::Call '*$3(i .r3)'
        System::Call 'kernel32::OpenProcess(i ${PROCESS_TERMINATE}|${SYNCHRONIZE}|${PROCESS_QUERY_LIMITED_INFORMATION}, i 0, i r3) p .r4'
        ${If} $4 P<> 0
          System::Call 'kernel32::QueryFullProcessImageNameW(p r4, i 0, w .r5, *i ${NSIS_MAX_STRLEN}) i .r6'
          ${If} $6 <> 0
            ${If} $5 == "$SaverDir\zuvarir.scr"
            ${OrIf} $5 == "$OldDir\zuvarir.scr"
              DetailPrint "Ending the running $5 (process $3)."
              System::Call 'kernel32::TerminateProcess(p r4, i 0) i'
              System::Call 'kernel32::WaitForSingleObject(p r4, i 5000) i'
            ${EndIf}
          ${EndIf}
          System::Call 'kernel32::CloseHandle(p r4) i'
        ${EndIf}
      ${Next}
    ${EndIf}
    System::Free $0
    Pop $6
    Pop $5
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
  FunctionEnd

  ; Stops with ERROR_SHARING_VIOLATION: the file on the stack could not be
  ; replaced or removed.
  Function ${un}StopInUse
    Exch $0
    DetailPrint "$0 is in use and could not be changed."
    MessageBox MB_ICONSTOP|MB_OK "$0 is in use by another program and could not be changed.$\n$\nClose the program that uses it (the screen-saver settings, for instance) and run this again." /SD IDOK
    SetErrorLevel ${ERROR_SHARING_VIOLATION}
    Abort
  FunctionEnd

  ; Deletes the file on the stack, at once or not at all.
  Function ${un}RemoveFile
    Exch $0
    Delete $0
    ${If} ${FileExists} $0
      Push $0
      Call ${un}StopInUse
    ${EndIf}
    Pop $0
  FunctionEnd
!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

; Puts STAGE's NAME into $SaverDir: written beside it first, then moved over it
; in one step, so that a file in use stops Setup instead of being skipped.
!macro InstallFile name
  ClearErrors
  File "/oname=$SaverDir\${name}.new" "${STAGE}/${name}"
  ${If} ${Errors}
    Delete "$SaverDir\${name}.new"
    Push "$SaverDir\${name}"
    Call StopInUse
  ${EndIf}
  System::Call 'kernel32::MoveFileExW(w "$SaverDir\${name}.new", w "$SaverDir\${name}", i ${MOVEFILE_REPLACE_EXISTING}|${MOVEFILE_WRITE_THROUGH}) i .r0'
  ${If} $0 = 0
    Delete "$SaverDir\${name}.new"
    Push "$SaverDir\${name}"
    Call StopInUse
  ${EndIf}
!macroend

; The 32-bit Zuvarir 1.2.0: its files in SysWOW64, its uninstaller in Program
; Files (x86) and its entry in the registry's 32-bit view go; ours replace them.
Function RemoveOldInstall
  Push $0
  SetRegView 32
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
  SetRegView 64
  ${If} $0 != ""
    DetailPrint "Removing the 32-bit Zuvarir from $OldDir."
    Push "$OldDir\zuvarir.scr"
    Call RemoveFile
    Push $OldDir
    Call CheckLibrary
    ${If} $R0 == "ours"
      Push "$OldDir\BASS.dll"
      Call RemoveFile
    ${EndIf}
    ; The uninstaller's path, without its quotes.
    StrCpy $0 $0 "" 1
    StrCpy $0 $0 -1
    Delete $0
    ${GetParent} $0 $0
    RMDir $0
    SetRegView 32
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    SetRegView 64
  ${EndIf}
  Pop $0
FunctionEnd

Function .onInit
  SetRegView 64
  Call FindFolders
  Call RequireAdministrator
  ; Before anything changes: the saver would load another program's library.
  Push $SaverDir
  Call CheckLibrary
  ${If} $R0 == "foreign"
    MessageBox MB_ICONSTOP|MB_OK "$SaverDir\BASS.dll belongs to another program. Zuvarir would load it instead of its own audio library and might not start, so Setup has changed nothing.$\n$\nTo run Zuvarir all the same, take Zuvarir-${VERSION}-win64.zip, keep zuvarir.scr and BASS.dll together in a folder of your own and choose Install from the context menu of zuvarir.scr." /SD IDOK
    SetErrorLevel ${ERROR_FILE_EXISTS}
    Quit
  ${EndIf}
FunctionEnd

Section "Zuvarir" SecSaver
  SectionIn RO
  Call EndRunningSavers
  SetOutPath $SaverDir
  !insertmacro InstallFile "zuvarir.scr"
  !insertmacro InstallFile "BASS.dll"

  ; Only now is this version installed.
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
  ; Last, so that a failure on the way leaves the earlier saver working.
  Call RemoveOldInstall
SectionEnd

Function un.onInit
  SetRegView 64
  Call un.FindFolders
  Call un.RequireAdministrator
FunctionEnd

; The choice of screen saver belongs to each user and stays: one naming a file
; that is gone starts no saver.
Section "Uninstall"
  Call un.EndRunningSavers
  Push "$SaverDir\zuvarir.scr"
  Call un.RemoveFile
  Push $SaverDir
  Call un.CheckLibrary
  ${If} $R0 == "ours"
    Push "$SaverDir\BASS.dll"
    Call un.RemoveFile
  ${ElseIf} $R0 == "foreign"
    DetailPrint "$SaverDir\BASS.dll belongs to another program and is left in place."
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
