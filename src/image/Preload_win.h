// JPEG pictures decoded on a worker thread before they are shown: the folder's neighbours
// of the current picture, and the picture the user just stepped to. The worker decodes into
// a DIB section of its own (or the memory of one the main thread has finished with, handed
// to it with the job) and hands it over by message; it never touches the main thread's GDI
// objects. The pages are written once, on the worker, so showing the picture costs nothing.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "image/PictureCache.h"

// A file as it was when decoded: a picture is used only while the file still matches it.
// The change time and the file's identity catch a replacement that kept size and write time.
struct PictureStamp {
    uint64_t Size = 0;
    uint64_t WriteTime = 0;
    uint64_t ChangeTime = 0;
    uint64_t FileId = 0;
    bool operator==(const PictureStamp&) const = default;
};

// A JPEG file read and decoded: its bytes, times and pixels (32-bit, bottom-up).
struct DecodedJpeg {
    HGLOBAL FileBlock = nullptr;
    DWORD FileSize = 0;
    FILETIME Created = {}, Accessed = {}, Written = {};
    HBITMAP Bitmap = nullptr;  // 32-bit DIB section, bottom-up
    int Width = 0, Height = 0;
    PictureStamp Stamp;
};
void FreeDecodedJpeg(DecodedJpeg& picture);

// Decodes the bytes into a 32-bit DIB section; nullptr when this decoder does not take them
// (the picture loader then does) or the memory cannot be had.
HBITMAP DecodeJpegToBitmap(const BYTE* data, DWORD size, int threads);
// A bitmap no longer shown: its memory is kept for the next picture of the same size,
// whose decode then writes pages already in place (page faults dominate on some machines).
void RecycleBitmap(HBITMAP bitmap);

// Called on the main thread whenever a decode ended, kept or not.
void StartPreloader(void (*pictureReady)());
void StopPreloader();
// The files wanted, most wanted first; firstUrgent: the user waits for the first one.
void PreloadPictures(const std::vector<std::string>& paths, bool firstUrgent);
// While a command runs no file is read ahead, so that nothing of ours is open when the
// command writes, renames or deletes files; the first call waits until the worker has
// closed its file. Calls nest.
void QuietPreloading(bool quiet);
// The folder or its order changed.
void ForgetPreloaded();
// The decoded file of `path` when one is held, or being decoded (then waited for), and the
// file is still the one decoded.
bool TakePreloaded(const char* path, DecodedJpeg& out);
bool PreloadHolds(const char* path);
// The picture the window now shows came from the decoder (times and stamp of `picture`; its
// bitmap and bytes belong to the window), or it did not.
void NoteShownPicture(const char* path, const DecodedJpeg& picture);
void ForgetShownPicture();
// The window moves on from the noted picture, unchanged: the cache takes its bitmap and bytes,
// so that stepping back shows it at once. False (nothing taken) when it was not noted.
bool HandBackShownPicture(const char* path, HBITMAP bitmap, HGLOBAL fileBlock, DWORD fileSize);
// Reads `size` bytes from the file's position; false on any short read.
bool ReadFileExactly(HANDLE file, BYTE* dest, DWORD size);
// The stamp of an open file.
bool ReadPictureStamp(HANDLE file, PictureStamp& stamp);
bool PreloadFailed(const char* path);
bool PreloadRunning(const char* path);
