#pragma once

#include <windows.h>

// The screen-saver password belongs to the password provider of Windows
// 95/98-family systems; the saver never sees it. Both functions load the
// provider's library from the system folder for each call and unload it after.

// Asks "VerifyScreenSavePwd" in PASSWORD.CPL whether the saver may close,
// with the saver window as the provider dialog's owner. Non-zero (passed on
// unaltered) means yes; 0 means keep running. Yields 1 without loading
// anything on the NT platform, and 1 wherever the provider is missing.
int verifySaverPassword(HWND saverWindow);

// Asks "PwdChangePasswordA" in MPR.DLL to change the password, passing
// "SCRSAVE", `parent`, 0 and 0. Does nothing where the provider is missing.
void changeSaverPassword(HWND parent);
