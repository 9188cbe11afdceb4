// pixdrv: runs one end-to-end script against pixaro.exe (under Wine or on Windows).
//   pixdrv.exe [-v] CASE.pxt
// One verb per line; see kVerbs at the bottom for the list. Every wait has a deadline and polls;
// a box the script did not ask for fails the verb at once, so no case can hang on one.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Text. Scripts are UTF-8, the program shows code page 932, the console gets UTF-8.

std::wstring Widen(const std::string& s, UINT cp) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(cp, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(cp, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& w, UINT cp) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(cp, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(cp, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string Sjis(const std::string& utf8) { return Narrow(Widen(utf8, CP_UTF8), 932); }
std::string Utf8(const std::string& sjis) { return Narrow(Widen(sjis, 932), CP_UTF8); }

// Substring tests run on UTF-16: a Shift-JIS trail byte may equal an ASCII byte of the needle.
bool SjisContains(const std::string& hay, const std::string& needle) {
    return Widen(hay, 932).find(Widen(needle, 932)) != std::wstring::npos;
}

std::string Quote(const std::string& sjis) { return "\"" + Utf8(sjis) + "\""; }

std::string Format(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

// ---------------------------------------------------------------------------------------------
// Failure and state.

struct Failure {
    std::string found;
};

struct State {
    bool verbose = false;
    DWORD timeoutMs = 15000;
    std::string app, work, samples, build, exe;  // Windows paths, UTF-8
    PROCESS_INFORMATION pi{};
    bool started = false;
    HWND main = nullptr;
    HWND dialog = nullptr;     // a dialog the script took over with `dialog`
    void* remote = nullptr;    // scratch memory inside the program
    std::string expected;      // what the running verb waits for, for the FAIL line
    int verbsOk = 0;
};
State g;

[[noreturn]] void Fail(const std::string& found) { throw Failure{found}; }

void Expect(const std::string& what) { g.expected = what; }

double NowMs() {
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(freq.QuadPart);
}

bool Running() { return g.started && WaitForSingleObject(g.pi.hProcess, 0) == WAIT_TIMEOUT; }

DWORD ExitCode() {
    DWORD code = 0;
    GetExitCodeProcess(g.pi.hProcess, &code);
    return code;
}

std::wstring WidePath(const std::string& utf8) { return Widen(utf8, CP_UTF8); }

// ---------------------------------------------------------------------------------------------
// Windows of the program.

std::string ClassOf(HWND w) {
    char buf[64] = "";
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

std::string TextOf(HWND w) {
    int n = GetWindowTextLengthA(w);
    std::string s(n + 1, '\0');
    s.resize(GetWindowTextA(w, s.data(), n + 1));
    return s;
}

bool OwnedByProgram(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return g.started && pid == g.pi.dwProcessId;
}

BOOL CALLBACK CollectWindow(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

std::vector<HWND> ProgramWindows(const char* cls) {
    std::vector<HWND> all, found;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND w : all)
        if (OwnedByProgram(w) && IsWindowVisible(w) && ClassOf(w) == cls) found.push_back(w);
    return found;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The texts of a box's Static children, one per line (Shift-JIS).
std::string BoxText(HWND box) {
    std::string text;
    for (HWND c : Children(box)) {
        if (lstrcmpiA(ClassOf(c).c_str(), "Static") != 0) continue;
        std::string t = TextOf(c);
        if (t.empty()) continue;
        if (!text.empty()) text += "\n";
        text += t;
    }
    return text;
}

std::string DescribeBox(HWND box) {
    return "box " + Quote(TextOf(box)) + ": " + Quote(BoxText(box));
}

std::vector<HWND> UnexpectedBoxes() {
    std::vector<HWND> boxes;
    for (HWND b : ProgramWindows("#32770"))
        if (b != g.dialog) boxes.push_back(b);
    return boxes;
}

HWND MainWindow() {
    if (g.main && IsWindow(g.main)) return g.main;
    if (!Running()) Fail("the program is not running");
    std::vector<HWND> w = ProgramWindows("Pixaro");
    if (w.empty()) Fail("no Pixaro window");
    return g.main = w.front();
}

// Throws when the program ended or shows a box nobody asked for.
void Watch(bool allowBoxes) {
    if (!g.started) return;
    if (!Running()) Fail(Format("the program ended (exit code %lu)", ExitCode()));
    if (g.dialog && !(IsWindow(g.dialog) && IsWindowVisible(g.dialog))) g.dialog = nullptr;
    if (!allowBoxes) {
        std::vector<HWND> boxes = UnexpectedBoxes();
        if (!boxes.empty()) Fail("unexpected " + DescribeBox(boxes.front()));
    }
}

void PumpOwnMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Calls check() until it holds or the deadline passes; between tries the program must keep
// running without unexpected boxes. check() runs at least once.
template <class F>
bool Poll(F check, DWORD intervalMs = 20, bool allowBoxes = false, DWORD timeoutMs = 0) {
    double end = NowMs() + (timeoutMs ? timeoutMs : g.timeoutMs);
    for (;;) {
        PumpOwnMessages();
        if (check()) return true;
        Watch(allowBoxes);
        if (NowMs() >= end) return false;
        Sleep(intervalMs);
    }
}

// Wine and Windows both set the idle event only while the program's main thread waits on an empty
// queue: nothing posted, sent, to paint or due. Polled with a zero timeout, so a wait that is
// satisfied at once (and only flickers the event) is never mistaken for idle.
void Settle() {
    if (!g.started) return;
    if (!Poll([] { return WaitForInputIdle(g.pi.hProcess, 0) == 0; }, 2))
        Fail(Format("the program is still busy after %lu ms", g.timeoutMs));
}

LRESULT SendBounded(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_NORMAL, g.timeoutMs, &result)) {
        Watch(false);
        Fail(Format("no answer to message 0x%X within %lu ms", msg, g.timeoutMs));
    }
    return LRESULT(result);
}

// ---------------------------------------------------------------------------------------------
// Calls inside the program. Menus are process-local objects under Wine, and an HGLOBAL for
// WM_DROPFILES must belong to the receiver, so a few system calls have to run over there: a new
// thread in the program runs a five-instruction stub that calls one stdcall function.

void* RemoteScratch() {
    if (!g.remote)
        g.remote = VirtualAllocEx(g.pi.hProcess, nullptr, 65536, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_EXECUTE_READWRITE);
    if (!g.remote) Fail(Format("VirtualAllocEx failed (error %lu)", GetLastError()));
    return g.remote;
}

constexpr DWORD kRemoteData = 4096;  // offset of the data area in the scratch block

// System DLLs are shared images, so a function sits at the same offset from its module's base
// in both processes even if the bases differ.
DWORD RemoteAddress(const char* dll, const char* fn) {
    FARPROC local = GetProcAddress(GetModuleHandleA(dll), fn);
    HMODULE owner = nullptr;
    if (!local || !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                      GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      reinterpret_cast<LPCSTR>(local), &owner))
        Fail(Format("%s!%s not found", dll, fn));
    char name[MAX_PATH] = "";
    GetModuleBaseNameA(GetCurrentProcess(), owner, name, MAX_PATH);
    HMODULE mods[512];
    DWORD needed = 0;
    if (!EnumProcessModules(g.pi.hProcess, mods, sizeof mods, &needed)) Fail("EnumProcessModules failed");
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; i++) {
        char other[MAX_PATH] = "";
        GetModuleBaseNameA(g.pi.hProcess, mods[i], other, MAX_PATH);
        if (lstrcmpiA(name, other) == 0)
            return DWORD(reinterpret_cast<UINT_PTR>(mods[i])) +
                   DWORD(reinterpret_cast<UINT_PTR>(local) - reinterpret_cast<UINT_PTR>(owner));
    }
    Fail(Format("%s is not loaded in the program", name));
}

DWORD RemoteCall(const char* dll, const char* fn, std::initializer_list<DWORD> args) {
    DWORD target = RemoteAddress(dll, fn);
    std::vector<unsigned char> code;
    auto imm = [&](DWORD v) { for (int i = 0; i < 4; i++) code.push_back((v >> (8 * i)) & 0xFF); };
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) { code.push_back(0x68); imm(*it); }  // push
    code.push_back(0xB8); imm(target);                   // mov eax, fn
    code.insert(code.end(), {0xFF, 0xD0});               // call eax
    code.insert(code.end(), {0xC2, 0x04, 0x00});         // ret 4 (the thread's own parameter)
    void* mem = RemoteScratch();
    if (!WriteProcessMemory(g.pi.hProcess, mem, code.data(), code.size(), nullptr))
        Fail("WriteProcessMemory failed");
    FlushInstructionCache(g.pi.hProcess, mem, code.size());
    HANDLE thread = CreateRemoteThread(g.pi.hProcess, nullptr, 0,
                                       reinterpret_cast<LPTHREAD_START_ROUTINE>(mem), nullptr, 0, nullptr);
    if (!thread) Fail(Format("CreateRemoteThread failed (error %lu)", GetLastError()));
    DWORD wait = WaitForSingleObject(thread, g.timeoutMs);
    DWORD result = 0;
    GetExitCodeThread(thread, &result);
    CloseHandle(thread);
    if (wait != WAIT_OBJECT_0) Fail(Format("%s in the program did not return", fn));
    return result;
}

DWORD Handle(const void* h) { return DWORD(reinterpret_cast<UINT_PTR>(h)); }

// ---------------------------------------------------------------------------------------------
// Screen.

COLORREF ScreenPixel(POINT pt) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, pt.x, pt.y);
    ReleaseDC(nullptr, dc);
    return c;
}

void SaveScreen(const std::string& path) {
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    DWORD stride = (DWORD(w) * 3 + 3) & ~3u, size = stride * DWORD(h);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    bi.bmiHeader.biSizeImage = size;
    HANDLE f = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    DWORD written;
    if (ok) {
        ok = WriteFile(f, &fh, sizeof fh, &written, nullptr) &&
             WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &written, nullptr) &&
             WriteFile(f, bits, size, &written, nullptr);
        CloseHandle(f);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (!ok) Fail("cannot write " + path);
}

// ---------------------------------------------------------------------------------------------
// Files and registry.

bool Exists(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

void DeleteTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteTree(full);
            else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

void CopyInto(const std::string& from, const std::string& to) {
    if (!CopyFileW(WidePath(from).c_str(), WidePath(to).c_str(), FALSE))
        Fail(Format("cannot copy %s (error %lu)", from.c_str(), GetLastError()));
}

// A registry value as text for messages, or "missing".
struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::string data;
};

RegValue ReadReg(const std::string& key, const std::string& name) {
    RegValue v;
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Sjis(key).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    std::string n = Sjis(name);
    if (RegQueryValueExA(k, n.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        if (RegQueryValueExA(k, n.c_str(), nullptr, &v.type, reinterpret_cast<BYTE*>(v.data.data()), &size) ==
            ERROR_SUCCESS) {
            v.present = true;
            v.data.resize(size);
        }
    }
    RegCloseKey(k);
    return v;
}

// ---------------------------------------------------------------------------------------------
// Script.

struct Line {
    int number = 0;
    std::string text;                // the line as written, for messages
    std::string verb;
    std::vector<std::string> args;   // expanded, UTF-8
    std::string rest;                // everything after the verb, expanded, quotes kept
};

using Args = std::vector<std::string>;

long Number(const std::string& s) {
    char* end = nullptr;
    long v = strtol(s.c_str(), &end, 0);
    if (s.empty() || *end) Fail("a number, not \"" + s + "\"");
    return v;
}

// ---------------------------------------------------------------------------------------------
// Verbs.

void VerbApp(const Args& a) {
    Expect("a fresh app folder");
    if (g.started && Running()) Fail("the program is still running");
    if (g.build.empty()) Fail("PIXDRV_BUILD is not set");
    std::string kind = a[0];
    if (kind != "plugins" && kind != "none" && kind != "testplugin") Fail("kind " + kind);
    DeleteTree(WidePath(g.app));
    if (Exists(g.app)) Fail(g.app + " could not be removed");
    if (!CreateDirectoryW(WidePath(g.app).c_str(), nullptr)) Fail("cannot create " + g.app);
    CopyInto(g.exe.empty() ? g.build + "\\pixaro.exe" : g.exe, g.app + "\\pixaro.exe");
    if (kind == "plugins")
        for (const char* spi : {"ifpng.spi", "iftiff6.spi", "ifwmf.spi", "ifgdip.spi"})
            CopyInto(g.build + "\\" + spi, g.app + "\\" + spi);
    if (kind == "testplugin") CopyInto(g.build + "\\testplugins\\ifpng.spi", g.app + "\\ifpng.spi");
}

double StartProgram(const std::string& commandLine) {
    Expect("the program's window");
    if (g.started && Running()) Fail("the program is already running");
    if (g.started) {  // the previous run ended: forget its process and windows
        CloseHandle(g.pi.hProcess);
        CloseHandle(g.pi.hThread);
        g.pi = {};
        g.started = false;
        g.main = g.dialog = nullptr;
        g.remote = nullptr;
    }
    std::wstring exe = WidePath(g.app + "\\pixaro.exe");
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!commandLine.empty()) cmd += L" " + WidePath(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    double t0 = NowMs();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        WidePath(g.app).c_str(), &si, &g.pi))
        Fail(Format("CreateProcess failed (error %lu)", GetLastError()));
    g.started = true;
    if (!Poll([] { return !ProgramWindows("Pixaro").empty(); }, 5)) Fail("no visible window");
    g.main = ProgramWindows("Pixaro").front();
    return t0;
}

void VerbStart(const Args&, const std::string& rest) {
    double t0 = StartProgram(rest);
    printf("start: %.0f ms to window\n", NowMs() - t0);
}

void VerbStartTimed(const Args& a) {
    double t0 = StartProgram("");
    double window = NowMs() - t0;
    std::string want = Sjis(a[0]), seen;
    Expect("title containing " + Quote(want));
    if (!Poll([&] { seen = TextOf(MainWindow()); return SjisContains(seen, want); }, 5))
        Fail("title " + Quote(seen));
    printf("start: %.0f ms to window\nstart: %.0f ms to title\n", window, NowMs() - t0);
}

void WaitTitle(const std::string& text, int mode) {  // mode: 0 equals, 1 contains, 2 lacks
    static const char* kHow[] = {"title ", "title containing ", "title without "};
    std::string want = Sjis(text), seen;
    Expect(kHow[mode] + Quote(want));
    bool ok = Poll([&] {
        seen = TextOf(MainWindow());
        bool has = SjisContains(seen, want);
        return mode == 0 ? Widen(seen, 932) == Widen(want, 932) : mode == 1 ? has : !has;
    });
    if (!ok) Fail("title " + Quote(seen));
}

void VerbTitle(const Args& a) { WaitTitle(a[0], 0); }
void VerbTitleHas(const Args& a) { WaitTitle(a[0], 1); }
void VerbTitleNotHas(const Args& a) { WaitTitle(a[0], 2); }

std::string StatusText(int part) {
    HWND sb = GetDlgItem(MainWindow(), IDC_STATUSBAR);
    if (!sb) Fail("no status bar");
    DWORD len = LOWORD(SendBounded(sb, SB_GETTEXTLENGTHA, part, 0));
    if (len >= 60000) Fail("status text too long");
    char* remote = static_cast<char*>(RemoteScratch()) + kRemoteData;
    SendBounded(sb, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote));
    std::string text(len, '\0');
    if (len && !ReadProcessMemory(g.pi.hProcess, remote, text.data(), len, nullptr)) Fail("ReadProcessMemory failed");
    return text;
}

void WaitStatus(const Args& a, bool contains) {
    int part = int(Number(a[0]));
    std::string want = Sjis(a[1]), seen;
    Expect(Format("status part %d ", part) + (contains ? "containing " : "") + Quote(want));
    Settle();
    bool ok = Poll([&] {
        seen = StatusText(part);
        return contains ? SjisContains(seen, want) : Widen(seen, 932) == Widen(want, 932);
    });
    if (!ok) Fail(Quote(seen));
}

void VerbStatus(const Args& a) { WaitStatus(a, false); }
void VerbStatusHas(const Args& a) { WaitStatus(a, true); }

void VerbCommand(const Args& a) {
    Expect("the command posted");
    if (!PostMessageA(MainWindow(), WM_COMMAND, MAKEWPARAM(Number(a[0]), 0), 0)) Fail("PostMessage failed");
}

struct KeyName { const char* name; UINT vk; bool extended; };
constexpr KeyName kKeys[] = {
    {"LEFT", VK_LEFT, true},     {"RIGHT", VK_RIGHT, true}, {"UP", VK_UP, true},
    {"DOWN", VK_DOWN, true},     {"PRIOR", VK_PRIOR, true}, {"NEXT", VK_NEXT, true},
    {"HOME", VK_HOME, true},     {"END", VK_END, true},     {"DELETE", VK_DELETE, true},
    {"INSERT", VK_INSERT, true}, {"ESCAPE", VK_ESCAPE, false}, {"RETURN", VK_RETURN, false},
    {"SPACE", VK_SPACE, false},  {"TAB", VK_TAB, false},    {"BACK", VK_BACK, false},
    {"ADD", VK_ADD, false},      {"SUBTRACT", VK_SUBTRACT, false},
};

// Keys go where a real key press would: the focused window when it is the main window or inside
// it, else the main window.
HWND KeyTarget() {
    HWND main = MainWindow();
    GUITHREADINFO gti{};
    gti.cbSize = sizeof gti;
    DWORD tid = GetWindowThreadProcessId(main, nullptr);
    if (GetGUIThreadInfo(tid, &gti) && gti.hwndFocus && (gti.hwndFocus == main || IsChild(main, gti.hwndFocus)))
        return gti.hwndFocus;
    return main;
}

void VerbKey(const Args& a) {
    Expect("key " + a[0] + " posted");
    std::string n = a[0];
    UINT vk = 0;
    bool extended = false;
    for (const KeyName& k : kKeys)
        if (lstrcmpiA(n.c_str(), k.name) == 0) { vk = k.vk; extended = k.extended; }
    if (!vk && n.size() >= 2 && (n[0] == 'F' || n[0] == 'f')) {
        long f = strtol(n.c_str() + 1, nullptr, 10);
        if (f >= 1 && f <= 12) vk = VK_F1 + UINT(f) - 1;
    }
    if (!vk && n.size() == 1 && isalnum(static_cast<unsigned char>(n[0])))
        vk = UINT(toupper(static_cast<unsigned char>(n[0])));
    if (!vk) Fail("unknown key name");
    LPARAM scan = LPARAM(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16 | (extended ? 1 << 24 : 0);
    HWND target = KeyTarget();
    PostMessageA(target, WM_KEYDOWN, vk, scan | 1);
    PostMessageA(target, WM_KEYUP, vk, scan | 1 | 0xC0000000);
}

POINT ClientCentre(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    return {r.right / 2, r.bottom / 2};
}

void VerbWheel(const Args& a) {
    Expect("wheel posted");
    HWND main = MainWindow();
    POINT pt = a.size() >= 3 ? POINT{Number(a[1]), Number(a[2])} : ClientCentre(main);
    ClientToScreen(main, &pt);
    PostMessageA(main, WM_MOUSEWHEEL, MAKEWPARAM(0, short(Number(a[0]))), MAKELPARAM(pt.x, pt.y));
}

// A real click lands on the deepest visible child under the point.
void VerbMouse(const Args& a) {
    static const struct { const char* name; UINT msg; } kActions[] = {
        {"ldown", WM_LBUTTONDOWN}, {"lup", WM_LBUTTONUP}, {"rdown", WM_RBUTTONDOWN},
        {"rup", WM_RBUTTONUP},     {"move", WM_MOUSEMOVE},
    };
    Expect("mouse " + a[0] + " posted");
    UINT msg = 0;
    for (const auto& act : kActions)
        if (a[0] == act.name) msg = act.msg;
    if (!msg) Fail("unknown action (ldown lup rdown rup move)");
    WPARAM keys = 0;
    for (size_t i = 3; i < a.size(); i++) {
        if (a[i] == "L") keys |= MK_LBUTTON;
        else if (a[i] == "R") keys |= MK_RBUTTON;
        else Fail("button " + a[i] + " (L or R)");
    }
    HWND target = MainWindow();
    POINT pt{Number(a[1]), Number(a[2])};
    for (;;) {
        HWND child = ChildWindowFromPointEx(target, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == target) break;
        MapWindowPoints(target, child, &pt, 1);
        target = child;
    }
    PostMessageA(target, msg, keys, MAKELPARAM(pt.x, pt.y));
}

// Explorer's drop reaches a DragAcceptFiles window as WM_DROPFILES carrying an HGLOBAL of the
// receiving process. The block is made over there, as the shell does, so DragQueryFile and
// DragFinish in the program work on it exactly as on a drop from the desktop.
void VerbDrop(const Args& a) {
    Expect("files dropped");
    HWND main = MainWindow();
    if (!(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) Fail("the window does not accept files");
    std::wstring names;
    for (const std::string& p : a) names += WidePath(p) + L'\0';
    names += L'\0';
    DROPFILES df{};
    df.pFiles = sizeof df;
    df.pt = ClientCentre(main);
    df.fNC = FALSE;
    df.fWide = TRUE;
    std::string block(reinterpret_cast<const char*>(&df), sizeof df);
    block.append(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t));
    DWORD h = RemoteCall("kernel32.dll", "GlobalAlloc", {GMEM_MOVEABLE | GMEM_ZEROINIT, DWORD(block.size())});
    if (!h) Fail("GlobalAlloc in the program failed");
    DWORD p = RemoteCall("kernel32.dll", "GlobalLock", {h});
    if (!p || !WriteProcessMemory(g.pi.hProcess, reinterpret_cast<void*>(UINT_PTR(p)), block.data(), block.size(), nullptr))
        Fail("cannot fill the drop block");
    RemoteCall("kernel32.dll", "GlobalUnlock", {h});
    if (!PostMessageA(main, WM_DROPFILES, WPARAM(h), 0)) Fail("PostMessage failed");
}

struct ButtonName { const char* name; int id; const char* label; };
constexpr ButtonName kButtons[] = {
    {"ok", IDOK, "OK"}, {"cancel", IDCANCEL, "Cancel"}, {"yes", IDYES, "Yes"}, {"no", IDNO, "No"},
    {"abort", IDABORT, "Abort"}, {"retry", IDRETRY, "Retry"}, {"ignore", IDIGNORE, "Ignore"},
};

void VerbBox(const Args& a) {
    std::string want = Sjis(a[0]);
    const ButtonName* button = nullptr;
    for (const ButtonName& b : kButtons)
        if (lstrcmpiA(a[1].c_str(), b.name) == 0) button = &b;
    std::string caption = a.size() > 2 ? Sjis(a[2]) : "";
    Expect("box with " + Quote(want) + (caption.empty() ? "" : " captioned " + Quote(caption)));
    if (!button) Fail("button " + a[1] + " (ok cancel yes no abort retry ignore)");
    HWND box = nullptr;
    bool ok = Poll([&] {
        for (HWND b : UnexpectedBoxes()) {
            if (!SjisContains(BoxText(b), want)) Fail("unexpected " + DescribeBox(b));
            if (!caption.empty() && Widen(TextOf(b), 932) != Widen(caption, 932)) Fail(DescribeBox(b));
            box = b;
            return true;
        }
        return false;
    }, 20, true);
    if (!ok) Fail("no box");
    HWND ctl = GetDlgItem(box, button->id);
    if (!ctl || !IsWindowVisible(ctl)) Fail(DescribeBox(box) + " without a " + button->label + " button");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button->id, BN_CLICKED), reinterpret_cast<LPARAM>(ctl));
    Expect("box closed by " + std::string(button->label));
    if (!Poll([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 20, true)) Fail(DescribeBox(box) + " stays open");
}

void VerbNoBox(const Args&) {
    Expect("no box");
    Settle();
    Watch(false);
}

void VerbIdle(const Args&) {
    Expect("the program idle");
    SendBounded(MainWindow(), WM_NULL, 0, 0);
    Settle();
}

void VerbSize(const Args& a) {
    int w = int(Number(a[0])), h = int(Number(a[1]));
    Expect(Format("window size %dx%d", w, h));
    HWND main = MainWindow();
    // ASYNC: a synchronous cross-process SetWindowPos would block on a hung program.
    SetWindowPos(main, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    RECT r{};
    if (!Poll([&] { GetWindowRect(main, &r); return r.right - r.left == w && r.bottom - r.top == h; }))
        Fail(Format("%ldx%ld", r.right - r.left, r.bottom - r.top));
    Settle();
}

void WaitPixel(const Args& a, bool same) {
    POINT pt{Number(a[0]), Number(a[1])};
    unsigned long rgb = strtoul(a[2].c_str(), nullptr, 16);
    long tol = a.size() > 3 ? Number(a[3]) : 24;
    Expect(Format("pixel %ld,%ld %s%06lX (within %ld)", pt.x, pt.y, same ? "" : "not ", rgb, tol));
    if (a[2].size() != 6) Fail("colour as RRGGBB");
    HWND main = MainWindow();
    Settle();
    COLORREF c = 0;
    bool ok = Poll([&] {
        POINT s = pt;
        ClientToScreen(main, &s);
        c = ScreenPixel(s);
        bool close = labs(long(GetRValue(c)) - long((rgb >> 16) & 0xFF)) <= tol &&
                    labs(long(GetGValue(c)) - long((rgb >> 8) & 0xFF)) <= tol &&
                    labs(long(GetBValue(c)) - long(rgb & 0xFF)) <= tol;
        return close == same;
    });
    if (!ok) Fail(Format("%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c)));
}

void VerbPixel(const Args& a) { WaitPixel(a, true); }
void VerbPixelNot(const Args& a) { WaitPixel(a, false); }

// Programs commonly set checks and grays in WM_INITMENUPOPUP, so the pop-ups on the way to the
// item are announced first, as opening them by hand would.
std::vector<std::pair<HMENU, int>> MenuPath(HMENU bar, UINT id) {
    std::vector<std::pair<HMENU, int>> path;
    HMENU menu = bar;
    for (int depth = 0; depth < 4; depth++) {
        int n = int(RemoteCall("user32.dll", "GetMenuItemCount", {Handle(menu)}));
        HMENU next = nullptr;
        for (int i = 0; i < n && !next; i++) {
            HMENU sub = reinterpret_cast<HMENU>(UINT_PTR(RemoteCall("user32.dll", "GetSubMenu", {Handle(menu), DWORD(i)})));
            if (sub && RemoteCall("user32.dll", "GetMenuState", {Handle(sub), id, MF_BYCOMMAND}) != DWORD(-1)) {
                path.push_back({sub, i});
                next = sub;
            }
        }
        if (!next) break;
        menu = next;
    }
    return path;
}

void VerbMenu(const Args& a) {
    UINT id = UINT(Number(a[0]));
    const std::string& want = a[1];
    Expect("menu item " + a[0] + " " + want);
    if (want != "enabled" && want != "disabled" && want != "checked" && want != "unchecked")
        Fail("state " + want + " (enabled disabled checked unchecked)");
    HWND main = MainWindow();
    Settle();
    DWORD bar = RemoteCall("user32.dll", "GetMenu", {Handle(main)});
    if (!bar) Fail("the window has no menu");
    auto path = MenuPath(reinterpret_cast<HMENU>(UINT_PTR(bar)), id);
    DWORD state = 0;
    bool ok = Poll([&] {
        for (auto [sub, index] : path)
            SendBounded(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(index, FALSE));
        state = RemoteCall("user32.dll", "GetMenuState", {bar, id, MF_BYCOMMAND});
        if (state == DWORD(-1)) Fail("no such menu item");
        bool disabled = state & (MF_GRAYED | MF_DISABLED), checked = state & MF_CHECKED;
        return want == "enabled" ? !disabled : want == "disabled" ? disabled : want == "checked" ? checked : !checked;
    });
    if (!ok) Fail(std::string(state & (MF_GRAYED | MF_DISABLED) ? "disabled" : "enabled") +
                  (state & MF_CHECKED ? ", checked" : ", unchecked"));
}

void VerbButton(const Args& a) {
    int id = int(Number(a[0]));
    const std::string& want = a[1];
    Expect("tool bar button " + a[0] + " " + want);
    static const struct { const char* name; BYTE mask; bool set; } kStates[] = {
        {"enabled", TBSTATE_ENABLED, true},  {"disabled", TBSTATE_ENABLED, false},
        {"hidden", TBSTATE_HIDDEN, true},    {"shown", TBSTATE_HIDDEN, false},
        {"pressed", TBSTATE_CHECKED | TBSTATE_PRESSED, true},
        {"released", TBSTATE_CHECKED | TBSTATE_PRESSED, false},
    };
    const auto* st = &kStates[0];
    for (const auto& s : kStates)
        if (want == s.name) st = &s;
    if (want != st->name) Fail("state " + want + " (enabled disabled hidden shown pressed released)");
    HWND tb = GetDlgItem(MainWindow(), IDC_TOOLBAR);
    if (!tb) Fail("no tool bar");
    Settle();
    LRESULT state = 0;
    bool ok = Poll([&] {
        state = SendBounded(tb, TB_GETSTATE, id, 0);
        if (state == -1) Fail("no such button");
        return ((state & st->mask) != 0) == st->set;
    });
    if (!ok) Fail(Format("%s, %s, %s", state & TBSTATE_ENABLED ? "enabled" : "disabled",
                         state & TBSTATE_HIDDEN ? "hidden" : "shown",
                         state & (TBSTATE_CHECKED | TBSTATE_PRESSED) ? "pressed" : "released"));
}

// Invalidating a window of the program wakes its thread and clears the idle event in the same
// step; the event comes back only once the thread waits again with no paint left, i.e. after
// every WM_PAINT (and WM_ERASEBKGND) of the main window and its children has returned.
void VerbTimeRedraw(const Args& a) {
    int count = a.size() > 1 ? int(Number(a[1])) : 3;
    Expect("a full repaint");
    HWND main = MainWindow();
    Settle();
    double best = 1e12;
    for (int i = 0; i < count; i++) {
        double t0 = NowMs();
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        if (!Poll([] { return WaitForInputIdle(g.pi.hProcess, 0) == 0; }, 1))
            Fail(Format("still painting after %lu ms", g.timeoutMs));
        best = std::min(best, NowMs() - t0);
    }
    printf("%s: %.0f ms\n", a[0].c_str(), best);
}

void VerbScreenshot(const Args& a) {
    Expect("a screenshot");
    if (g.started) Settle();
    SaveScreen(g.work + "\\" + a[0] + ".bmp");
}

void VerbClose(const Args&) {
    Expect("WM_CLOSE posted");
    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
}

void VerbExits(const Args& a) {
    DWORD limit = a.empty() ? g.timeoutMs : DWORD(Number(a[0]) * 1000);
    Expect(Format("the program ends with exit code 0 within %lu ms", limit));
    if (!g.started) Fail("no program was started");
    if (!Poll([] { return !Running(); }, 20, false, limit)) Fail("still running");
    if (ExitCode() != 0) Fail(Format("exit code %lu", ExitCode()));
}

void VerbAlive(const Args&) {
    Expect("the program running and answering");
    if (!Running()) Fail(Format("it ended (exit code %lu)", ExitCode()));
    SendBounded(MainWindow(), WM_NULL, 0, 0);
    Watch(false);
}

void WaitFile(const Args& a, bool present) {
    Expect(a[0] + (present ? " exists" : " is missing"));
    if (!Poll([&] { return Exists(a[0]) == present; })) Fail(present ? "missing" : "exists");
}

void VerbFileExists(const Args& a) { WaitFile(a, true); }
void VerbFileMissing(const Args& a) { WaitFile(a, false); }

void VerbRegDelete(const Args& a) {
    Expect("HKCU\\" + a[0] + " deleted");
    LSTATUS rc = RegDeleteTreeA(HKEY_CURRENT_USER, Sjis(a[0]).c_str());
    if (rc == ERROR_SUCCESS) rc = RegDeleteKeyA(HKEY_CURRENT_USER, Sjis(a[0]).c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) Fail(Format("error %ld", long(rc)));
}

std::string Describe(const RegValue& v) {
    if (!v.present) return "missing";
    if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD d;
        memcpy(&d, v.data.data(), 4);
        return Format("dword %lu (0x%lX)", d, d);
    }
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) return "sz " + Quote(v.data.c_str());
    return Format("type %lu, %u bytes", v.type, unsigned(v.data.size()));
}

void VerbRegDword(const Args& a) {
    DWORD want = DWORD(strtoul(a[2].c_str(), nullptr, 0));
    if (a[2][0] == '-') want = DWORD(Number(a[2]));
    Expect(Format("HKCU\\%s %s = dword %lu", a[0].c_str(), a[1].c_str(), want));
    RegValue v;
    bool ok = Poll([&] {
        v = ReadReg(a[0], a[1]);
        DWORD d = 0;
        if (v.present && v.type == REG_DWORD && v.data.size() == 4) memcpy(&d, v.data.data(), 4);
        return v.present && v.type == REG_DWORD && d == want;
    });
    if (!ok) Fail(Describe(v));
}

void VerbRegSz(const Args& a) {
    std::string want = Sjis(a[2]);
    Expect("HKCU\\" + a[0] + " " + a[1] + " = sz " + Quote(want));
    RegValue v;
    bool ok = Poll([&] {
        v = ReadReg(a[0], a[1]);
        return v.present && v.type == REG_SZ && Widen(v.data.c_str(), 932) == Widen(want, 932);
    });
    if (!ok) Fail(Describe(v));
}

void VerbRegMissing(const Args& a) {
    Expect("HKCU\\" + a[0] + " " + a[1] + " missing");
    RegValue v;
    if (!Poll([&] { v = ReadReg(a[0], a[1]); return !v.present; })) Fail(Describe(v));
}

void VerbEcho(const Args&, const std::string& rest) { printf("%s\n", rest.c_str()); }

void VerbSleep(const Args& a) {
    Expect("a pause");
    double end = NowMs() + double(Number(a[0]));
    while (NowMs() < end) {
        Watch(false);
        Sleep(10);
    }
}

void VerbTimeout(const Args& a) {
    Expect("a timeout in seconds");
    long s = Number(a[0]);
    if (s <= 0 || s > 600) Fail(a[0]);
    g.timeoutMs = DWORD(s * 1000);
}

// Dialogs other than message boxes: `dialog` takes one over, then the dlg-* verbs work on it.
void VerbDialog(const Args& a) {
    std::string want = Sjis(a[0]);
    Expect("dialog " + Quote(want));
    bool ok = Poll([&] {
        for (HWND b : UnexpectedBoxes()) {
            if (Widen(TextOf(b), 932) != Widen(want, 932)) Fail("unexpected " + DescribeBox(b));
            g.dialog = b;
            return true;
        }
        return false;
    }, 20, true);
    if (!ok) Fail("no dialog");
}

HWND DialogItem(const std::string& id) {
    if (!g.dialog) Fail("no dialog taken over with `dialog`");
    HWND c = GetDlgItem(g.dialog, int(Number(id)));
    if (!c) Fail("no control " + id + " in " + DescribeBox(g.dialog));
    return c;
}

void VerbDlgClick(const Args& a) {
    Expect("control " + a[0] + " clicked");
    HWND c = DialogItem(a[0]);
    if (!IsWindowEnabled(c)) Fail("the control is disabled");
    PostMessageA(c, BM_CLICK, 0, 0);
}

void VerbDlgSet(const Args& a) {
    Expect("control " + a[0] + " set to " + Quote(Sjis(a[1])));
    std::string text = Sjis(a[1]);
    DWORD_PTR r;
    if (!SendMessageTimeoutA(DialogItem(a[0]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_NORMAL, g.timeoutMs, &r))
        Fail("no answer");
}

void VerbDlgText(const Args& a) {
    std::string want = Sjis(a[1]), seen;
    Expect("control " + a[0] + " showing " + Quote(want));
    HWND c = DialogItem(a[0]);
    bool ok = Poll([&] {
        char buf[4096] = "";
        DWORD_PTR n = 0;
        SendMessageTimeoutA(c, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 1000, &n);
        seen = buf;
        return Widen(seen, 932) == Widen(want, 932);
    }, 20, true);
    if (!ok) Fail(Quote(seen));
}

void VerbDlgCheck(const Args& a) {
    Expect("control " + a[0] + " " + a[1]);
    if (a[1] != "checked" && a[1] != "unchecked") Fail("state " + a[1] + " (checked unchecked)");
    HWND c = DialogItem(a[0]);
    LRESULT st = 0;
    if (!Poll([&] { st = SendBounded(c, BM_GETCHECK, 0, 0); return (st == BST_CHECKED) == (a[1] == "checked"); },
              20, true))
        Fail(st == BST_CHECKED ? "checked" : "unchecked");
}

// ---------------------------------------------------------------------------------------------
// The verb table: a new verb is one row and one function.

struct Verb {
    const char* name;
    int minArgs, maxArgs;           // maxArgs -1: any number
    void (*run)(const Args&);
    void (*runRest)(const Args&, const std::string&);  // verbs that take the raw rest of the line
};

constexpr Verb kVerbs[] = {
    {"app", 1, 1, VerbApp, nullptr},
    {"start", 0, -1, nullptr, VerbStart},
    {"start-timed", 1, 1, VerbStartTimed, nullptr},
    {"title", 1, 1, VerbTitle, nullptr},
    {"title-has", 1, 1, VerbTitleHas, nullptr},
    {"title-not-has", 1, 1, VerbTitleNotHas, nullptr},
    {"status", 2, 2, VerbStatus, nullptr},
    {"status-has", 2, 2, VerbStatusHas, nullptr},
    {"command", 1, 1, VerbCommand, nullptr},
    {"key", 1, 1, VerbKey, nullptr},
    {"wheel", 1, 3, VerbWheel, nullptr},
    {"mouse", 3, 5, VerbMouse, nullptr},
    {"drop", 1, -1, VerbDrop, nullptr},
    {"box", 2, 3, VerbBox, nullptr},
    {"no-box", 0, 0, VerbNoBox, nullptr},
    {"dialog", 1, 1, VerbDialog, nullptr},
    {"dlg-click", 1, 1, VerbDlgClick, nullptr},
    {"dlg-set", 2, 2, VerbDlgSet, nullptr},
    {"dlg-text", 2, 2, VerbDlgText, nullptr},
    {"dlg-check", 2, 2, VerbDlgCheck, nullptr},
    {"idle", 0, 0, VerbIdle, nullptr},
    {"size", 2, 2, VerbSize, nullptr},
    {"pixel", 3, 4, VerbPixel, nullptr},
    {"pixel-not", 3, 4, VerbPixelNot, nullptr},
    {"menu", 2, 2, VerbMenu, nullptr},
    {"button", 2, 2, VerbButton, nullptr},
    {"time-redraw", 1, 2, VerbTimeRedraw, nullptr},
    {"screenshot", 1, 1, VerbScreenshot, nullptr},
    {"close", 0, 0, VerbClose, nullptr},
    {"exits", 0, 1, VerbExits, nullptr},
    {"alive", 0, 0, VerbAlive, nullptr},
    {"file-exists", 1, 1, VerbFileExists, nullptr},
    {"file-missing", 1, 1, VerbFileMissing, nullptr},
    {"reg-delete", 1, 1, VerbRegDelete, nullptr},
    {"reg-dword", 3, 3, VerbRegDword, nullptr},
    {"reg-sz", 3, 3, VerbRegSz, nullptr},
    {"reg-missing", 2, 2, VerbRegMissing, nullptr},
    {"echo", 0, -1, nullptr, VerbEcho},
    {"sleep", 1, 1, VerbSleep, nullptr},
    {"timeout", 1, 1, VerbTimeout, nullptr},
};

const Verb* FindVerb(const std::string& name) {
    for (const Verb& v : kVerbs)
        if (name == v.name) return &v;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Parsing.

std::string EnvPath(const wchar_t* name) {
    wchar_t buf[2048];
    DWORD n = GetEnvironmentVariableW(name, buf, 2048);
    if (!n || n >= 2048) return {};
    std::string p = Narrow(std::wstring(buf, n), CP_UTF8);
    if (!p.empty() && p[0] == '/') p = "Z:" + p;  // a Unix path, as Wine maps it
    for (char& c : p)
        if (c == '/') c = '\\';
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    return p;
}

struct ParseError {
    std::string what;
};

std::string Expand(const std::string& s) {
    static const struct { const char* name; std::string State::*value; } kVars[] = {
        {"SAMPLES", &State::samples}, {"BUILD", &State::build}, {"WORK", &State::work}, {"APP", &State::app},
    };
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] != '$') { out += s[i]; continue; }
        if (i + 1 < s.size() && s[i + 1] == '$') { out += '$'; i++; continue; }
        bool found = false;
        for (const auto& v : kVars) {
            size_t n = strlen(v.name);
            if (s.compare(i + 1, n, v.name) == 0) {
                if ((g.*v.value).empty()) throw ParseError{std::string("$") + v.name + " is not set"};
                out += g.*v.value;
                i += n;
                found = true;
                break;
            }
        }
        if (!found) throw ParseError{"unknown variable in " + s.substr(i)};
    }
    return out;
}

Line ParseLine(int number, const std::string& text) {
    Line line;
    line.number = number;
    line.text = text;
    size_t i = 0;
    auto skipSpace = [&] { while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) i++; };
    skipSpace();
    size_t verbStart = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') i++;
    line.verb = text.substr(verbStart, i - verbStart);
    skipSpace();
    line.rest = Expand(text.substr(i));
    while (i < text.size()) {
        std::string arg;
        if (text[i] == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string::npos) throw ParseError{"unterminated quote"};
            arg = text.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t') arg += text[i++];
        }
        line.args.push_back(Expand(arg));
        skipSpace();
    }
    const Verb* v = FindVerb(line.verb);
    if (!v) throw ParseError{"unknown verb"};
    int n = int(line.args.size());
    if (n < v->minArgs || (v->maxArgs >= 0 && n > v->maxArgs))
        throw ParseError{Format("%d argument(s); it takes %d to %d", n, v->minArgs, v->maxArgs)};
    return line;
}

bool ReadScript(const std::string& path, std::vector<Line>& lines) {
    HANDLE f = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        printf("FAIL line 0: cannot read %s\n", path.c_str());
        return false;
    }
    std::string data;
    char buf[65536];
    DWORD got;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) data.append(buf, got);
    CloseHandle(f);
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) data.erase(0, 3);
    int number = 0;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t end = data.find('\n', pos);
        if (end == std::string::npos) end = data.size();
        std::string text = data.substr(pos, end - pos);
        pos = end + 1;
        number++;
        while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) text.pop_back();
        size_t first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#') continue;
        try {
            lines.push_back(ParseLine(number, text));
        } catch (const ParseError& e) {
            printf("FAIL line %d: %s: %s\n", number, text.c_str(), e.what.c_str());
            return false;
        }
    }
    return true;
}

void EndProgram() {
    if (!g.started) return;
    if (Running()) {
        TerminateProcess(g.pi.hProcess, 1);
        WaitForSingleObject(g.pi.hProcess, 5000);
    }
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    // The wide command line: a script path with Japanese in it does not survive the ANSI argv.
    std::string script;
    int wargc = 0;
    LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    for (int i = 1; i < wargc; i++) {
        if (lstrcmpW(wargv[i], L"-v") == 0) g.verbose = true;
        else script = Narrow(wargv[i], CP_UTF8);
    }
    if (script.empty()) {
        printf("usage: pixdrv [-v] CASE.pxt\n");
        return 2;
    }
    if (script[0] == '/') {
        script = "Z:" + script;
        for (char& c : script)
            if (c == '/') c = '\\';
    }
    g.work = EnvPath(L"PIXDRV_WORK");
    g.samples = EnvPath(L"PIXDRV_SAMPLES");
    g.build = EnvPath(L"PIXDRV_BUILD");
    g.exe = EnvPath(L"PIXDRV_EXE");
    if (!g.work.empty()) {
        CreateDirectoryW(WidePath(g.work).c_str(), nullptr);
        g.app = g.work + "\\app";
    }

    std::vector<Line> lines;
    if (!ReadScript(script, lines)) return 1;

    for (const Line& line : lines) {
        const Verb* v = FindVerb(line.verb);
        g.expected.clear();
        try {
            if (v->runRest) v->runRest(line.args, line.rest);
            else v->run(line.args);
        } catch (const Failure& f) {
            printf("FAIL line %d: %s: %s / %s\n", line.number, line.verb.c_str(), g.expected.c_str(), f.found.c_str());
            if (!g.work.empty()) {
                try { SaveScreen(g.work + "\\fail.bmp"); } catch (const Failure&) {}
            }
            EndProgram();
            return 1;
        }
        g.verbsOk++;
        if (g.verbose) printf("ok line %d: %s\n", line.number, line.text.c_str());
    }
    EndProgram();
    printf("pixdrv: %d verbs ok\n", g.verbsOk);
    return 0;
}
