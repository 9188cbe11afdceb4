// pixdrv: runs one end-to-end script against pixaro.exe (under Wine or on Windows).
//   pixdrv.exe [-v] CASE.pxt
// One verb per line; see kVerbs at the bottom for the list. Every wait has a deadline and polls;
// a box the script did not ask for fails the verb at once, so no case can hang on one.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <memory>
#include <fcntl.h>
#include <io.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "image/PluginMask.h"

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

// For messages: UTF-8 in quotes, line breaks shown as \n so a FAIL stays on one line.
std::string Quote(const std::string& sjis) {
    std::string out = "\"";
    for (char c : Utf8(sjis)) {
        if (c == '\n') out += "\\n";
        else if (c != '\r') out += c;
    }
    return out + "\"";
}

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
    std::string runFrom;       // the folder `start` runs pixaro.exe in: $APP, or `app-folder`'s
    std::string driverPid = std::to_string(GetCurrentProcessId());  // a process sure to be running
#if defined(_WIN64)
    std::string arch = "x64";  // the driver's build, the same as the program's
#else
    std::string arch = "x86";
#endif
    PROCESS_INFORMATION pi{};
    bool started = false;
    HWND main = nullptr;
    std::vector<HWND> dialogs; // taken over with `dialog`, allowed while open; dlg-* use the last
    void* remote = nullptr;    // scratch memory inside the program
    bool stubsWritten = false; // the settle stubs are in `remote`
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

// GetWindowTextLength sends a message and waits for a busy program; GetWindowText reads
// another process's window text without asking it.
std::string TextOf(HWND w) {
    for (int size = 512;; size *= 2) {
        std::string s(size, '\0');
        int n = GetWindowTextA(w, s.data(), size);
        if (n < size - 2 || size >= (1 << 20)) {
            s.resize(std::max(n, 0));
            return s;
        }
    }
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
        if (std::find(g.dialogs.begin(), g.dialogs.end(), b) == g.dialogs.end()) boxes.push_back(b);
    return boxes;
}

template <class F>
bool Poll(F check, DWORD intervalMs = 20, bool allowBoxes = false, DWORD timeoutMs = 0);

void RequireRunning() {
    if (!g.started) Fail("no program was started");
    if (!Running()) Fail(Format("the program ended (exit code %lu)", ExitCode()));
}

// A box shown during start-up comes before the window, so the window may still be on its way.
HWND MainWindow() {
    if (g.main && IsWindow(g.main)) return g.main;
    RequireRunning();
    std::vector<HWND> found;
    if (!Poll([&] { RequireRunning(); found = ProgramWindows("Pixaro"); return !found.empty(); }, 5))
        Fail("no Pixaro window");
    return g.main = found.front();
}

// Throws when the program shows a box nobody asked for. An ended program is reported by the
// verbs that need it (MainWindow), since waiting for files or registry values after exit is fine.
void Watch(bool allowBoxes) {
    if (!g.started) return;
    std::erase_if(g.dialogs, [](HWND d) { return !IsWindow(d) || !IsWindowVisible(d); });
    if (!allowBoxes) {
        std::vector<HWND> boxes = UnexpectedBoxes();
        if (!boxes.empty()) Fail("unexpected " + DescribeBox(boxes.front()));
    }
}

void PumpOwnMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Calls check() until it holds or the deadline passes; between tries an unexpected box fails the
// verb. check() runs at least once.
template <class F>
bool Poll(F check, DWORD intervalMs, bool allowBoxes, DWORD timeoutMs) {
    double end = NowMs() + (timeoutMs ? timeoutMs : g.timeoutMs);
    for (;;) {
        PumpOwnMessages();
        if (check()) return true;
        Watch(allowBoxes);
        if (NowMs() >= end) return false;
        Sleep(intervalMs);
    }
}

LRESULT SendBounded(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_NORMAL, g.timeoutMs, &result)) {
        RequireRunning();
        Watch(false);
        Fail(Format("no answer to message 0x%X within %lu ms", msg, g.timeoutMs));
    }
    return LRESULT(result);
}

// ---------------------------------------------------------------------------------------------
// Calls inside the program. Menus are process-local objects under Wine, and an HGLOBAL for
// WM_DROPFILES must belong to the receiver, so a few system calls have to run over there: a new
// thread in the program runs a tiny stub that calls one function. The driver is built for the
// program's architecture (i386 for pixaro.exe; x64 only for the stand-in on machines that cannot
// run 32-bit code), so addresses and handles are UINT_PTR on both sides.

void* RemoteScratch() {
    if (!g.remote)
        g.remote = VirtualAllocEx(g.pi.hProcess, nullptr, 65536, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_EXECUTE_READWRITE);
    if (!g.remote) Fail(Format("VirtualAllocEx failed (error %lu)", GetLastError()));
    return g.remote;
}

constexpr DWORD kRemoteData = 4096;  // offset of the data area in the scratch block
constexpr DWORD kResultOffset = 768; // an x64 call leaves its full result here

struct Asm {
    std::vector<unsigned char> code;
    void Bytes(std::initializer_list<unsigned char> b) { code.insert(code.end(), b); }
    void Imm(DWORD v) { for (int i = 0; i < 4; i++) code.push_back((v >> (8 * i)) & 0xFF); }
    void Imm64(UINT64 v) { for (int i = 0; i < 8; i++) code.push_back((v >> (8 * i)) & 0xFF); }
};

// System DLLs are shared images, so a function sits at the same offset from its module's base
// in both processes even if the bases differ.
UINT_PTR RemoteAddress(const char* dll, const char* fn) {
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
            return reinterpret_cast<UINT_PTR>(mods[i]) +
                   (reinterpret_cast<UINT_PTR>(local) - reinterpret_cast<UINT_PTR>(owner));
    }
    Fail(Format("%s is not loaded in the program", name));
}

// Wine makes a thread in another process through that process: it runs the request the next
// time one of its threads asks the server for something. A program frozen by a fault never
// does, so the request is made on a thread of our own and waited for with the deadline.
struct ThreadRequest {
    void* start = nullptr;
    HANDLE thread = nullptr;
    DWORD error = 0;
};

DWORD WINAPI MakeRemoteThread(void* param) {
    auto* r = static_cast<ThreadRequest*>(param);
    r->thread = CreateRemoteThread(g.pi.hProcess, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(r->start),
                                   nullptr, 0, nullptr);
    if (!r->thread) r->error = GetLastError();
    return 0;
}

HANDLE StartRemoteThread(void* start, const char* fn) {
    // Left to the helper if it never returns: the case fails and the driver exits.
    auto* r = new ThreadRequest{start};
    HANDLE helper = CreateThread(nullptr, 0, MakeRemoteThread, r, 0, nullptr);
    if (!helper) Fail("CreateThread failed");
    DWORD wait = WaitForSingleObject(helper, g.timeoutMs);
    CloseHandle(helper);
    if (wait != WAIT_OBJECT_0)
        Fail(Format("the program did not start a thread for %s within %lu ms: it is frozen", fn, g.timeoutMs));
    std::unique_ptr<ThreadRequest> done(r);
    if (!done->thread) Fail(Format("CreateRemoteThread failed (error %lu)", done->error));
    return done->thread;
}

UINT_PTR RemoteCall(const char* dll, const char* fn, std::initializer_list<UINT_PTR> args) {
    Asm a;
    void* mem = RemoteScratch();
#ifdef _WIN64
    // The thread's own frame gives the alignment; 40 bytes keep it and hold the home area.
    static const unsigned char kArgReg[4][2] = {{0x48, 0xB9}, {0x48, 0xBA}, {0x49, 0xB8}, {0x49, 0xB9}};
    if (args.size() > 4) Fail("more than four arguments for a call in the program");
    a.Bytes({0x48, 0x83, 0xEC, 0x28});                // sub rsp, 40
    int i = 0;
    for (UINT_PTR v : args) { a.Bytes({kArgReg[i][0], kArgReg[i][1]}); a.Imm64(v); i++; }  // mov rcx/rdx/r8/r9, arg
    a.Bytes({0x48, 0xB8}); a.Imm64(RemoteAddress(dll, fn));  // mov rax, fn
    a.Bytes({0xFF, 0xD0});                            // call rax
    a.Bytes({0x48, 0xB9}); a.Imm64(reinterpret_cast<UINT_PTR>(mem) + kResultOffset);  // mov rcx, slot
    a.Bytes({0x48, 0x89, 0x01});                      // mov [rcx], rax: the exit code keeps 32 bits only
    a.Bytes({0x48, 0x83, 0xC4, 0x28, 0xC3});          // add rsp, 40; ret
#else
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) { a.Bytes({0x68}); a.Imm(DWORD(*it)); }  // push arg
    a.Bytes({0xB8}); a.Imm(DWORD(RemoteAddress(dll, fn)));  // mov eax, fn
    a.Bytes({0xFF, 0xD0});                            // call eax
    a.Bytes({0xC2, 0x04, 0x00});                      // ret 4 (the thread's own parameter)
#endif
    if (!WriteProcessMemory(g.pi.hProcess, mem, a.code.data(), a.code.size(), nullptr))
        Fail("WriteProcessMemory failed");
    FlushInstructionCache(g.pi.hProcess, mem, a.code.size());
    HANDLE thread = StartRemoteThread(mem, fn);
    DWORD wait = WaitForSingleObject(thread, g.timeoutMs);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    if (wait != WAIT_OBJECT_0) Fail(Format("%s in the program did not return", fn));
    UINT_PTR result = code;
#ifdef _WIN64
    if (!ReadProcessMemory(g.pi.hProcess, static_cast<char*>(mem) + kResultOffset, &result, sizeof result, nullptr))
        Fail("ReadProcessMemory failed");
#endif
    return result;
}

UINT_PTR Handle(const void* h) { return reinterpret_cast<UINT_PTR>(h); }

// Settling: the program has handled everything posted so far and has nothing left to paint.
// WaitForInputIdle cannot tell (Wine never resets the idle event after start-up), so a marker
// goes through the program's own queue: a posted WM_TIMER whose lParam is a timer procedure is
// run by DispatchMessage in queue order. That first stub starts a real timer on the same window;
// WM_TIMER is generated only when nothing is sent, posted, typed or to be painted, so when its
// procedure (the second stub) bumps the counter, the program has settled.
constexpr DWORD kStubOffset = 256, kCounterOffset = 512, kMarkerTimer = 0x7D31;

UINT_PTR SettleStubs() {
    UINT_PTR base = Handle(RemoteScratch());
    UINT_PTR stub1 = base + kStubOffset, counter = base + kCounterOffset;
    if (g.stubsWritten) return stub1;
    Asm a;
#ifdef _WIN64
    // stub1(hwnd, msg, id, time): SetTimer(hwnd, kMarkerTimer, 0, stub2); return 0
    a.Bytes({0x48, 0x83, 0xEC, 0x28});            // sub rsp, 40
    a.Bytes({0xBA}); a.Imm(kMarkerTimer);         // mov edx, id (rcx is hwnd already)
    a.Bytes({0x45, 0x31, 0xC0});                  // xor r8d, r8d
    a.Bytes({0x49, 0xB9}); a.Imm64(0);            // mov r9, stub2 (patched below)
    size_t stub2Slot = a.code.size() - 8;
    a.Bytes({0x48, 0xB8}); a.Imm64(RemoteAddress("user32.dll", "SetTimer"));
    a.Bytes({0xFF, 0xD0, 0x48, 0x83, 0xC4, 0x28, 0x31, 0xC0, 0xC3});  // call rax; add rsp, 40; xor eax, eax; ret
    UINT_PTR stub2 = stub1 + a.code.size();
    for (int i = 0; i < 8; i++) a.code[stub2Slot + i] = (UINT64(stub2) >> (8 * i)) & 0xFF;
    // stub2(hwnd, msg, id, time): KillTimer(hwnd, id); ++counter; return 0
    a.Bytes({0x48, 0x83, 0xEC, 0x28});            // sub rsp, 40
    a.Bytes({0x4C, 0x89, 0xC2});                  // mov rdx, r8: id
    a.Bytes({0x48, 0xB8}); a.Imm64(RemoteAddress("user32.dll", "KillTimer"));
    a.Bytes({0xFF, 0xD0});                        // call rax
    a.Bytes({0x48, 0xB8}); a.Imm64(counter);      // mov rax, counter
    a.Bytes({0xFF, 0x00});                        // inc dword [rax]
    a.Bytes({0x48, 0x83, 0xC4, 0x28, 0x31, 0xC0, 0xC3});  // add rsp, 40; xor eax, eax; ret
#else
    // stub1(hwnd, msg, id, time): SetTimer(hwnd, kMarkerTimer, 0, stub2); return 0
    a.Bytes({0x68}); a.Imm(0);                    // push stub2 (patched below)
    size_t stub2Slot = a.code.size() - 4;
    a.Bytes({0x6A, 0x00});                        // push 0
    a.Bytes({0x68}); a.Imm(kMarkerTimer);         // push id
    a.Bytes({0xFF, 0x74, 0x24, 0x10});            // push [esp+16]: hwnd
    a.Bytes({0xB8}); a.Imm(DWORD(RemoteAddress("user32.dll", "SetTimer")));
    a.Bytes({0xFF, 0xD0, 0x31, 0xC0, 0xC2, 0x10, 0x00});  // call eax; xor eax,eax; ret 16
    UINT_PTR stub2 = stub1 + a.code.size();
    for (int i = 0; i < 4; i++) a.code[stub2Slot + i] = (stub2 >> (8 * i)) & 0xFF;
    // stub2(hwnd, msg, id, time): KillTimer(hwnd, id); ++counter; return 0
    a.Bytes({0xFF, 0x74, 0x24, 0x0C});            // push [esp+12]: id
    a.Bytes({0xFF, 0x74, 0x24, 0x08});            // push [esp+8]: hwnd
    a.Bytes({0xB8}); a.Imm(DWORD(RemoteAddress("user32.dll", "KillTimer")));
    a.Bytes({0xFF, 0xD0});                        // call eax
    a.Bytes({0xFF, 0x05}); a.Imm(DWORD(counter)); // inc dword [counter]
    a.Bytes({0x31, 0xC0, 0xC2, 0x10, 0x00});      // xor eax,eax; ret 16
#endif
    DWORD zero = 0;
    if (!WriteProcessMemory(g.pi.hProcess, reinterpret_cast<void*>(stub1), a.code.data(), a.code.size(), nullptr) ||
        !WriteProcessMemory(g.pi.hProcess, reinterpret_cast<void*>(counter), &zero, 4, nullptr))
        Fail("cannot write the settle stubs");
    FlushInstructionCache(g.pi.hProcess, reinterpret_cast<void*>(stub1), a.code.size());
    g.stubsWritten = true;
    return stub1;
}

DWORD SettleCounter() {
    DWORD v = 0;
    ReadProcessMemory(g.pi.hProcess, static_cast<char*>(g.remote) + kCounterOffset, &v, 4, nullptr);
    return v;
}

void Settle() {
    if (!g.started || !Running()) return;
    try {
        UINT_PTR stub = SettleStubs();
        DWORD before = SettleCounter();
        if (!PostMessageA(MainWindow(), WM_TIMER, kMarkerTimer, LPARAM(stub))) Fail("PostMessage failed");
        if (!Poll([&] { return !Running() || SettleCounter() != before; }, 2))
            Fail(Format("the program is still busy after %lu ms", g.timeoutMs));
    } catch (const Failure&) {
        // An exiting program loses its modules and windows first; the verb reports the exit.
        if (WaitForSingleObject(g.pi.hProcess, 1000) == WAIT_OBJECT_0) return;
        throw;
    }
}

// ---------------------------------------------------------------------------------------------
// Screen.

// Files the driver writes or compares. Reads share everything, so a check never stands in the
// way of the program replacing the file.
bool WriteAll(const std::string& path, const std::string& data) {
    HANDLE f = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = f != INVALID_HANDLE_VALUE && WriteFile(f, data.data(), DWORD(data.size()), &written, nullptr) &&
              written == data.size();
    DWORD error = GetLastError();
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    SetLastError(error);
    return ok;
}

bool ReadAll(const std::string& path, std::string& data) {
    data.clear();
    HANDLE f = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    char buf[65536];
    DWORD got = 0;
    bool ok;
    while ((ok = ReadFile(f, buf, sizeof buf, &got, nullptr)) && got) data.append(buf, got);
    CloseHandle(f);
    return ok;
}

// A 24-bit bottom-up .bmp file of w x h pixels whose rows are padded to four bytes.
std::string BmpFile(LONG w, LONG h, const void* bits) {
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    bi.biSizeImage = ((DWORD(w) * 3 + 3) & ~3u) * DWORD(h);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + bi.biSizeImage;
    std::string file(reinterpret_cast<const char*>(&fh), sizeof fh);
    file.append(reinterpret_cast<const char*>(&bi), sizeof bi);
    file.append(static_cast<const char*>(bits), bi.biSizeImage);
    return file;
}

COLORREF ScreenPixel(POINT pt) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, pt.x, pt.y);
    ReleaseDC(nullptr, dc);
    return c;
}

// A bottom-up 24-bit DIB section of w x h selected into a new memory DC.
struct Dib24 {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
    Dib24(int w, int h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(mem, bmp);
    }
    ~Dib24() {
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
    }
};

// The whole screen as a bottom-up 24-bit BMP file.
std::string CaptureScreen() {
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    Dib24 dib(w, h);
    BitBlt(dib.mem, 0, 0, w, h, dib.screen, 0, 0, SRCCOPY);
    GdiFlush();
    return BmpFile(w, h, dib.bits);
}

void SaveScreen(const std::string& path) {
    if (!WriteAll(path, CaptureScreen())) Fail("cannot write " + path);
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
    long long v = strtoll(s.c_str(), &end, 0);
    if (s.empty() || *end || v < -2147483648LL || v > 4294967295LL) Fail("a number, not \"" + s + "\"");
    return long(v);
}

// Ids from resources/resource.h by name (IDM_NEXT) or as numbers.
constexpr struct { const char* name; long id; } kIds[] = {
#include "pixdrv_ids.inc"
    {"IDOK", IDOK}, {"IDCANCEL", IDCANCEL}, {"IDYES", IDYES}, {"IDNO", IDNO},
};

long Id(const std::string& s) {
    for (const auto& row : kIds)
        if (s == row.name) return row.id;
    if (!s.empty() && isalpha(static_cast<unsigned char>(s[0]))) Fail("an id of resource.h, not " + s);
    return Number(s);
}

// ---------------------------------------------------------------------------------------------
// Verbs.

void VerbApp(const Args& a) {
    Expect("a fresh app folder");
    if (g.started && Running()) Fail("the program is still running");
    if (g.build.empty()) Fail("PIXDRV_BUILD is not set");
    std::string kind = a[0];
    if (kind != "plugins" && kind != "none" && kind != "testplugin") Fail("kind " + kind);
    g.runFrom = g.app;
    DeleteTree(WidePath(g.app));
    if (Exists(g.app)) Fail(g.app + " could not be removed");
    if (!CreateDirectoryW(WidePath(g.app).c_str(), nullptr)) Fail("cannot create " + g.app);
    CopyInto(g.exe.empty() ? g.build + "\\pixaro.exe" : g.exe, g.app + "\\pixaro.exe");
    const std::string suffix = kPluginSuffix;
    if (kind == "plugins")
        for (const char* name : {"ifpng", "iftiff6", "ifwmf", "ifgdip"})
            CopyInto(g.build + "\\" + name + suffix, g.app + "\\" + name + suffix);
    if (kind == "testplugin")
        CopyInto(g.build + "\\testplugins\\ifpng" + suffix, g.app + "\\ifpng" + suffix);
}

// An installed copy, such as an unpacked package: nothing is copied or removed there.
void VerbAppFolder(const Args& a) {
    Expect("a folder holding pixaro.exe");
    if (g.started && Running()) Fail("the program is still running");
    if (!Exists(a[0] + "\\pixaro.exe")) Fail("no pixaro.exe there");
    g.runFrom = a[0];
}

double StartProgram(const std::string& commandLine) {
    Expect("the program's window");
    if (g.started && Running()) Fail("the program is already running");
    if (g.started) {  // the previous run ended: forget its process and windows
        CloseHandle(g.pi.hProcess);
        CloseHandle(g.pi.hThread);
        g.pi = {};
        g.started = false;
        g.main = nullptr;
        g.dialogs.clear();
        g.remote = nullptr;
        g.stubsWritten = false;
    }
    if (g.runFrom.empty()) g.runFrom = g.app;
    std::wstring exe = WidePath(g.runFrom + "\\pixaro.exe");
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!commandLine.empty()) cmd += L" " + WidePath(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    double t0 = NowMs();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        WidePath(g.runFrom).c_str(), &si, &g.pi))
        Fail(Format("CreateProcess failed (error %lu)", GetLastError()));
    g.started = true;
    // A box before the window (a bad command line, a missing plug-in) ends the wait too; the
    // script answers it with `box` next.
    bool shown = Poll([] {
        RequireRunning();
        return !ProgramWindows("Pixaro").empty() || !UnexpectedBoxes().empty();
    }, 5, true);
    if (!shown) Fail("no visible window");
    std::vector<HWND> found = ProgramWindows("Pixaro");
    g.main = found.empty() ? nullptr : found.front();
    return t0;
}

void VerbStart(const Args&, const std::string& rest) {
    double t0 = StartProgram(rest);
    printf("start: %.0f ms to %s\n", NowMs() - t0, g.main ? "window" : "box");
}

// start-timed TEXT [command line...]: the command line is the raw rest after TEXT.
void VerbStartTimed(const Args& a, const std::string& rest) {
    size_t end = rest[0] == '"' ? rest.find('"', 1) + 1 : rest.find_first_of(" \t");
    size_t from = end == std::string::npos ? std::string::npos : rest.find_first_not_of(" \t", end);
    std::string commandLine = from == std::string::npos ? "" : rest.substr(from);
    double t0 = StartProgram(commandLine);
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
    Settle();
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
    // Wine's SB_GETTEXTLENGTHA counts characters, not bytes: leave room for two bytes each.
    DWORD size = 2 * LOWORD(SendBounded(sb, SB_GETTEXTLENGTHA, part, 0)) + 2;
    if (size >= 60000) Fail("status text too long");
    char* remote = static_cast<char*>(RemoteScratch()) + kRemoteData;
    std::string text(size, '\0');
    if (!WriteProcessMemory(g.pi.hProcess, remote, text.data(), size, nullptr)) Fail("WriteProcessMemory failed");
    SendBounded(sb, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote));
    if (!ReadProcessMemory(g.pi.hProcess, remote, text.data(), size, nullptr)) Fail("ReadProcessMemory failed");
    text.resize(strlen(text.c_str()));
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
    if (!PostMessageA(MainWindow(), WM_COMMAND, MAKEWPARAM(Id(a[0]), 0), 0)) Fail("PostMessage failed");
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

UINT KeyCode(const std::string& n, bool& extended) {
    for (const KeyName& k : kKeys)
        if (lstrcmpiA(n.c_str(), k.name) == 0) { extended = k.extended; return k.vk; }
    extended = false;
    if (n.size() >= 2 && (n[0] == 'F' || n[0] == 'f')) {
        long f = strtol(n.c_str() + 1, nullptr, 10);
        if (f >= 1 && f <= 12) return VK_F1 + UINT(f) - 1;
    }
    if (n.size() == 1 && isalnum(static_cast<unsigned char>(n[0]))) return UINT(toupper(static_cast<unsigned char>(n[0])));
    Fail("unknown key name " + n);
}

// ctrl+, shift+ and alt+ are held in the key state the program reads with GetKeyState: the
// driver joins the program's input state (AttachThreadInput) for as long as the key takes.
void VerbKey(const Args& a) {
    Expect("key " + a[0] + " handled");
    std::string n = a[0];
    std::vector<UINT> mods;
    for (size_t plus; (plus = n.find('+')) != std::string::npos && plus + 1 < n.size(); n.erase(0, plus + 1)) {
        std::string m = n.substr(0, plus);
        if (lstrcmpiA(m.c_str(), "ctrl") == 0) mods.push_back(VK_CONTROL);
        else if (lstrcmpiA(m.c_str(), "shift") == 0) mods.push_back(VK_SHIFT);
        else if (lstrcmpiA(m.c_str(), "alt") == 0) mods.push_back(VK_MENU);
        else Fail("modifier " + m + " (ctrl shift alt)");
    }
    bool extended = false;
    UINT vk = KeyCode(n, extended);
    bool alt = std::find(mods.begin(), mods.end(), UINT(VK_MENU)) != mods.end();
    LPARAM scan = LPARAM(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16 | (extended ? 1 << 24 : 0) | (alt ? 1 << 29 : 0);
    HWND target = KeyTarget();
    DWORD self = GetCurrentThreadId(), program = GetWindowThreadProcessId(target, nullptr);
    bool attached = !mods.empty() && AttachThreadInput(self, program, TRUE);
    if (!mods.empty() && !attached) Fail("cannot share the program's key state");
    BYTE keys[256] = {}, saved[256] = {};
    if (attached) {
        GetKeyboardState(saved);
        memcpy(keys, saved, sizeof keys);
        for (UINT m : mods) {
            keys[m] |= 0x80;
            keys[m == VK_CONTROL ? VK_LCONTROL : m == VK_SHIFT ? VK_LSHIFT : VK_LMENU] |= 0x80;
        }
        SetKeyboardState(keys);
    }
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, scan | 1);
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, scan | 1 | 0xC0000000);
    if (attached) {
        struct Restore {  // also when settling fails
            DWORD self, program;
            BYTE* saved;
            ~Restore() { SetKeyboardState(saved); AttachThreadInput(self, program, FALSE); }
        } restore{self, program, saved};
        Settle();
    }
}

// keys NAME COUNT: a held key. All presses are queued at once, as auto-repeat queues them while
// the program is busy, and only then does the driver wait for them to be handled.
void VerbKeys(const Args& a) {
    long count = Number(a[1]);
    if (count < 1 || count > 1000) Fail("COUNT " + a[1] + " (1 .. 1000)");
    Expect(Format("%ld presses of ", count) + a[0] + " handled");
    bool extended = false;
    UINT vk = KeyCode(a[0], extended);
    LPARAM scan = LPARAM(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16 | (extended ? 1 << 24 : 0);
    HWND target = KeyTarget();
    for (long i = 0; i < count; ++i) {
        if (!PostMessageA(target, WM_KEYDOWN, vk, scan | 1) || !PostMessageA(target, WM_KEYUP, vk, scan | 1 | 0xC0000000))
            Fail(Format("PostMessage failed at press %ld", i + 1));
    }
    Settle();
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

// The innermost visible child under a client point of `top`; the point becomes that child's.
HWND DeepestChildAt(HWND top, POINT& pt) {
    HWND target = top;
    for (;;) {
        HWND child = ChildWindowFromPointEx(target, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == target) break;
        MapWindowPoints(target, child, &pt, 1);
        target = child;
    }
    return target;
}

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
    POINT pt{Number(a[1]), Number(a[2])};
    HWND target = DeepestChildAt(MainWindow(), pt);
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
    // A fixed block is its own address, so one call in the program makes it (DragQueryFile
    // locks and DragFinish frees it as any other).
    UINT_PTR h = RemoteCall("kernel32.dll", "GlobalAlloc", {GPTR, block.size()});
    if (!h) Fail("GlobalAlloc in the program failed");
    if (!WriteProcessMemory(g.pi.hProcess, reinterpret_cast<void*>(h), block.data(), block.size(), nullptr))
        Fail("cannot fill the drop block");
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
        RequireRunning();
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
    if (a[2].size() != 6 || strspn(a[2].c_str(), "0123456789abcdefABCDEF") != 6) Fail("colour as RRGGBB, not " + a[2]);
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
            HMENU sub = reinterpret_cast<HMENU>(UINT_PTR(RemoteCall("user32.dll", "GetSubMenu", {Handle(menu), UINT_PTR(i)})));
            if (sub && DWORD(RemoteCall("user32.dll", "GetMenuState", {Handle(sub), id, MF_BYCOMMAND})) != DWORD(-1)) {
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
    UINT id = UINT(Id(a[0]));
    const std::string& want = a[1];
    Expect("menu item " + a[0] + " " + want);
    if (want != "enabled" && want != "disabled" && want != "checked" && want != "unchecked")
        Fail("state " + want + " (enabled disabled checked unchecked)");
    HWND main = MainWindow();
    Settle();
    UINT_PTR bar = RemoteCall("user32.dll", "GetMenu", {Handle(main)});
    if (!bar) Fail("the window has no menu");
    auto path = MenuPath(reinterpret_cast<HMENU>(UINT_PTR(bar)), id);
    DWORD state = 0;
    bool ok = Poll([&] {
        for (auto [sub, index] : path)
            SendBounded(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(index, FALSE));
        state = DWORD(RemoteCall("user32.dll", "GetMenuState", {bar, id, MF_BYCOMMAND}));
        if (state == DWORD(-1)) Fail("no such menu item");
        bool disabled = state & (MF_GRAYED | MF_DISABLED), checked = state & MF_CHECKED;
        return want == "enabled" ? !disabled : want == "disabled" ? disabled : want == "checked" ? checked : !checked;
    });
    if (!ok) Fail(std::string(state & (MF_GRAYED | MF_DISABLED) ? "disabled" : "enabled") +
                  (state & MF_CHECKED ? ", checked" : ", unchecked"));
}

// The right-click menu exists only while it is open: a right click at X,Y opens it, the item is
// read in the program (menus are process-local under Wine), and EndMenu there closes it again.
void VerbPopup(const Args& a) {
    UINT id = UINT(Id(a[2]));
    const std::string& want = a[3];
    Expect("pop-up item " + a[2] + " " + want);
    if (want != "enabled" && want != "disabled") Fail("state " + want + " (enabled disabled)");
    HWND main = MainWindow();
    Settle();
    POINT pt{Number(a[0]), Number(a[1])};
    HWND target = DeepestChildAt(main, pt);
    PostMessageA(target, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(pt.x, pt.y));
    PostMessageA(target, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    std::vector<HWND> menus;
    if (!Poll([&] { menus = ProgramWindows("#32768"); return !menus.empty(); })) Fail("no pop-up menu opened");
    const UINT_PTR menu = UINT_PTR(SendBounded(menus.front(), 0x01E1 /* MN_GETHMENU */, 0, 0));
    const DWORD state = menu ? DWORD(RemoteCall("user32.dll", "GetMenuState", {menu, id, MF_BYCOMMAND})) : DWORD(-1);
    RemoteCall("user32.dll", "EndMenu", {});
    if (!Poll([&] { return ProgramWindows("#32768").empty(); })) Fail("the pop-up menu stays open");
    if (state == DWORD(-1)) Fail("no such item in the pop-up menu");
    const bool disabled = state & (MF_GRAYED | MF_DISABLED);
    if (disabled != (want == "disabled")) Fail(disabled ? "disabled" : "enabled");
}

void VerbButton(const Args& a) {
    int id = int(Id(a[0]));
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

// A paint is over once no window of the program has an update region left (BeginPaint empties
// it) and a sent message comes back: the thread takes it only after WM_PAINT has returned.
bool NothingToPaint(HWND main) {
    if (GetUpdateRect(main, nullptr, FALSE)) return false;
    for (HWND c : Children(main))
        if (IsWindowVisible(c) && GetUpdateRect(c, nullptr, FALSE)) return false;
    return true;
}

void VerbTimeRedraw(const Args& a) {
    int count = a.size() > 1 ? int(Number(a[1])) : 3;
    Expect("a full repaint");
    HWND main = MainWindow();
    Settle();
    double best = 1e12;
    for (int i = 0; i < count; i++) {
        double t0 = NowMs();
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        if (!Poll([&] { return NothingToPaint(main); }, 1)) Fail(Format("still painting after %lu ms", g.timeoutMs));
        SendBounded(main, WM_NULL, 0, 0);
        best = std::min(best, NowMs() - t0);
    }
    printf("%s: %.0f ms\n", a[0].c_str(), best);
}

void VerbScreenshot(const Args& a) {
    Expect("a screenshot");
    if (g.started) Settle();
    SaveScreen(g.work + "\\" + a[0] + ".bmp");
}

// screen-same NAME X Y W H: the client rectangle looks as it did in screenshot NAME, pixel
// for pixel (a rubber band erased leaves nothing behind).
void VerbScreenSame(const Args& a) {
    const std::string path = g.work + "\\" + a[0] + ".bmp";
    const int x = int(Number(a[1])), y = int(Number(a[2])), w = int(Number(a[3])), h = int(Number(a[4]));
    Expect(Format("client %d,%d %dx%d as in ", x, y, w, h) + a[0]);
    std::string before;
    if (!ReadAll(path, before)) Fail("no screenshot " + path);
    POINT origin = {x, y};
    ClientToScreen(MainWindow(), &origin);
    auto pixelOf = [](const std::string& bmp, int px, int py) -> long {
        const LONG bw = *reinterpret_cast<const LONG*>(bmp.data() + 18), bh = *reinterpret_cast<const LONG*>(bmp.data() + 22);
        if (px < 0 || py < 0 || px >= bw || py >= bh) return -1;
        const size_t stride = (size_t(bw) * 3 + 3) & ~size_t(3);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bmp.data()) + 54 + size_t(bh - 1 - py) * stride + size_t(px) * 3;
        return long(p[0] | p[1] << 8 | p[2] << 16);
    };
    int differing = 0, fx = 0, fy = 0;
    long was = 0, is = 0;
    Poll([&] {
        Settle();
        const std::string now = CaptureScreen();
        differing = 0;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const long p0 = pixelOf(before, origin.x + i, origin.y + j), p1 = pixelOf(now, origin.x + i, origin.y + j);
                if (p0 != p1 && differing++ == 0) fx = x + i, fy = y + j, was = p0, is = p1;
            }
        return differing == 0;
    });
    if (differing) Fail(Format("%d pixels differ; first at %d,%d: %06lX, was %06lX", differing, fx, fy, is, was));
}


// emf-render EMF BMP: plays an enhanced metafile file into its frame (in the recording
// screen's pixels) on a white 24-bit bitmap and writes it as a BMP, for ink to be sampled.
void VerbEmfRender(const Args& a) {
    Expect(a[0] + " played into " + a[1]);
    HENHMETAFILE emf = GetEnhMetaFileW(WidePath(a[0]).c_str());
    if (!emf) Fail("not an enhanced metafile");
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    auto px = [](LONG v, LONG device, LONG mm) { return mm > 0 ? LONG(double(v) * device / (mm * 100.0)) : 0; };
    const RECT frame = {px(h.rclFrame.left, h.szlDevice.cx, h.szlMillimeters.cx),
                        px(h.rclFrame.top, h.szlDevice.cy, h.szlMillimeters.cy),
                        px(h.rclFrame.right, h.szlDevice.cx, h.szlMillimeters.cx),
                        px(h.rclFrame.bottom, h.szlDevice.cy, h.szlMillimeters.cy)};
    const int w = frame.right, ht = frame.bottom;
    if (w <= 0 || ht <= 0 || w > 10000 || ht > 10000) {
        DeleteEnhMetaFile(emf);
        Fail(Format("frame %ld,%ld-%ld,%ld", frame.left, frame.top, frame.right, frame.bottom));
    }
    bool played;
    std::string file;
    {
        Dib24 dib(w, ht);
        RECT all = {0, 0, w, ht};
        FillRect(dib.mem, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
        played = PlayEnhMetaFile(dib.mem, emf, &frame) != 0;
        GdiFlush();
        file = BmpFile(w, ht, dib.bits);
    }
    DeleteEnhMetaFile(emf);
    if (!played) Fail("PlayEnhMetaFile failed");
    if (!WriteAll(a[1], file)) Fail("cannot write " + a[1]);
}

// private-bytes LABEL [MAX_GROWTH_MB]: prints the program's private bytes; with a limit,
// fails when they grew by more than that since the first reading under LABEL.
void VerbPrivateBytes(const Args& a) {
    static std::vector<std::pair<std::string, double>> first;
    RequireRunning();
    Settle();
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(g.pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        Fail("GetProcessMemoryInfo failed");
    // Wine may leave PrivateUsage at 0; the page-file share is the same figure on Windows.
    const SIZE_T bytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
    if (!bytes) Fail("no private byte count for the program");
    const double mb = double(bytes) / (1 << 20);
    printf("%s: %.1f MB private\n", a[0].c_str(), mb);
    auto it = std::find_if(first.begin(), first.end(), [&](const auto& p) { return p.first == a[0]; });
    if (it == first.end()) {
        first.push_back({a[0], mb});
        return;
    }
    if (a.size() > 1) {
        Expect(Format("private bytes within %s MB of the first reading of ", a[1].c_str()) + a[0]);
        if (mb - it->second > double(Number(a[1]))) Fail(Format("%.1f MB, first %.1f MB", mb, it->second));
    }
}

// Wine answers 0 to GetProcessHandleCount but lists every handle in the system's table.
DWORD HandlesInSystemTable(DWORD pid) {
    struct Entry {
        ULONG ownerPid;
        BYTE objectType, flags;
        USHORT value;
        void* object;
        ULONG access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
    static const auto query =
        reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    constexpr int kSystemHandleInformation = 16;
    constexpr LONG kLengthMismatch = LONG(0xC0000004);
    std::vector<char> buf(1 << 16);
    LONG status;
    while ((status = query(kSystemHandleInformation, buf.data(), ULONG(buf.size()), nullptr)) == kLengthMismatch &&
           buf.size() < (256u << 20))
        buf.resize(buf.size() * 2);
    if (status < 0) return 0;
    const Table* t = reinterpret_cast<const Table*>(buf.data());
    DWORD n = 0;
    for (ULONG i = 0; i < t->count; ++i)
        if (t->entries[i].ownerPid == pid) ++n;
    return n;
}

// objects LABEL [GDI USER HANDLES]: prints the program's GDI and USER object and handle
// counts; with limits, fails when any grew by more than its limit since the first reading
// under LABEL. Wine's GetGuiResources is a stub that answers 0, so there only the handle
// count tells.
void VerbObjects(const Args& a) {
    static std::vector<std::pair<std::string, std::array<DWORD, 3>>> first;
    Expect("LABEL, or LABEL and three limits (GDI USER HANDLES)");
    if (a.size() != 1 && a.size() != 4) Fail(Format("%d arguments", int(a.size())));
    RequireRunning();
    Settle();
    RequireRunning();
    std::array<DWORD, 3> now{GetGuiResources(g.pi.hProcess, GR_GDIOBJECTS),
                             GetGuiResources(g.pi.hProcess, GR_USEROBJECTS), 0};
    if (!GetProcessHandleCount(g.pi.hProcess, &now[2]) || now[2] == 0) now[2] = HandlesInSystemTable(g.pi.dwProcessId);
    if (now[2] == 0) Fail("no handle count for the program");
    printf("%s: gdi %lu user %lu handles %lu\n", a[0].c_str(), now[0], now[1], now[2]);
    auto it = std::find_if(first.begin(), first.end(), [&](const auto& p) { return p.first == a[0]; });
    if (it == first.end()) {
        first.push_back({a[0], now});
        return;
    }
    if (a.size() == 1) return;
    Expect(Format("growth within gdi %s user %s handles %s of the first reading of ", a[1].c_str(),
                  a[2].c_str(), a[3].c_str()) + a[0]);
    // Only the growth: the counts themselves differ between Windows and Wine versions, and
    // the line above has them.
    static const char* const kNames[] = {"gdi", "user", "handles"};
    std::string grew;
    for (int i = 0; i < 3; ++i) {
        const double by = double(now[i]) - double(it->second[i]);
        if (by > double(Number(a[1 + i]))) grew += Format("%s%s +%.0f", grew.empty() ? "" : ", ", kNames[i], by);
    }
    if (!grew.empty()) Fail(grew);
}

// A crash or power cut in the middle of whatever the program was doing; `start` works again.
void KillProgram() {
    Expect("the program ended by TerminateProcess");
    RequireRunning();
    if (!TerminateProcess(g.pi.hProcess, 1)) Fail(Format("TerminateProcess failed (error %lu)", GetLastError()));
    if (WaitForSingleObject(g.pi.hProcess, g.timeoutMs) != WAIT_OBJECT_0) Fail("still running at the deadline");
}

void VerbKill(const Args&) { KillProgram(); }

// kill-after MS: no settling and no watching for boxes first, so the kill lands wherever the
// program happens to be.
void VerbKillAfter(const Args& a) {
    Expect("a pause before the kill");
    const long ms = Number(a[0]);
    if (ms < 0) Fail("MS " + a[0]);
    Sleep(DWORD(ms));
    KillProgram();
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

// A name with * or ? stands for every file it matches: temporary names carry a process id.
std::string FirstMatch(const std::string& pattern) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(WidePath(pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return {};
    FindClose(h);
    return Narrow(fd.cFileName, CP_UTF8);
}

void WaitFile(const Args& a, bool present) {
    Expect(a[0] + (present ? " exists" : " is missing"));
    if (a[0].find_first_of("*?") != std::string::npos) {
        std::string found;
        if (!Poll([&] { found = FirstMatch(a[0]); return found.empty() != present; }))
            Fail(present ? "no match" : found + " exists");
        return;
    }
    if (!Poll([&] { return Exists(a[0]) == present; })) Fail(present ? "missing" : "exists");
}

void VerbFileExists(const Args& a) { WaitFile(a, true); }
void VerbFileMissing(const Args& a) { WaitFile(a, false); }

// Test folders are built by the cases themselves; names go through UTF-16, so any name a
// script spells (kanji with a 0x5C trail byte included) reaches the file system intact.
void VerbMkdir(const Args& a) {
    Expect(a[0] + " created");
    std::wstring path = Widen(a[0], CP_UTF8);
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    DWORD attr = GetFileAttributesW(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) Fail(Format("error %lu", GetLastError()));
}

void VerbCopy(const Args& a) {
    Expect(a[0] + " copied to " + a[1]);
    if (!CopyFileW(Widen(a[0], CP_UTF8).c_str(), Widen(a[1], CP_UTF8).c_str(), FALSE))
        Fail(Format("error %lu", GetLastError()));
}

// delete PATH: a file taken away under the program, as another program or a user would. While
// the program has it open (Wine keeps share modes) the deletion is tried again until the deadline.
void VerbDelete(const Args& a) {
    Expect(a[0] + " deleted");
    std::wstring path = Widen(a[0], CP_UTF8);
    DWORD error = 0;
    bool ok = Poll([&] {
        if (DeleteFileW(path.c_str())) return true;
        error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) Fail(Format("error %lu", error));
        return false;
    });
    if (!ok) Fail(Format("error %lu until the deadline", error));
}

// copy-many SRC DIR PATTERN COUNT: COUNT links (or copies) of SRC named by the printf
// PATTERN with the numbers 0 .. COUNT-1.
void VerbCopyMany(const Args& a) {
    long count = Number(a[3]);
    Expect(Format("%ld copies of ", count) + a[0]);
    std::wstring src = Widen(a[0], CP_UTF8);
    for (long i = 0; i < count; ++i) {
        std::string name = a[1] + "\\" + Format(a[2].c_str(), int(i));
        std::wstring dst = Widen(name, CP_UTF8);
        if (!CreateHardLinkW(dst.c_str(), src.c_str(), nullptr) && !CopyFileW(src.c_str(), dst.c_str(), FALSE))
            Fail(name + Format(": error %lu", GetLastError()));
    }
}

// set-time PATH YYYYMMDDhhmm: the file's last-write time (UTC).
void VerbSetTime(const Args& a) {
    Expect(a[0] + " written at " + a[1]);
    const std::string& t = a[1];
    if (t.size() != 12) Fail("time must be YYYYMMDDhhmm");
    SYSTEMTIME st = {};
    st.wYear = WORD(atoi(t.substr(0, 4).c_str()));
    st.wMonth = WORD(atoi(t.substr(4, 2).c_str()));
    st.wDay = WORD(atoi(t.substr(6, 2).c_str()));
    st.wHour = WORD(atoi(t.substr(8, 2).c_str()));
    st.wMinute = WORD(atoi(t.substr(10, 2).c_str()));
    FILETIME ft;
    HANDLE h = CreateFileW(Widen(a[0], CP_UTF8).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    bool ok = h != INVALID_HANDLE_VALUE && SystemTimeToFileTime(&st, &ft) && SetFileTime(h, nullptr, nullptr, &ft);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!ok) Fail(Format("error %lu", GetLastError()));
}

// file-text PATH TEXT: an old file for a later save to keep or replace.
void VerbFileText(const Args& a) {
    Expect(a[0] + " written");
    if (!WriteAll(a[0], Sjis(a[1]))) Fail(Format("error %lu", GetLastError()));
}

std::string DescribeFile(const std::string& path, bool read, const std::string& data) {
    if (!read) return path + (Exists(path) ? " cannot be read" : " is missing");
    // Quote hides \r: the size tells CRLF from LF.
    return Quote(data.substr(0, 200)) + (data.size() > 200 ? "..." : "") + Format(" (%lu bytes)", (unsigned long)data.size());
}

void VerbFileHas(const Args& a) {
    std::string want = Sjis(a[1]), seen;
    Expect(a[0] + " holding " + Quote(want));
    Settle();
    bool read = false;
    if (!Poll([&] { read = ReadAll(a[0], seen); return read && seen == want; })) Fail(DescribeFile(a[0], read, seen));
}

void VerbFileSame(const Args& a) {
    Expect(a[0] + " and " + a[1] + " with the same bytes");
    Settle();
    std::string x, y;
    bool readX = false, readY = false;
    if (Poll([&] { readX = ReadAll(a[0], x); readY = ReadAll(a[1], y); return readX && readY && x == y; })) return;
    if (!readX) Fail(DescribeFile(a[0], false, x));
    if (!readY) Fail(DescribeFile(a[1], false, y));
    size_t at = std::mismatch(x.begin(), x.begin() + std::min(x.size(), y.size()), y.begin()).first - x.begin();
    Fail(Format("%lu and %lu bytes, first difference at offset %lu", (unsigned long)x.size(), (unsigned long)y.size(),
                (unsigned long)at));
}

void VerbAttrib(const Args& a) {
    Expect(a[0] + " made " + a[1]);
    DWORD attr = a[1] == "readonly" ? FILE_ATTRIBUTE_READONLY : a[1] == "normal" ? FILE_ATTRIBUTE_NORMAL : 0;
    if (!attr) Fail("attribute " + a[1] + " (readonly normal)");
    if (!SetFileAttributesW(WidePath(a[0]).c_str(), attr)) Fail(Format("error %lu", GetLastError()));
}

// Files held open without sharing, so that the program cannot replace, delete or rename them.
std::vector<std::pair<std::string, HANDLE>> g_Held;

void VerbHold(const Args& a) {
    Expect(a[0] + " held open without sharing");
    HANDLE h = CreateFileW(WidePath(a[0]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail(Format("error %lu", GetLastError()));
    g_Held.emplace_back(a[0], h);
}

void VerbUnhold(const Args& a) {
    Expect(a[0] + " let go");
    auto it = std::find_if(g_Held.begin(), g_Held.end(), [&](const auto& e) { return e.first == a[0]; });
    if (it == g_Held.end()) Fail("not held");
    CloseHandle(it->second);
    g_Held.erase(it);
}

// ---------------------------------------------------------------------------------------------
// Clipboard. It is shared with the program, so the driver opens it only once the format is
// announced, and only for as long as a copy takes: the program's own OpenClipboard must not fail.

constexpr struct { const char* name; UINT id; } kClipFormats[] = {
    {"CF_TEXT", CF_TEXT}, {"CF_BITMAP", CF_BITMAP}, {"CF_METAFILEPICT", CF_METAFILEPICT}, {"CF_SYLK", CF_SYLK},
    {"CF_DIF", CF_DIF}, {"CF_TIFF", CF_TIFF}, {"CF_OEMTEXT", CF_OEMTEXT}, {"CF_DIB", CF_DIB},
    {"CF_PALETTE", CF_PALETTE}, {"CF_RIFF", CF_RIFF}, {"CF_WAVE", CF_WAVE}, {"CF_UNICODETEXT", CF_UNICODETEXT},
    {"CF_ENHMETAFILE", CF_ENHMETAFILE}, {"CF_HDROP", CF_HDROP}, {"CF_LOCALE", CF_LOCALE}, {"CF_DIBV5", CF_DIBV5},
};

UINT ClipFormat(const std::string& name) {
    for (const auto& f : kClipFormats)
        if (name == f.name) return f.id;
    if (name.rfind("CF_", 0) == 0) Fail("no clipboard format " + name);
    UINT id = RegisterClipboardFormatA(Sjis(name).c_str());
    if (!id) Fail(Format("RegisterClipboardFormat failed (error %lu)", GetLastError()));
    return id;
}

std::string ClipFormatName(UINT id) {
    for (const auto& f : kClipFormats)
        if (id == f.id) return f.name;
    char name[256] = "";
    if (GetClipboardFormatNameA(id, name, sizeof name)) return Utf8(name);
    return Format("%u", id);
}

// Formats as any reader sees them, synthesized ones included; needs no open clipboard.
std::string ClipContents() {
    UINT formats[64], n = 0;
    if (!GetUpdatedClipboardFormats(formats, 64, &n)) return Format("the formats cannot be listed (error %lu)", GetLastError());
    std::string list;
    for (UINT i = 0; i < n; i++) list += (i ? ", " : "") + ClipFormatName(formats[i]);
    return n ? "the clipboard holds " + list : "the clipboard is empty";
}

struct OpenedClipboard {
    bool open = OpenClipboard(nullptr) != FALSE;
    ~OpenedClipboard() { if (open) CloseClipboard(); }
};

// The bytes a test compares: an HGLOBAL's whole block, an enhanced metafile's records, or a
// bitmap as a 24-bit .bmp file. False when the handle does not give them.
bool ClipBytes(UINT format, HANDLE h, std::string& out) {
    if (format == CF_ENHMETAFILE) {
        UINT n = GetEnhMetaFileBits(static_cast<HENHMETAFILE>(h), 0, nullptr);
        out.assign(n, '\0');
        return n && GetEnhMetaFileBits(static_cast<HENHMETAFILE>(h), n, reinterpret_cast<BYTE*>(out.data())) == n;
    }
    if (format == CF_BITMAP) {
        BITMAP bm{};
        if (!GetObjectA(h, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = bm.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bi.bmiHeader.biCompression = BI_RGB;
        std::string bits(((DWORD(bm.bmWidth) * 3 + 3) & ~3u) * DWORD(bm.bmHeight), '\0');
        HDC dc = GetDC(nullptr);
        int rows = GetDIBits(dc, static_cast<HBITMAP>(h), 0, UINT(bm.bmHeight), bits.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        out = BmpFile(bm.bmWidth, bm.bmHeight, bits.data());
        return rows == bm.bmHeight;
    }
    SIZE_T n = GlobalSize(h);
    const void* p = GlobalLock(h);
    if (!p) return false;
    out.assign(static_cast<const char*>(p), n);
    GlobalUnlock(h);
    return true;
}

// clip-save FORMAT PATH: waits for FORMAT and writes its bytes to PATH.
void VerbClipSave(const Args& a) {
    Expect(a[0] + " on the clipboard");
    UINT format = ClipFormat(a[0]);
    if (format == CF_METAFILEPICT || format == CF_PALETTE) Fail(a[0] + " holds a handle, not bytes");
    Settle();
    std::string data;
    bool ok = Poll([&] {
        if (!IsClipboardFormatAvailable(format)) return false;
        OpenedClipboard clip;
        if (!clip.open) return false;
        HANDLE h = GetClipboardData(format);
        return h && ClipBytes(format, h, data);
    });
    if (!ok) Fail(IsClipboardFormatAvailable(format) ? a[0] + " cannot be read" : ClipContents());
    if (!WriteAll(a[1], data)) Fail(Format("cannot write %s (error %lu)", a[1].c_str(), GetLastError()));
}

void VerbClipMissing(const Args& a) {
    Expect(a[0] + " not on the clipboard");
    UINT format = ClipFormat(a[0]);
    Settle();
    if (IsClipboardFormatAvailable(format)) Fail(ClipContents());
}

void VerbClipClear(const Args&) {
    Expect("an empty clipboard");
    Settle();
    bool ok = Poll([] {
        OpenedClipboard clip;
        return clip.open && EmptyClipboard();
    });
    if (!ok) Fail(Format("the clipboard stays open (error %lu)", GetLastError()));
}

HKEY CreateRegKey(const std::string& key) {
    HKEY k = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, Sjis(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        Fail("cannot create the key");
    return k;
}

void VerbRegSetDword(const Args& a) {
    Expect("HKCU\\" + a[0] + " " + a[1] + " set");
    HKEY k = CreateRegKey(a[0]);
    DWORD v = DWORD(Number(a[2]));
    RegSetValueExA(k, a[1].c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    RegCloseKey(k);
}

void VerbRegSetSz(const Args& a) {
    Expect("HKCU\\" + a[0] + " " + a[1] + " set");
    HKEY k = CreateRegKey(a[0]);
    std::string text = Sjis(a[2]);
    RegSetValueExA(k, a[1].c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
    RegCloseKey(k);
}

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
    DWORD want = DWORD(Number(a[2]));
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
HWND TakeDialog(const std::string& caption) {
    std::string want = Sjis(caption);
    HWND dialog = nullptr;
    bool ok = Poll([&] {
        RequireRunning();
        for (HWND b : UnexpectedBoxes()) {
            if (Widen(TextOf(b), 932) != Widen(want, 932)) Fail("unexpected " + DescribeBox(b));
            dialog = b;
            return true;
        }
        return false;
    }, 20, true);
    if (!ok) Fail("no dialog");
    g.dialogs.push_back(dialog);
    return dialog;
}

void VerbDialog(const Args& a) {
    Expect("dialog " + Quote(Sjis(a[0])));
    TakeDialog(a[0]);
}

// stopwatch start | stopwatch LABEL: prints "LABEL: N ms" since the last start, or since
// OK was pressed in the last save-dialog, whichever came later.
double g_StopwatchStart = 0;
void VerbStopwatch(const Args& a) {
    if (a[0] == "start") {
        g_StopwatchStart = NowMs();
        return;
    }
    printf("%s: %.0f ms\n", a[0].c_str(), NowMs() - g_StopwatchStart);
}

// save-dialog CAPTION PATH: a common save or open dialog, Explorer-style or old, answered with
// PATH. A box it raises (overwrite?) ends the wait and is left for `box`; the dialog stays
// taken over until it closes.
void VerbSaveDialog(const Args& a) {
    Expect("file dialog " + Quote(Sjis(a[0])));
    HWND dialog = TakeDialog(a[0]);
    HWND name = GetDlgItem(dialog, 1148);   // cmb13
    if (!name) name = GetDlgItem(dialog, 1152);  // edt1
    if (!name) Fail(DescribeBox(dialog) + " has no file name box (cmb13, edt1)");
    Expect("file dialog " + Quote(Sjis(a[0])) + " answered with " + a[1]);
    std::wstring path = WidePath(a[1]);
    // A dialog still starting up puts its proposed name in after ours: type until it stays.
    bool typed = Poll([&] {
        DWORD_PTR r;
        if (!SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_NORMAL, g.timeoutMs, &r))
            return false;
        Sleep(100);
        wchar_t now[1024] = {};
        return SendMessageTimeoutW(name, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(now), SMTO_NORMAL, g.timeoutMs, &r) &&
               path == now;
    }, 20, true);
    if (!typed) Fail("the name box does not keep " + a[1]);
    g_StopwatchStart = NowMs();
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    if (!Poll([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog) || !UnexpectedBoxes().empty(); }, 20, true))
        Fail(DescribeBox(dialog) + " stays open");
}

// command-dialog ID CAPTION: the command, then its dialog taken over; prints how long the
// dialog took to appear (its initialisation included).
void VerbCommandDialog(const Args& a) {
    DWORD t0 = GetTickCount();
    VerbCommand({a[0]});
    VerbDialog({a[1]});
    printf("%s: %lu ms to dialog\n", a[0].c_str(), GetTickCount() - t0);
}

// main: the program's window; dialog: the one last taken over with `dialog`.
HWND TopWindow(const std::string& which) {
    if (which == "main") return MainWindow();
    if (which != "dialog") Fail("window " + which + " (main dialog)");
    Watch(true);
    if (g.dialogs.empty()) Fail("no open dialog taken over with `dialog`");
    return g.dialogs.back();
}

std::string DescribeParent(HWND parent) { return parent == g.main ? "the main window" : DescribeBox(parent); }

// A child by id, or as class:NAME the first child window of that class.
HWND ChildControl(HWND parent, const std::string& which) {
    if (which.rfind("class:", 0) == 0) {
        const std::string cls = which.substr(6);
        for (HWND c : Children(parent))
            if (lstrcmpiA(ClassOf(c).c_str(), cls.c_str()) == 0) return c;
        Fail("no child of class " + cls + " in " + DescribeParent(parent));
    }
    HWND c = GetDlgItem(parent, int(Id(which)));
    if (!c) Fail("no control " + which + " in " + DescribeParent(parent));
    return c;
}

HWND DialogItem(const std::string& id) { return ChildControl(TopWindow("dialog"), id); }

void VerbDlgClick(const Args& a) {
    Expect("control " + a[0] + " clicked");
    HWND c = DialogItem(a[0]);
    if (!IsWindowEnabled(c)) Fail("the control is disabled");
    PostMessageA(c, BM_CLICK, 0, 0);
}

// A real mouse click (button down and up posted) that does not wait for the program:
// it reaches a long operation that takes one message at a time.
void VerbDlgMouseClick(const Args& a) {
    Expect("control " + a[0] + " clicked with the mouse");
    HWND c = DialogItem(a[0]);
    PostMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(c, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
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

// save-text WINDOW CONTROL PATH: the control's text as the program itself reads it (WM_GETTEXT
// in code page 932), written to PATH as it is: no conversion, no line break added.
void VerbSaveText(const Args& a) {
    Expect("the text of " + a[0] + " " + a[1] + " in a file");
    // The ANSI message converts with the driver's own code page.
    if (GetACP() != 932) Fail(Format("the driver runs with code page %u, not 932", GetACP()));
    HWND c = ChildControl(TopWindow(a[0]), a[1]);
    Settle();
    // Over there the length may count characters, not bytes: room for two bytes each.
    std::string text(2 * size_t(SendBounded(c, WM_GETTEXTLENGTH, 0, 0)) + 2, '\0');
    LRESULT n = SendBounded(c, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(strnlen(text.data(), size_t(std::max<LRESULT>(n, 0))));
    if (!WriteAll(a[2], text)) Fail(Format("cannot write %s (error %lu)", a[2].c_str(), GetLastError()));
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

// dlg-combo ID INDEX: selects item INDEX of a combo box and tells the dialog as a user's pick
// does (CBN_SELCHANGE); dlg-combo-is ID INDEX waits until the box shows item INDEX, which is
// how a pick the program turned down is seen.
void VerbDlgCombo(const Args& a) {
    Expect("combo box " + a[0] + " set to item " + a[1]);
    HWND c = DialogItem(a[0]);
    if (!IsWindowEnabled(c)) Fail("the control is disabled");
    LRESULT index = Number(a[1]);
    if (SendBounded(c, CB_SETCURSEL, WPARAM(index), 0) != index) Fail("no such item");
    PostMessageA(GetParent(c), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c), CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
    Settle();
}

// dlg-type ID TEXT: selects an edit box's text and types ASCII TEXT over it, one WM_CHAR a
// character (a backspace for an empty TEXT), so the box tells its dialog of each change as
// it does for a user; WM_SETTEXT does not under Wine.
void VerbDlgType(const Args& a) {
    Expect("control " + a[0] + " typed over with " + Quote(a[1]));
    HWND c = DialogItem(a[0]);
    for (unsigned char ch : a[1])
        if (ch < 0x20 || ch > 0x7E) Fail("only ASCII can be typed");
    SendBounded(c, EM_SETSEL, 0, -1);
    if (a[1].empty()) PostMessageA(c, WM_CHAR, VK_BACK, 1);
    for (unsigned char ch : a[1]) PostMessageA(c, WM_CHAR, ch, 1);
    Settle();
}

// dlg-focus ID: moves the keyboard focus to a control as a click into it would
// (WM_NEXTDLGCTL), and waits until the program's focus is there.
void VerbDlgFocus(const Args& a) {
    Expect("focus in control " + a[0]);
    HWND c = DialogItem(a[0]);
    PostMessageA(GetParent(c), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(c, nullptr);
    if (!Poll([&] { return GetGUIThreadInfo(thread, &info) && info.hwndFocus == c; }, 20, true))
        Fail(info.hwndFocus ? "the focus is in " + ClassOf(info.hwndFocus) : std::string("no focus"));
    Settle();
}

void VerbDlgComboIs(const Args& a) {
    Expect("combo box " + a[0] + " showing item " + a[1]);
    HWND c = DialogItem(a[0]);
    LRESULT want = Number(a[1]), seen = CB_ERR;
    if (!Poll([&] { seen = SendBounded(c, CB_GETCURSEL, 0, 0); return seen == want; }, 20, true))
        Fail(Format("item %ld", long(seen)));
}

// ---------------------------------------------------------------------------------------------
// Dragging out of the program: a drop-target window of the driver's own (OLE marshals it to
// the program's DoDragDrop), and real input through SendInput, which Wine turns into X events,
// since OLE follows the buttons and keys themselves, not posted messages.

struct DropRecord {
    int drops = 0;
    std::vector<CLIPFORMAT> formats;  // in the order EnumFormatEtc gave them
    std::vector<std::wstring> files;  // CF_HDROP
    std::string text;                 // CF_TEXT up to its zero
    bool hasText = false;
    DWORD effect = 0;                 // what the target answered
};

struct DropTargetWindow {
    CRITICAL_SECTION lock;
    DropRecord record;
    // What the target does to the dropped file, as targets may: moves it to Path (into it,
    // when a folder), or writes the bytes of the file Path over it.
    bool move = false, write = false;
    std::wstring path;
    RECT rect{};
    HANDLE thread = nullptr, ready = nullptr;
    HWND wnd = nullptr;
    DropTargetWindow() { InitializeCriticalSection(&lock); }
};
DropTargetWindow g_Target;

class DriverDropTarget final : public IDropTarget {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IDropTarget) || IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs);
        if (n == 0) delete this;
        return ULONG(n);
    }
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override { return Answer(effect); }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override { return Answer(effect); }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        DropRecord r;
        IEnumFORMATETC* e = nullptr;
        if (data->EnumFormatEtc(DATADIR_GET, &e) == S_OK && e) {
            FORMATETC fe;
            while (e->Next(1, &fe, nullptr) == S_OK) {
                r.formats.push_back(fe.cfFormat);
                CoTaskMemFree(fe.ptd);
            }
            e->Release();
        }
        FORMATETC hdrop{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM m{};
        if (data->GetData(&hdrop, &m) == S_OK) {
            UINT n = DragQueryFileW(HDROP(m.hGlobal), 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < n; ++i) {
                wchar_t name[MAX_PATH * 2] = {};
                DragQueryFileW(HDROP(m.hGlobal), i, name, MAX_PATH * 2);
                r.files.push_back(name);
            }
            ReleaseStgMedium(&m);
        }
        FORMATETC text{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        if (data->GetData(&text, &m) == S_OK) {
            const char* p = static_cast<const char*>(GlobalLock(m.hGlobal));
            if (p) r.text.assign(p, strnlen(p, GlobalSize(m.hGlobal)));
            r.hasText = p != nullptr;
            GlobalUnlock(m.hGlobal);
            ReleaseStgMedium(&m);
        }
        Answer(effect);
        EnterCriticalSection(&g_Target.lock);
        const bool move = g_Target.move, write = g_Target.write;
        std::wstring path = g_Target.path;
        LeaveCriticalSection(&g_Target.lock);
        if (!r.files.empty()) {
            const std::wstring& dropped = r.files.front();
            DWORD attr = GetFileAttributesW(path.c_str());
            if (move && attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
                path += L"\\" + dropped.substr(dropped.find_last_of(L'\\') + 1);
            if (move) MoveFileW(dropped.c_str(), path.c_str());
            if (write) CopyFileW(path.c_str(), dropped.c_str(), FALSE);
        }
        r.effect = *effect;
        EnterCriticalSection(&g_Target.lock);
        r.drops = g_Target.record.drops + 1;
        g_Target.record = r;
        LeaveCriticalSection(&g_Target.lock);
        return S_OK;
    }

private:
    HRESULT Answer(DWORD* effect) {
        EnterCriticalSection(&g_Target.lock);
        DWORD want = g_Target.move ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
        LeaveCriticalSection(&g_Target.lock);
        *effect = (*effect & want) ? want : DROPEFFECT_NONE;
        return S_OK;
    }
    LONG refs = 1;
};

LRESULT CALLBACK DropTargetProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        RevokeDragDrop(w);
        DestroyWindow(w);
        return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(w, msg, wp, lp);
}

// The window lives on a thread of its own, whose message loop OLE needs while the program's
// drag asks the target across processes.
DWORD WINAPI DropTargetThread(void*) {
    OleInitialize(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DropTargetProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"PixdrvDropTarget";
    RegisterClassW(&wc);
    const RECT& r = g_Target.rect;
    HWND w = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"drop target", WS_POPUP | WS_BORDER,
                             r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    auto* target = new DriverDropTarget;
    if (w && RegisterDragDrop(w, target) == S_OK) {
        ShowWindow(w, SW_SHOWNOACTIVATE);
        UpdateWindow(w);
        g_Target.wnd = w;
    } else if (w) {
        DestroyWindow(w);
    }
    target->Release();
    SetEvent(g_Target.ready);
    MSG msg;
    while (g_Target.wnd && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    OleUninitialize();
    return 0;
}

void CloseDropTarget() {
    if (!g_Target.thread) return;
    if (g_Target.wnd) PostMessageW(g_Target.wnd, WM_CLOSE, 0, 0);
    WaitForSingleObject(g_Target.thread, 5000);
    CloseHandle(g_Target.thread);
    CloseHandle(g_Target.ready);
    g_Target.thread = g_Target.ready = nullptr;
    g_Target.wnd = nullptr;
}

POINT ClientToScreenPoint(long x, long y) {
    POINT pt{x, y};
    ClientToScreen(MainWindow(), &pt);
    return pt;
}

// droptarget open X Y W H [move PATH|write PATH] | clear | close. X Y in the main window's client.
void VerbDropTarget(const Args& a) {
    Expect("drop target " + a[0]);
    if (a[0] == "close" || a[0] == "clear") {
        if (a[0] == "close") CloseDropTarget();
        EnterCriticalSection(&g_Target.lock);
        g_Target.record = {};
        LeaveCriticalSection(&g_Target.lock);
        return;
    }
    if (a[0] != "open" || a.size() < 5 || a.size() == 6 || (a.size() == 7 && a[5] != "move" && a[5] != "write"))
        Fail("open X Y W H [move PATH|write PATH] | clear | close");
    CloseDropTarget();
    POINT pt = ClientToScreenPoint(Number(a[1]), Number(a[2]));
    g_Target.rect = {pt.x, pt.y, pt.x + Number(a[3]), pt.y + Number(a[4])};
    g_Target.record = {};
    g_Target.move = a.size() == 7 && a[5] == "move";
    g_Target.write = a.size() == 7 && a[5] == "write";
    g_Target.path = a.size() == 7 ? WidePath(a[6]) : std::wstring();
    g_Target.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_Target.thread = CreateThread(nullptr, 0, DropTargetThread, nullptr, 0, nullptr);
    if (!g_Target.thread || WaitForSingleObject(g_Target.ready, 10000) != WAIT_OBJECT_0 || !g_Target.wnd)
        Fail("no drop-target window (OleInitialize or RegisterDragDrop failed)");
}

std::string FormatName(CLIPFORMAT cf) {
    if (cf == CF_HDROP) return "CF_HDROP";
    if (cf == CF_TEXT) return "CF_TEXT";
    char name[64] = "";
    if (GetClipboardFormatNameA(cf, name, sizeof name)) return name;
    return Format("%u", cf);
}

std::string RecordText(const DropRecord& r) {
    std::string s = Format("%d drops; formats", r.drops);
    for (CLIPFORMAT cf : r.formats) s += " " + FormatName(cf);
    s += "; files";
    for (const std::wstring& f : r.files) s += " " + Quote(Narrow(f, 932));
    s += "; text " + (r.hasText ? Quote(r.text) : std::string("none"));
    return s + Format("; effect %lu", r.effect);
}

DropRecord DropSeen() {
    EnterCriticalSection(&g_Target.lock);
    DropRecord r = g_Target.record;
    LeaveCriticalSection(&g_Target.lock);
    return r;
}

// droptarget-has formats F,F... | hdrop PATH | text PATH | effect copy|move
void VerbDropTargetHas(const Args& a) {
    Expect("a drop with " + a[0] + " " + a[1]);
    auto holds = [&](const DropRecord& r) {
        if (r.drops == 0) return false;
        if (a[0] == "formats") {
            std::string list;
            for (CLIPFORMAT cf : r.formats) {
                if (!list.empty()) list += ",";
                list += FormatName(cf);
            }
            return list == a[1];
        }
        if (a[0] == "hdrop") return r.files.size() == 1 && r.files[0] == WidePath(a[1]);
        if (a[0] == "text") return r.hasText && r.text == Sjis(a[1]);
        if (a[0] == "effect") return r.effect == (a[1] == "move" ? DROPEFFECT_MOVE : DROPEFFECT_COPY);
        Fail("what: formats hdrop text effect");
    };
    if (!Poll([&] { return holds(DropSeen()); }, 20, true)) Fail(RecordText(DropSeen()));
}

void VerbDropTargetNone(const Args&) {
    Expect("no drop");
    Settle();
    Sleep(300);
    DropRecord r = DropSeen();
    if (r.drops) Fail(RecordText(r));
}

void SendMouse(DWORD flags, POINT screen) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = LONG(screen.x * 65535LL / std::max(1, GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy = LONG(screen.y * 65535LL / std::max(1, GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

// real-mouse ldown|lup|rdown|rup|move|jump X Y: the pointer goes to client X,Y (move glides in
// 10-pixel steps, jump goes at once) and the button acts there. Nothing waits for the program:
// inside a drag it is in OLE's own loop.
void VerbRealMouse(const Args& a) {
    static const struct { const char* name; DWORD flags; } kActions[] = {
        {"ldown", MOUSEEVENTF_LEFTDOWN}, {"lup", MOUSEEVENTF_LEFTUP}, {"rdown", MOUSEEVENTF_RIGHTDOWN},
        {"rup", MOUSEEVENTF_RIGHTUP},    {"move", 0},                 {"jump", 0},
    };
    Expect("real mouse " + a[0]);
    const DWORD* flags = nullptr;
    for (const auto& act : kActions)
        if (a[0] == act.name) flags = &act.flags;
    if (!flags) Fail("action (ldown lup rdown rup move jump)");
    POINT to = ClientToScreenPoint(Number(a[1]), Number(a[2]));
    if (a[0] == "move") {
        POINT from;
        GetCursorPos(&from);
        int steps = int(std::max(std::abs(to.x - from.x), std::abs(to.y - from.y)) / 10);
        for (int i = 1; i < steps; ++i) {
            SendMouse(0, {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
            Sleep(15);
        }
    }
    SendMouse(*flags, to);
    Sleep(150);
}

void VerbRealKey(const Args& a) {
    Expect("real key " + a[0]);
    const KeyName* key = nullptr;
    for (const KeyName& k : kKeys)
        if (a[0] == k.name) key = &k;
    if (!key) Fail("key name of the key verb");
    INPUT in[2]{};
    for (int i = 0; i < 2; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = WORD(key->vk);
        in[i].ki.dwFlags = (key->extended ? KEYEVENTF_EXTENDEDKEY : 0) | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, in, sizeof in[0]);
    Sleep(150);
}

// run PROGRAM [ARGS...]: a helper program of the build; fails unless it exits with 0. Its
// output goes to the driver's.
void VerbRun(const Args& a, const std::string& rest) {
    Expect(a[0] + " exits with 0");
    std::wstring line = WidePath(rest);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    fflush(stdout);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        Fail(Format("cannot start it (error %lu)", GetLastError()));
    DWORD code = 0;
    bool ended = WaitForSingleObject(pi.hProcess, g.timeoutMs) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!ended) Fail("still running at the deadline");
    if (code != 0) Fail(Format("exit code %lu", code));
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
    {"app-folder", 1, 1, VerbAppFolder, nullptr},
    {"start", 0, -1, nullptr, VerbStart},
    {"start-timed", 1, -1, nullptr, VerbStartTimed},
    {"title", 1, 1, VerbTitle, nullptr},
    {"title-has", 1, 1, VerbTitleHas, nullptr},
    {"title-not-has", 1, 1, VerbTitleNotHas, nullptr},
    {"status", 2, 2, VerbStatus, nullptr},
    {"status-has", 2, 2, VerbStatusHas, nullptr},
    {"command", 1, 1, VerbCommand, nullptr},
    {"key", 1, 1, VerbKey, nullptr},
    {"keys", 2, 2, VerbKeys, nullptr},
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
    {"save-text", 3, 3, VerbSaveText, nullptr},
    {"idle", 0, 0, VerbIdle, nullptr},
    {"size", 2, 2, VerbSize, nullptr},
    {"pixel", 3, 4, VerbPixel, nullptr},
    {"pixel-not", 3, 4, VerbPixelNot, nullptr},
    {"menu", 2, 2, VerbMenu, nullptr},
    {"button", 2, 2, VerbButton, nullptr},
    {"popup", 4, 4, VerbPopup, nullptr},
    {"time-redraw", 1, 2, VerbTimeRedraw, nullptr},
    {"screenshot", 1, 1, VerbScreenshot, nullptr},
    {"screen-same", 5, 5, VerbScreenSame, nullptr},
    {"stopwatch", 1, 1, VerbStopwatch, nullptr},
    {"emf-render", 2, 2, VerbEmfRender, nullptr},
    {"private-bytes", 1, 2, VerbPrivateBytes, nullptr},
    {"objects", 1, 4, VerbObjects, nullptr},
    {"kill", 0, 0, VerbKill, nullptr},
    {"kill-after", 1, 1, VerbKillAfter, nullptr},
    {"close", 0, 0, VerbClose, nullptr},
    {"exits", 0, 1, VerbExits, nullptr},
    {"alive", 0, 0, VerbAlive, nullptr},
    {"file-exists", 1, 1, VerbFileExists, nullptr},
    {"file-missing", 1, 1, VerbFileMissing, nullptr},
    {"reg-delete", 1, 1, VerbRegDelete, nullptr},
    {"reg-dword", 3, 3, VerbRegDword, nullptr},
    {"reg-sz", 3, 3, VerbRegSz, nullptr},
    {"reg-missing", 2, 2, VerbRegMissing, nullptr},
    {"reg-set-dword", 3, 3, VerbRegSetDword, nullptr},
    {"reg-set-sz", 3, 3, VerbRegSetSz, nullptr},
    {"mkdir", 1, 1, VerbMkdir, nullptr},
    {"copy", 2, 2, VerbCopy, nullptr},
    {"delete", 1, 1, VerbDelete, nullptr},
    {"dlg-mouse-click", 1, 1, VerbDlgMouseClick, nullptr},
    {"command-dialog", 2, 2, VerbCommandDialog, nullptr},
    {"copy-many", 4, 4, VerbCopyMany, nullptr},
    {"set-time", 2, 2, VerbSetTime, nullptr},
    {"file-text", 2, 2, VerbFileText, nullptr},
    {"file-has", 2, 2, VerbFileHas, nullptr},
    {"file-same", 2, 2, VerbFileSame, nullptr},
    {"attrib", 2, 2, VerbAttrib, nullptr},
    {"hold", 1, 1, VerbHold, nullptr},
    {"unhold", 1, 1, VerbUnhold, nullptr},
    {"clip-clear", 0, 0, VerbClipClear, nullptr},
    {"clip-save", 2, 2, VerbClipSave, nullptr},
    {"clip-missing", 1, 1, VerbClipMissing, nullptr},
    {"save-dialog", 2, 2, VerbSaveDialog, nullptr},
    {"droptarget", 1, 7, VerbDropTarget, nullptr},
    {"droptarget-has", 2, 2, VerbDropTargetHas, nullptr},
    {"droptarget-none", 0, 0, VerbDropTargetNone, nullptr},
    {"real-mouse", 3, 3, VerbRealMouse, nullptr},
    {"real-key", 1, 1, VerbRealKey, nullptr},
    {"run", 1, -1, nullptr, VerbRun},
    {"echo", 0, -1, nullptr, VerbEcho},
    {"sleep", 1, 1, VerbSleep, nullptr},
    {"timeout", 1, 1, VerbTimeout, nullptr},
    {"dlg-combo", 2, 2, VerbDlgCombo, nullptr},
    {"dlg-combo-is", 2, 2, VerbDlgComboIs, nullptr},
    {"dlg-type", 2, 2, VerbDlgType, nullptr},
    {"dlg-focus", 1, 1, VerbDlgFocus, nullptr},
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
        {"ARCH", &State::arch}, {"DRIVERPID", &State::driverPid},
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
    _setmode(_fileno(stdout), _O_BINARY);  // plain \n for the Unix side
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
        g.expected = "valid arguments";
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
