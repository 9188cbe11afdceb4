#include "image/Preload_win.h"

#include <memory>

#include "base/Limits.h"
#include "base/Workers.h"
#include "image/ImageFormat.h"
#include "image/Image_win.h"
#include "image/JpegDecode.h"

namespace {

// Four camera pictures of 24 megapixels with their files: with the picture shown, two spare
// bitmaps and the decoder's own buffers the process stays under 1 GiB of its address space.
constexpr uint64_t kPreloadBudget = uint64_t{400} << 20;
constexpr UINT WM_JOB_DONE = WM_APP + 1;

// A job's pixels and file bytes while the cache holds them.
struct Payload {
    DecodedJpeg Picture;
};

void ReleasePayload(void* payload) {
    auto* p = static_cast<Payload*>(payload);
    if (!p) return;
    FreeDecodedJpeg(p->Picture);
    delete p;
}

// Bitmaps whose memory a decode may write again; main thread only.
struct SpareBitmap {
    HBITMAP Bitmap = nullptr;
    void* Bits = nullptr;
    int Width = 0, Height = 0;
};
constexpr size_t kSpareBitmaps = 2;
std::vector<SpareBitmap> g_Spares;

SpareBitmap TakeSpare() {
    if (g_Spares.empty()) return {};
    SpareBitmap spare = g_Spares.back();
    g_Spares.pop_back();
    return spare;
}

// The decoder's rows go into a DIB section: a spare one of the right size, else a new one
// made by the calling thread (which then hands it over with its result).
struct DibTarget : PixelTarget {
    SpareBitmap Spare;
    HBITMAP Made = nullptr;
    bool SpareUsed = false;
    int Width = 0, Height = 0;
    uint8_t* Allocate(int width, int height) override {
        const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
        if (width <= 0 || height <= 0 || bytes > kMaxPixelBytes) return nullptr;
        Width = width;
        Height = height;
        if (Spare.Bitmap && Spare.Width == width && Spare.Height == height) {
            SpareUsed = true;
            return static_cast<uint8_t*>(Spare.Bits);
        }
        BITMAPINFO bi = {};
        bi.bmiHeader = DibHeader(width, height, 32);
        void* bits = nullptr;
        Made = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!Made) return nullptr;
        // Where locking is allowed (Wine), it brings in every page at once, many times faster
        // than a fault per page while the rows are written; where it is not, nothing changes.
        if (VirtualLock(bits, SIZE_T(bytes))) VirtualUnlock(bits, SIZE_T(bytes));
        return static_cast<uint8_t*>(bits);
    }
    // The bitmap holding the picture; the target keeps nothing afterwards.
    HBITMAP Result() {
        HBITMAP result = SpareUsed ? Spare.Bitmap : Made;
        if (SpareUsed) Spare = {};
        else Made = nullptr;
        return result;
    }
};

// Decoded into `target`; nullptr (and the new bitmap, if any, deleted) when not taken.
HBITMAP DecodeInto(DibTarget& target, const BYTE* data, DWORD size, int threads) {
    if (DecodeJpeg(data, size, target, threads) == JpegDecodeResult::Ok) return target.Result();
    if (target.Made) DeleteObject(target.Made);
    target.Made = nullptr;
    return nullptr;
}

PictureCache g_Cache(kPreloadBudget, ReleasePayload);

// The one running decode. The worker fills Result and then posts; the main thread reads
// Result only after the thread has ended.
struct RunningJob {
    PictureJob Job;
    HANDLE Thread = nullptr;
    LONG Id = 0;
    DibTarget Target;  // its spare comes back unless the decode used it
    std::optional<DecodedPicture> Result;
};
std::unique_ptr<RunningJob> g_Running;
LONG g_NextJobId = 0;
volatile LONG g_FileOpen = 0;  // the worker has a file open
int g_Quiet = 0;
HWND g_Window = nullptr;
void (*g_PictureReady)() = nullptr;

uint64_t Join(DWORD high, DWORD low) { return uint64_t(high) << 32 | low; }
uint64_t Join(const FILETIME& t) { return Join(t.dwHighDateTime, t.dwLowDateTime); }

}  // namespace

// The file's stamp through an open handle: size, times and identity.
bool ReadPictureStamp(HANDLE file, PictureStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandle(file, &info)) return false;
    stamp.Size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.WriteTime = Join(info.ftLastWriteTime);
    stamp.FileId = Join(info.nFileIndexHigh, info.nFileIndexLow) ^ (uint64_t(info.dwVolumeSerialNumber) << 40);
    stamp.ChangeTime = GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)
                           ? uint64_t(basic.ChangeTime.QuadPart)
                           : 0;
    return true;
}

bool ReadFileExactly(HANDLE file, BYTE* dest, DWORD size) {
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(file, dest + done, size - done, &got, nullptr) || got == 0) return false;
        done += got;
    }
    return true;
}

namespace {

// Opened so that a user may still delete, rename or replace the file while we read it.
HANDLE OpenShared(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool StampOfPath(const char* path, PictureStamp& stamp) {
    HANDLE file = OpenShared(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = ReadPictureStamp(file, stamp);
    CloseHandle(file);
    return ok;
}

// The file's bytes, times and stamp; it is open (g_FileOpen) only for this.
bool ReadJpegFile(const char* path, DecodedJpeg& p) {
    InterlockedExchange(&g_FileOpen, 1);
    bool ok = false;
    HANDLE file = OpenShared(path);
    if (file != INVALID_HANDLE_VALUE) {
        ok = ReadPictureStamp(file, p.Stamp) && p.Stamp.Size > 0 && p.Stamp.Size <= kMaxFileBytes &&
             GetFileTime(file, &p.Created, &p.Accessed, &p.Written);
        if (ok) {
            p.FileSize = DWORD(p.Stamp.Size);
            p.FileBlock = GlobalAlloc(GMEM_MOVEABLE, p.FileSize);
            BYTE* data = p.FileBlock ? static_cast<BYTE*>(GlobalLock(p.FileBlock)) : nullptr;
            ok = data && ReadFileExactly(file, data, p.FileSize);
            if (data) GlobalUnlock(p.FileBlock);
        }
        CloseHandle(file);
    }
    InterlockedExchange(&g_FileOpen, 0);
    return ok;
}

// The worker's whole job: read, check, decode.
std::optional<DecodedPicture> DecodeFile(const PictureJob& job, DibTarget& target) {
    auto payload = std::make_unique<Payload>();
    DecodedJpeg& p = payload->Picture;
    bool ok = ReadJpegFile(job.Path.c_str(), p);
    if (ok) {
        const BYTE* data = static_cast<const BYTE*>(GlobalLock(p.FileBlock));
        int width, height;
        ok = data && CheckPictureFile(data, p.FileSize, width, height) == ImageCheck::Ok &&
             (p.Bitmap = DecodeInto(target, data, p.FileSize, job.Urgent ? CoreCount() : 1)) != nullptr;
        p.Width = target.Width;
        p.Height = target.Height;
        GlobalUnlock(p.FileBlock);
    }
    if (!ok) {
        FreeDecodedJpeg(p);
        return std::nullopt;
    }
    DecodedPicture picture;
    picture.Bytes = uint64_t(p.Width) * uint64_t(p.Height) * 4 + p.FileSize;
    picture.Payload = payload.release();
    return picture;
}

DWORD WINAPI JobThread(LPVOID param) {
    auto* running = static_cast<RunningJob*>(param);
    running->Result = DecodeFile(running->Job, running->Target);
    PostMessageA(g_Window, WM_JOB_DONE, WPARAM(running->Id), 0);
    return 0;
}

void StartNextJob() {
    if (g_Running || g_Quiet > 0) return;
    std::optional<PictureJob> job = g_Cache.NextJob();
    if (!job) return;
    auto running = std::make_unique<RunningJob>();
    running->Job = *job;
    running->Id = ++g_NextJobId;
    running->Target.Spare = TakeSpare();
    running->Thread = CreateThread(nullptr, 0, JobThread, running.get(), 0, nullptr);
    if (!running->Thread) {
        RecycleBitmap(running->Target.Spare.Bitmap);
        g_Cache.Finished(*job, std::nullopt);  // the picture loader will read it when shown
        return;
    }
    g_Running = std::move(running);
}

// Waits for the running job to end and hands its result to the cache.
void FinishRunning() {
    std::unique_ptr<RunningJob> running = std::move(g_Running);
    WaitForSingleObject(running->Thread, INFINITE);
    CloseHandle(running->Thread);
    RecycleBitmap(running->Target.Spare.Bitmap);
    g_Cache.Finished(running->Job, running->Result);
}

LRESULT CALLBACK PreloadWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_JOB_DONE) return DefWindowProcA(wnd, msg, wp, lp);
    // A job already waited for by a load has been finished there.
    if (g_Running && LONG(wp) == g_Running->Id) {
        FinishRunning();
        StartNextJob();
        if (g_PictureReady) g_PictureReady();
    }
    return 0;
}

}  // namespace

void FreeDecodedJpeg(DecodedJpeg& picture) {
    if (picture.FileBlock) GlobalFree(picture.FileBlock);
    RecycleBitmap(picture.Bitmap);
    picture = DecodedJpeg{};
}

void RecycleBitmap(HBITMAP bitmap) {
    if (!bitmap) return;
    DIBSECTION dib;
    if (GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel != 32 || !dib.dsBm.bmBits ||
        dib.dsBmih.biHeight <= 0) {
        DeleteObject(bitmap);
        return;
    }
    if (g_Spares.size() == kSpareBitmaps) {
        DeleteObject(g_Spares.front().Bitmap);
        g_Spares.erase(g_Spares.begin());
    }
    g_Spares.push_back({bitmap, dib.dsBm.bmBits, int(dib.dsBm.bmWidth), int(dib.dsBm.bmHeight)});
}

HBITMAP DecodeJpegToBitmap(const BYTE* data, DWORD size, int threads) {
    DibTarget target;
    target.Spare = TakeSpare();
    HBITMAP bitmap = DecodeInto(target, data, size, threads);
    RecycleBitmap(target.Spare.Bitmap);
    return bitmap;
}

void StartPreloader(void (*pictureReady)()) {
    g_PictureReady = pictureReady;
    if (g_Window) return;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PreloadWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PixaroPreload";
    RegisterClassA(&wc);
    g_Window = CreateWindowExA(0, wc.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

void StopPreloader() {
    g_PictureReady = nullptr;
    g_Cache.Clear();
    if (g_Running) FinishRunning();
    g_Cache.Clear();
    for (SpareBitmap& spare : g_Spares) DeleteObject(spare.Bitmap);
    g_Spares.clear();
}

void PreloadPictures(const std::vector<std::string>& paths, bool firstUrgent) {
    if (!g_Window) return;
    g_Cache.Want(paths, firstUrgent);
    StartNextJob();
}

void ForgetPreloaded() { g_Cache.Clear(); }

void QuietPreloading(bool quiet) {
    if (!quiet) {
        if (--g_Quiet == 0) StartNextJob();
        return;
    }
    // Reading a file takes a moment; two seconds cover a slow drive without hanging on a dead one.
    if (g_Quiet++ == 0)
        for (int waited = 0; InterlockedCompareExchange(&g_FileOpen, 0, 0) != 0 && waited < 2000; waited += 5) Sleep(5);
}

bool TakePreloaded(const char* path, DecodedJpeg& out) {
    if (g_Running && g_Running->Job.Path == path) {
        FinishRunning();
        StartNextJob();
    }
    std::optional<DecodedPicture> picture = g_Cache.Take(path);
    if (!picture) return false;
    std::unique_ptr<Payload> payload(static_cast<Payload*>(picture->Payload));
    // Deleted, replaced or written since it was decoded: the file is read again.
    PictureStamp now;
    if (!StampOfPath(path, now) || !(now == payload->Picture.Stamp)) {
        FreeDecodedJpeg(payload->Picture);
        return false;
    }
    out = payload->Picture;
    return true;
}

namespace {
DecodedJpeg g_Shown;  // times and stamp only
std::string g_ShownPath;
}  // namespace

void NoteShownPicture(const char* path, const DecodedJpeg& picture) {
    g_Shown = picture;
    g_Shown.Bitmap = nullptr;
    g_Shown.FileBlock = nullptr;
    g_ShownPath = path;
}

void ForgetShownPicture() { g_ShownPath.clear(); }

bool HandBackShownPicture(const char* path, HBITMAP bitmap, HGLOBAL fileBlock, DWORD fileSize) {
    if (g_ShownPath.empty() || g_ShownPath != path || !bitmap || !fileBlock || !g_Window) return false;
    auto payload = std::make_unique<Payload>();
    payload->Picture = g_Shown;
    payload->Picture.Bitmap = bitmap;
    payload->Picture.FileBlock = fileBlock;
    payload->Picture.FileSize = fileSize;
    DecodedPicture picture;
    picture.Bytes = uint64_t(g_Shown.Width) * uint64_t(g_Shown.Height) * 4 + fileSize;
    picture.Payload = payload.release();
    g_ShownPath.clear();
    g_Cache.Keep(path, picture);
    return true;
}

bool PreloadHolds(const char* path) { return g_Cache.Holds(path); }
bool PreloadFailed(const char* path) { return g_Cache.Failed(path); }
bool PreloadRunning(const char* path) { return g_Cache.Running(path); }
