// The settings key in HKEY_CURRENT_USER\Software\Norvane\Pixaro, read once and written once.
#include <windows.h>

#include <cstdio>

#include "shell/Shell_win.h"

void LoadSettings() {
    g_Shell.SettingsKeyExisted = LoadShellSettings(*MakeSettingsRegistry(), g_Settings, g_Shell.ProgramFolder);
}

void SaveSettings(HWND wnd) {
    RECT rc;
    GetWindowRect(wnd, &rc);
    g_Settings.Window = {int(rc.left), int(rc.top), int(rc.right - rc.left), int(rc.bottom - rc.top)};
    SaveShellSettings(*MakeSettingsRegistry(), g_Settings);
}

void StoreUpdateCheckDay(int32_t day) {
    SaveUpdateCheckDay(*MakeSettingsRegistry(), uint32_t(day));
    g_Settings.UpdateCheckDay = uint32_t(day);
    g_Settings.UpdateCheckDayKnown = true;
}
