; The Cindral installer. It puts the saver into the system folder, where the
; screen-saver settings list it for every user (the 64-bit saver on 64-bit
; Windows, the 32-bit one elsewhere), selects it as the installing user's
; screen saver, remembers the one selected before, and registers an
; uninstaller that gives that one back. /S runs either silently; the Finish
; page's offer to open the screen-saver settings is not taken then.
;
; tools/package.sh builds it:
;   makensis -DTARGET=x86-unicode -DVERSION=0.1 -DVERSION_QUAD=0.1.0.0
;            -DSCR32=FILE -DSCR64=FILE -DSIZE32_KB=N -DSIZE64_KB=N -DICON=FILE
;            -DWIZARD_BITMAP=FILE -DSIGN=tools/sign.sh -DOUTFILE=FILE
;            [-DAS_ARM64] installer.nsi
; The one shipped is x86-unicode, a 32-bit program that runs on every Windows
; it supports; amd64-unicode gives the same installer as a 64-bit program,
; for testing where 32-bit programs cannot run. AS_ARM64 makes a test build
; that takes the branch for 64-bit ARM Windows on any machine. WIZARD_BITMAP
; is the flame of the welcome and finish pages, 164x314, a 24-bit BMP. SIGN
; signs the uninstaller as it is made, when the publisher signs.

Target ${TARGET}
!if "${TARGET}" == "amd64-unicode"
    ; ${RunningX64} is then known when compiling, which leaves the branches
    ; for 32-bit Windows unused.
    !pragma warning disable 6012
!endif
SetCompressor /SOLID lzma
!uninstfinalize 'bash "${SIGN}" "%1"' = 0
; Writing the system folder needs it; Windows asks for it before starting.
RequestExecutionLevel admin

!include LogicLib.nsh
!include x64.nsh
!include MUI2.nsh

!define PRODUCT "Cindral screen saver"
!define PUBLISHER "The Cindral authors"
!define COPYRIGHT "Copyright the Cindral authors, all rights reserved"
!define SCR_NAME "cindral.scr"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Cindral"
!define DESKTOP_KEY "Control Panel\Desktop"
; Per user, what the first install found, so that the uninstaller gives it
; back exactly: "PreviousScreenSaver" and "PreviousScreenSaveActive" hold the
; values SCRNSAVE.EXE and ScreenSaveActive had, each only if it existed;
; "Remembered" (1) says that an install of this user wrote the two.
!define MEMORY_KEY "Software\Cindral"
; SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, on, 0, SPIF_UPDATEINIFILE |
; SPIF_SENDCHANGE), as the screen-saver settings call it on OK.
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_SEND 3
; Windows' code for "the requested operation requires elevation".
!define ERROR_ELEVATION_REQUIRED 740

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; Only the uninstaller lives here; the saver goes into the system folder.
InstallDir "$PROGRAMFILES\Cindral"
BrandingText "Cindral ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_WELCOMEPAGE_TITLE "Cindral screen saver ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "This installs the Cindral screen saver for all users of this computer and selects it as your screen saver.$\r$\n$\r$\nWhen you remove it (Settings, Apps, or Programs and Features), the screen saver you have now is selected again.$\r$\n$\r$\n${COPYRIGHT}."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "Cindral is your screen saver"
!define MUI_FINISHPAGE_TEXT "The Cindral screen saver is installed and selected as your screen saver. The Screen Saver settings show it and set how long the computer waits before starting it."
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the Screen Saver settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!insertmacro MUI_PAGE_FINISH
; The saver lives in the system folder, not in the uninstaller's folder that
; this page would name.
!define MUI_UNCONFIRMPAGE_TEXT_TOP "This removes the Cindral screen saver from this computer: its file below, its uninstaller and its entry in the list of programs. If it is still your screen saver, the one you had before is selected again."
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "Screen saver:"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.ShowSaverFile
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Cindral"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Cindral screen saver ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${COPYRIGHT}"

; Stops with ERROR_ELEVATION_REQUIRED where the user is no administrator (a
; limited account on Windows XP, which does not elevate), before anything is
; written.
!macro REQUIRE_ADMIN
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_ICONSTOP "Administrator rights are needed to change the Windows system folder." /SD IDOK
        SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
        Quit
    ${EndIf}
!macroend

; Copies a value of the user's desktop settings to MEMORY_KEY, or nothing if
; it does not exist. ReadRegStr reads a REG_DWORD too, but flags an error.
!macro REMEMBER_DESKTOP_VALUE NAME MEMORY_NAME
    ClearErrors
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "${NAME}"
    ${IfNot} ${Errors}
    ${OrIf} $0 != ""
        WriteRegStr HKCU "${MEMORY_KEY}" "${MEMORY_NAME}" $0
    ${EndIf}
!macroend

; Gives a value of the user's desktop settings back from MEMORY_KEY: the
; remembered value, or none if none was remembered.
!macro GIVE_BACK_DESKTOP_VALUE NAME MEMORY_NAME
    ClearErrors
    ReadRegStr $0 HKCU "${MEMORY_KEY}" "${MEMORY_NAME}"
    ${If} ${Errors}
        DeleteRegValue HKCU "${DESKTOP_KEY}" "${NAME}"
    ${Else}
        WriteRegStr HKCU "${DESKTOP_KEY}" "${NAME}" $0
    ${EndIf}
!macroend

; Windows 10 on 64-bit ARM runs 32-bit x86 programs but no x64 ones, and
; ${RunningX64} is true there too: it gets the 32-bit saver, in its native
; system folder. Windows 11 on ARM runs both; the 32-bit saver serves it too.
!ifdef AS_ARM64
    !define IsArm64Windows `1 = 1`
!else
    !define IsArm64Windows `${IsNativeARM64}`
!endif

Function .onInit
    !insertmacro REQUIRE_ADMIN
    ; The uninstaller's entry in the 64-bit registry on 64-bit Windows, beside
    ; the 64-bit saver.
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

Function un.onInit
    !insertmacro REQUIRE_ADMIN
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

; The Finish page's offer. The 64-bit settings on 64-bit Windows: the 32-bit
; ones look for savers in SysWOW64, where this one is not.
Function OpenScreenSaverSettings
    ${If} ${RunningX64}
        ${DisableX64FSRedirection}
    ${EndIf}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
    ${If} ${RunningX64}
        ${EnableX64FSRedirection}
    ${EndIf}
FunctionEnd

Function un.ShowSaverFile
    SendMessage $mui.UnConfirmPage.Directory ${WM_SETTEXT} 0 "STR:$SYSDIR\${SCR_NAME}"
FunctionEnd

Section "Cindral"
    ; $SYSDIR is C:\Windows\System32 in every case: this installer is a
    ; 32-bit program, which 64-bit Windows sends to SysWOW64 unless the
    ; redirection is turned off.
    ${If} ${IsArm64Windows}
        ${DisableX64FSRedirection}
        SetOutPath "$SYSDIR"
        File "/oname=${SCR_NAME}" "${SCR32}"
        ${EnableX64FSRedirection}
        StrCpy $1 ${SIZE32_KB}
    ${ElseIf} ${RunningX64}
        ${DisableX64FSRedirection}
        SetOutPath "$SYSDIR"
        File "/oname=${SCR_NAME}" "${SCR64}"
        ${EnableX64FSRedirection}
        StrCpy $1 ${SIZE64_KB}
    ${Else}
        SetOutPath "$SYSDIR"
        File "/oname=${SCR_NAME}" "${SCR32}"
        StrCpy $1 ${SIZE32_KB}
    ${EndIf}

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\${SCR_NAME},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1

    ; Installing again keeps what the first install remembered: the saver
    ; selected now is this one. (LogicLib's == ignores case, as Windows
    ; does in paths.)
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${If} $0 != "$SYSDIR\${SCR_NAME}"
        DeleteRegKey HKCU "${MEMORY_KEY}"
        !insertmacro REMEMBER_DESKTOP_VALUE "SCRNSAVE.EXE" "PreviousScreenSaver"
        !insertmacro REMEMBER_DESKTOP_VALUE "ScreenSaveActive" "PreviousScreenSaveActive"
        WriteRegDWORD HKCU "${MEMORY_KEY}" "Remembered" 1
    ${EndIf}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SCR_NAME}"
    System::Call 'user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_SEND})'
SectionEnd

Section "Uninstall"
    ${If} ${RunningX64}
        ${DisableX64FSRedirection}
        Delete /REBOOTOK "$SYSDIR\${SCR_NAME}"
        ${EnableX64FSRedirection}
    ${Else}
        Delete /REBOOTOK "$SYSDIR\${SCR_NAME}"
    ${EndIf}

    ; The saver selected before comes back only while this one is still
    ; selected: a choice made since then is the user's. ScreenSaveActive
    ; comes back with it, if this user's install remembered it: a user who
    ; selected the saver by hand turned savers on by hand.
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${If} $0 == "$SYSDIR\${SCR_NAME}"
        !insertmacro GIVE_BACK_DESKTOP_VALUE "SCRNSAVE.EXE" "PreviousScreenSaver"
        ReadRegDWORD $1 HKCU "${MEMORY_KEY}" "Remembered"
        ${If} $1 == 1
            ; Savers off again for this session too; the call writes "0",
            ; and the exact earlier value follows.
            ReadRegStr $0 HKCU "${MEMORY_KEY}" "PreviousScreenSaveActive"
            ${If} $0 == "0"
                System::Call 'user32::SystemParametersInfo(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_UPDATE_AND_SEND})'
            ${EndIf}
            !insertmacro GIVE_BACK_DESKTOP_VALUE "ScreenSaveActive" "PreviousScreenSaveActive"
        ${EndIf}
    ${EndIf}
    DeleteRegKey HKCU "${MEMORY_KEY}"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
