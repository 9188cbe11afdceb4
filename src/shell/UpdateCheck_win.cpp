// The check for a newer version runs on its own thread with short time-outs, so a
// machine without network never waits for it; the answer comes back as a message.
#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include "base/Report_win.h"
#include "shell/Shell_win.h"
#include "shell/Startup.h"
#include "PixaroVersion.h"

namespace {

constexpr const char* kVersionUrl = "http://www.norvane.example/pixaro/version.txt";
constexpr const char* kUserAgent = "PixaroUser/" PIXARO_VERSION_TEXT;
constexpr DWORD kTimeoutMs = 5000;

// wParam of the result: the version read, or one of these.
constexpr WPARAM kNoConnection = WPARAM(-1);
constexpr WPARAM kNoVersionFile = WPARAM(-2);

struct CheckRequest {
    HWND wnd;
    bool manual;
};

DWORD WINAPI UpdateThread(LPVOID param) {
    CheckRequest request = *static_cast<CheckRequest*>(param);
    delete static_cast<CheckRequest*>(param);
    WPARAM result = kNoConnection;
    if (HINTERNET net = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)) {
        DWORD timeout = kTimeoutMs;
        InternetSetOptionA(net, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
        InternetSetOptionA(net, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
        InternetSetOptionA(net, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof timeout);
        if (HINTERNET url = InternetOpenUrlA(net, kVersionUrl, nullptr, 0, INTERNET_FLAG_RELOAD, 0)) {
            char reply[128];
            DWORD got = 0, total = 0;
            while (total < 127 && InternetReadFile(url, reply + total, 127 - total, &got) && got > 0) total += got;
            int64_t version = ParseVersionReply(reply, total);
            result = version < 0 ? kNoVersionFile : WPARAM(version);
            InternetCloseHandle(url);
        }
        InternetCloseHandle(net);
    }
    PostMessageA(request.wnd, WM_APP_UPDATE_RESULT, result, request.manual ? 1 : 0);
    return 0;
}

bool g_CheckRunning = false;

}  // namespace

void StartUpdateCheck(HWND wnd, bool manual) {
    if (g_CheckRunning) return;
    if (!manual) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        StoreUpdateCheckDay(DayNumber(now.wYear, now.wMonth, now.wDay));
    }
    auto* request = new CheckRequest{wnd, manual};
    HANDLE thread = CreateThread(nullptr, 0, UpdateThread, request, 0, nullptr);
    if (!thread) {
        delete request;
        return;
    }
    g_CheckRunning = true;
    CloseHandle(thread);
}

void OnUpdateResult(HWND wnd, WPARAM wp, LPARAM lp) {
    g_CheckRunning = false;
    bool manual = lp != 0;
    if (wp == kNoConnection || wp == kNoVersionFile) {
        if (manual)
            ReportBox(wnd, Box::Error, wp == kNoConnection ? "インターネット接続不良" : "更新情報ファイルが見つかりません");
        return;
    }
    if (int64_t(wp) > kThisVersion) {
        UINT icon = manual ? MB_ICONEXCLAMATION : MB_ICONQUESTION;
        if (MessageBoxA(wnd, "新しいバージョンがあります\nホームページを開きますか？", "更新確認", MB_YESNOCANCEL | icon) == IDYES)
            ShellExecuteA(wnd, "open", kHomePage, nullptr, nullptr, SW_SHOW);
    } else if (manual) {
        MessageBoxA(wnd, "最新バージョンです。\n更新の必要はありません", "更新確認", MB_OK);
    }
}
