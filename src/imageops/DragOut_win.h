// Dragging the current file out of the window: an OLE data object offering CF_HDROP then
// CF_TEXT, a drop source that follows the mouse buttons and Escape, and the drag itself.
#pragma once
#include <windows.h>
#include <ole2.h>

// One offered format and, once given, its medium.
struct FormatEntry {
    FORMATETC Format = {};
    STGMEDIUM Medium = {};  // tymed TYMED_NULL until SetData stores one
};

class TDataObject final : public IDataObject {
public:
    explicit TDataObject(int capacity);
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD connection) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) override;

private:
    ~TDataObject();
    HRESULT Find(const FORMATETC* format, FormatEntry** found);
    LONG Refs = 1;
    FormatEntry* Entries = nullptr;
    int Capacity = 0;
    int Used = 0;
};

class TDropSource final : public IDropSource {
public:
    explicit TDropSource(HWND notify) : Notify(notify) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    STDMETHODIMP GiveFeedback(DWORD effect) override;
    // The window told once the drag has ended (not on every Release: OLE releases the
    // source more than once during a drag).
    HWND Notify;

private:
    ~TDropSource() = default;
    LONG Refs = 1;
};

class CEnumFORMATETC final : public IEnumFORMATETC {
public:
    // Copies `count` formats (target devices included); Count is 0 when that failed.
    CEnumFORMATETC(const FORMATETC* formats, int count, int position);
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, FORMATETC* out, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumFORMATETC** out) override;
    int Count = 0;

private:
    ~CEnumFORMATETC();
    LONG Refs = 1;
    FORMATETC* Formats = nullptr;
    int Capacity = 0;
    int Position = 0;
};

// The CF_HDROP block for `path` (ANSI) entered `repeat` times; with `wide` the paths are
// converted to UTF-16. Null when out of memory.
HGLOBAL MakeDropFilesGlobal(const char* path, int repeat, bool wide);
// The CF_TEXT block: the path and its zero. Null when out of memory.
HGLOBAL MakeTextGlobal(const char* path);

// Runs one drag of the file at `path`; returns when it has ended. Afterwards `notify` is
// posted WM_APP once, wParam the DiskChange of the file during the drag.
void DragOutCurrentFile(HWND notify, const char* path);
