; Brisvane's Windows installer. Per user by default, without administrator rights, into
; %LOCALAPPDATA%\Programs\Brisvane; for every user of the machine into Program Files with /ALLUSERS when
; started elevated. /S installs silently, /D=FOLDER (last, unquoted) picks the folder.
;
; scripts/package.sh builds it (paths relative to this folder, where makensis works):
;   makensis -DVERSION=1.2.3 -DSTAGE=<folder with the shipped files> -DOUTFILE=<setup.exe> [-DSIGN=<signer>]
; SIGN, when given, is a command that signs the file named as its argument in place; the uninstaller is
; signed before it is packed, the installer once it is written.

Unicode true
; The 32-bit stub cannot run where only 64-bit Windows programs can (a 64-bit-only Wine).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | OUTFILE
  !error "makensis -DVERSION=x.y.z -DSTAGE=<folder> -DOUTFILE=<setup.exe> [-DSIGN=<signer>] brisvane.nsi"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisvane"
!define SETTINGS_KEY "Software\Kestrelwick\Brisvane"
!define UNINSTALLER "uninstall.exe"
; Exit codes besides NSIS's own (1 cancelled, 2 aborted).
!define EXIT_RUNNING 3        ; Brisvane kept running from the folder
!define EXIT_NEEDS_ADMIN 740  ; ERROR_ELEVATION_REQUIRED, as Windows says it

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Util.nsh

Name "Brisvane"
OutFile "${OUTFILE}"
BrandingText "Brisvane ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "Brisvane"
VIAddVersionKey CompanyName "Kestrelwick"
VIAddVersionKey FileDescription "Brisvane Setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Copyright (c) 2026 Kestrelwick"

!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
  !finalize '"${SIGN}" "%1"' = 0
!endif

Var AllUsers     ; 1: for every user (HKLM, Program Files); empty: for the current user
Var Upgrade      ; 1: an installed copy was found in the folder
Var Pid          ; a running Brisvane from $INSTDIR, or 0
Var Tries

; --- The wizard ------------------------------------------------------------------------------------

!define MUI_ICON "../src/win32/res/brisvane.ico"
!define MUI_UNICON "../src/win32/res/brisvane.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
; The program's licence; the reputation service's own terms are a separate matter, agreed in the program.
!define MUI_LICENSEPAGE_TEXT_BOTTOM "The reputation service's terms of use are accepted in Brisvane itself, \
when it first starts. Click I Agree to accept this licence and continue."
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Brisvane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Run Brisvane"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Brisvane will be removed from your computer. Your settings (the service \
address, your torrent program and what to allow) stay, to be found again by a later install, unless you tick the box."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; --- A running copy ---------------------------------------------------------------------------------

; $Pid := the process id of a Brisvane.exe or brisvane-check.exe running from $INSTDIR (either would
; keep its file from being replaced or removed), or 0. Only this folder's copies count: a portable copy
; elsewhere does not stand in the way.
!macro DefineFindRunning un
Function ${un}FindRunning
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $Pid 0
  System::Alloc 16384  ; room for 4096 process ids
  Pop $0
  System::Call 'psapi::EnumProcesses(p r0, i 16384, *i .r1) i .r2'
  ${If} $2 <> 0
    IntOp $1 $1 / 4
    StrCpy $2 0
    ${DoWhile} $2 < $1
      IntOp $3 $2 * 4
      IntOp $2 $2 + 1
      ${IntPtrOp} $3 $0 + $3
      System::Call '*$3(i .r3)'
      ; PROCESS_QUERY_LIMITED_INFORMATION
      System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r3) p .r4'
      ${If} $4 P<> 0
        System::Call 'kernel32::QueryFullProcessImageNameW(p r4, i 0, w .s, *i ${NSIS_MAX_STRLEN})'
        System::Call 'kernel32::CloseHandle(p r4)'
        Pop $4
        ${If} $4 == "$INSTDIR\Brisvane.exe"
        ${OrIf} $4 == "$INSTDIR\brisvane-check.exe"
          StrCpy $Pid $3
          ${Break}
        ${EndIf}
      ${EndIf}
    ${Loop}
  ${EndIf}
  System::Free $0
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DefineFindRunning ""
!insertmacro DefineFindRunning "un."

; Before anything is written: the user is asked to close Brisvane; a silent install waits up to ten
; seconds (a check's popup lasts that long) and then gives up with its own exit code, changing nothing.
Function WaitUntilNotRunning
  StrCpy $Tries 0
  ${Do}
    Call FindRunning
    ${If} $Pid = 0
      Return
    ${EndIf}
    ${If} ${Silent}
      IntOp $Tries $Tries + 1
      ${If} $Tries > 20
        DetailPrint "Brisvane is still running from $INSTDIR; nothing was changed."
        SetErrorLevel ${EXIT_RUNNING}
        Quit
      ${EndIf}
      Sleep 500
    ${Else}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Brisvane (or brisvane-check) is running from \
$INSTDIR.$\r$\n$\r$\nClose it, then choose Retry. Cancel leaves everything as it was." IDRETRY retry
      SetErrorLevel ${EXIT_RUNNING}
      Quit
      retry:
    ${EndIf}
  ${Loop}
FunctionEnd

; The uninstaller ends it: first as a user closing its windows would, so it saves its settings, then
; for good when it does not go within five seconds.
Function un.EndRunning
  StrCpy $Tries 0
  ${Do}
    Call un.FindRunning
    ${If} $Pid = 0
    ${OrIf} $Tries > 3
      Return
    ${EndIf}
    IntOp $Tries $Tries + 1
    DetailPrint "Closing Brisvane (process $Pid)"
    ; SYNCHRONIZE | PROCESS_TERMINATE
    System::Call 'kernel32::OpenProcess(i 0x00100001, i 0, i $Pid) p .r0'
    nsExec::Exec '"$SYSDIR\taskkill.exe" /PID $Pid'
    Pop $1
    System::Call 'kernel32::WaitForSingleObject(p r0, i 5000) i .r1'
    ${If} $1 <> 0
      System::Call 'kernel32::TerminateProcess(p r0, i 1)'
      System::Call 'kernel32::WaitForSingleObject(p r0, i 5000)'
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
  ${Loop}
FunctionEnd

; --- Install ----------------------------------------------------------------------------------------

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ALLUSERS" $1
  ${IfNot} ${Errors}
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      MessageBox MB_ICONSTOP "Installing for all users needs administrator rights: start Setup with \
$\"Run as administrator$\", or without /ALLUSERS to install for yourself." /SD IDOK
      SetErrorLevel ${EXIT_NEEDS_ADMIN}
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ; /D= wins; then the folder of an installed copy, which is upgraded in place; then the default.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} $AllUsers == 1
      StrCpy $INSTDIR "$PROGRAMFILES64\Brisvane"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Brisvane"
    ${EndIf}
  ${EndIf}
FunctionEnd

; New files go in beside the old ones as NAME.new; only when all of them are there do they replace the
; old ones, so a failed write leaves the folder as it was.
!macro StageFile name
  File "/oname=$INSTDIR\${name}.new" "${STAGE}/${name}"
!macroend
!macro SwapFile name
  Delete "$INSTDIR\${name}"
  Rename "$INSTDIR\${name}.new" "$INSTDIR\${name}"
!macroend

Section "Brisvane" SecProgram
  SectionIn RO
  ${If} ${FileExists} "$INSTDIR\Brisvane.exe"
    StrCpy $Upgrade 1
  ${EndIf}
  Call WaitUntilNotRunning

  SetOutPath "$INSTDIR"
  ClearErrors
  !insertmacro StageFile Brisvane.exe
  !insertmacro StageFile brisvane-check.exe
  !insertmacro StageFile README.txt
  !insertmacro StageFile LICENSE.txt
  WriteUninstaller "$INSTDIR\${UNINSTALLER}.new"
  ${If} ${Errors}
    Call RemoveStagedFiles
    Abort "Could not write to $INSTDIR; nothing was changed."
  ${EndIf}
  !insertmacro SwapFile Brisvane.exe
  !insertmacro SwapFile brisvane-check.exe
  !insertmacro SwapFile README.txt
  !insertmacro SwapFile LICENSE.txt
  !insertmacro SwapFile ${UNINSTALLER}

  CreateShortcut "$SMPROGRAMS\Brisvane.lnk" "$INSTDIR\Brisvane.exe" "" "$INSTDIR\Brisvane.exe" 0 \
    SW_SHOWNORMAL "" "Checks a torrent's reputation before your torrent program opens it"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Brisvane"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Kestrelwick"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Brisvane.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function RemoveStagedFiles
  Delete "$INSTDIR\Brisvane.exe.new"
  Delete "$INSTDIR\brisvane-check.exe.new"
  Delete "$INSTDIR\README.txt.new"
  Delete "$INSTDIR\LICENSE.txt.new"
  Delete "$INSTDIR\${UNINSTALLER}.new"
FunctionEnd

Function .onInstFailed
  Call RemoveStagedFiles
  ; A first install that failed leaves no empty folder behind.
  ${If} $Upgrade != 1
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

; --- Uninstall --------------------------------------------------------------------------------------

Function un.onInit
  ; The copy recorded for the machine is this one when its folder is ours.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
    SetShellVarContext all
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      ; Program Files and the machine's entry need an administrator: ask Windows for one, as Setup was.
      ${GetParameters} $1
      ExecShell "runas" "$EXEPATH" "$1 _?=$INSTDIR"
      SetErrorLevel ${EXIT_NEEDS_ADMIN}
      Quit
    ${EndIf}
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "-un.Brisvane"
  Call un.EndRunning
  ; The program knows where Windows keeps the associations and what it replaced; it reverts each only
  ; while it still holds .torrent files or magnet links.
  ExecWait '"$INSTDIR\Brisvane.exe" --revert-association'
  ; Its class and application keys would name a program that is gone: remove them when they name this copy.
  !define OwnCommand '"$INSTDIR\Brisvane.exe" "%1"'
  ReadRegStr $0 HKCU "Software\Classes\Brisvane\shell\open\command" ""
  ${If} $0 == '${OwnCommand}'
    DeleteRegKey HKCU "Software\Classes\Brisvane"
  ${EndIf}
  ReadRegStr $0 HKCU "Software\Classes\Applications\Brisvane.exe\shell\open\command" ""
  ${If} $0 == '${OwnCommand}'
    DeleteRegKey HKCU "Software\Classes\Applications\Brisvane.exe"
  ${EndIf}
  ReadRegStr $0 HKCU "Software\Classes\Brisvane.Magnet\shell\open\command" ""
  ${If} $0 == '${OwnCommand}'
    DeleteRegKey HKCU "Software\Classes\Brisvane.Magnet"
  ${EndIf}

  Delete "$INSTDIR\Brisvane.exe"
  Delete "$INSTDIR\brisvane-check.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$SMPROGRAMS\Brisvane.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ; Last, and only when empty: whatever else the user put there stays.
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.Also remove my settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Kestrelwick"
SectionEnd
