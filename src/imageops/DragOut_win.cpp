#include "imageops/DragOut_win.h"

#include <cstring>
#include <new>
#include <string>

#include "imageops/DragOutData.h"

namespace {

// A caller's target device is its own memory: entries and enumerators keep copies.
DVTARGETDEVICE* CopyTargetDevice(const DVTARGETDEVICE* td) {
    if (!td) return nullptr;
    auto* copy = static_cast<DVTARGETDEVICE*>(CoTaskMemAlloc(td->tdSize));
    if (copy) std::memcpy(copy, td, td->tdSize);
    return copy;
}

bool CopyFormat(const FORMATETC& from, FORMATETC& to) {
    to = from;
    to.ptd = CopyTargetDevice(from.ptd);
    return !from.ptd || to.ptd;
}

// The handle of a medium duplicated, or null where it cannot be.
HANDLE DuplicateHandleOf(const STGMEDIUM& medium, CLIPFORMAT format) {
    switch (medium.tymed) {
    case TYMED_HGLOBAL:
    case TYMED_FILE:
    case TYMED_GDI:
    case TYMED_MFPICT:
    case TYMED_ENHMF: return OleDuplicateData(medium.hGlobal, format, 0);
    default: return nullptr;
    }
}

// The medium's type and releasing object copied, the releasing object's count raised.
bool CopyMedium(const STGMEDIUM& from, CLIPFORMAT format, STGMEDIUM& to) {
    HANDLE copy = DuplicateHandleOf(from, format);
    if (!copy) return false;
    to.tymed = from.tymed;
    to.hGlobal = static_cast<HGLOBAL>(copy);
    to.pUnkForRelease = from.pUnkForRelease;
    if (to.pUnkForRelease) to.pUnkForRelease->AddRef();
    return true;
}

HGLOBAL GlobalFromBytes(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) return nullptr;
    void* p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(p, bytes, size);
    GlobalUnlock(block);
    return block;
}

bool ReadStamp(const char* path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    stamp = {};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    stamp.Exists = true;
    stamp.WriteTime = uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    stamp.Size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    return true;
}

// Hands a block to the data object; true when it took it over.
bool Offer(TDataObject* data, CLIPFORMAT format, HGLOBAL block) {
    if (!block) return false;
    FORMATETC fe = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    if (data->SetData(&fe, &medium, TRUE) == S_OK) return true;
    GlobalFree(block);
    return false;
}

}  // namespace

// TDataObject

TDataObject::TDataObject(int capacity) {
    Entries = new (std::nothrow) FormatEntry[size_t(capacity > 0 ? capacity : 0)];
    if (Entries) Capacity = capacity;
}

TDataObject::~TDataObject() {
    for (int i = 0; i < Used; ++i) {
        CoTaskMemFree(Entries[i].Format.ptd);
        if (Entries[i].Medium.tymed != TYMED_NULL) ReleaseStgMedium(&Entries[i].Medium);
    }
    delete[] Entries;
}

STDMETHODIMP TDataObject::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IDataObject) || IsEqualIID(iid, IID_IUnknown)) {
        *out = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TDataObject::AddRef() { return ULONG(InterlockedIncrement(&Refs)); }

STDMETHODIMP_(ULONG) TDataObject::Release() {
    LONG n = InterlockedDecrement(&Refs);
    if (n == 0) delete this;
    return ULONG(n);
}

HRESULT TDataObject::Find(const FORMATETC* format, FormatEntry** found) {
    if (!(format->dwAspect & DVASPECT_CONTENT)) return DV_E_DVASPECT;
    for (int i = 0; i < Used; ++i)
        if (Entries[i].Format.cfFormat == format->cfFormat && (Entries[i].Format.tymed & format->tymed)) {
            *found = &Entries[i];
            return S_OK;
        }
    return DV_E_FORMATETC;
}

STDMETHODIMP TDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) return E_INVALIDARG;
    FormatEntry* entry = nullptr;
    HRESULT hr = Find(format, &entry);
    if (hr != S_OK) return hr;
    STGMEDIUM copy = {};
    if (!CopyMedium(entry->Medium, entry->Format.cfFormat, copy)) return E_OUTOFMEMORY;
    *medium = copy;
    return S_OK;
}

STDMETHODIMP TDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

STDMETHODIMP TDataObject::QueryGetData(FORMATETC* format) {
    if (!format) return E_INVALIDARG;
    FormatEntry* entry = nullptr;
    return Find(format, &entry);
}

STDMETHODIMP TDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) { return E_NOTIMPL; }

STDMETHODIMP TDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
    if (!format || !medium) return E_INVALIDARG;
    if (Used >= Capacity) return E_OUTOFMEMORY;
    FormatEntry entry;
    if (!CopyFormat(*format, entry.Format)) return E_OUTOFMEMORY;
    if (release) {
        entry.Medium = *medium;
    } else if (!CopyMedium(*medium, format->cfFormat, entry.Medium)) {
        CoTaskMemFree(entry.Format.ptd);
        return E_OUTOFMEMORY;
    }
    Entries[Used++] = entry;
    return S_OK;
}

STDMETHODIMP TDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC formats[8];
    FORMATETC* list = Used <= 8 ? formats : new (std::nothrow) FORMATETC[size_t(Used)];
    if (!list) return E_OUTOFMEMORY;
    for (int i = 0; i < Used; ++i) list[i] = Entries[i].Format;
    auto* e = new (std::nothrow) CEnumFORMATETC(list, Used, 0);
    if (list != formats) delete[] list;
    if (!e) return E_OUTOFMEMORY;
    if (e->Count != Used) {
        e->Release();
        return E_OUTOFMEMORY;
    }
    *out = e;
    return S_OK;
}

STDMETHODIMP TDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP TDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP TDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

// TDropSource

STDMETHODIMP TDropSource::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IDropSource) || IsEqualIID(iid, IID_IUnknown)) {
        *out = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TDropSource::AddRef() { return ULONG(InterlockedIncrement(&Refs)); }

STDMETHODIMP_(ULONG) TDropSource::Release() {
    LONG n = InterlockedDecrement(&Refs);
    if (n == 0) delete this;
    return ULONG(n);
}

STDMETHODIMP TDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
    const bool left = keyState & MK_LBUTTON, right = keyState & MK_RBUTTON;
    if (escapePressed || (left && right)) return DRAGDROP_S_CANCEL;
    if (left || right) return S_OK;
    return DRAGDROP_S_DROP;
}

STDMETHODIMP TDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

// CEnumFORMATETC

CEnumFORMATETC::CEnumFORMATETC(const FORMATETC* formats, int count, int position) : Position(position) {
    Formats = new (std::nothrow) FORMATETC[size_t(count > 0 ? count : 1)]();
    if (!Formats) return;
    Capacity = count;
    for (int i = 0; i < count; ++i) {
        if (!CopyFormat(formats[i], Formats[i])) return;
        Count = i + 1;
    }
}

CEnumFORMATETC::~CEnumFORMATETC() {
    for (int i = 0; i < Count; ++i) CoTaskMemFree(Formats[i].ptd);
    delete[] Formats;
}

STDMETHODIMP CEnumFORMATETC::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IEnumFORMATETC) || IsEqualIID(iid, IID_IUnknown)) {
        *out = static_cast<IEnumFORMATETC*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumFORMATETC::AddRef() { return ULONG(InterlockedIncrement(&Refs)); }

STDMETHODIMP_(ULONG) CEnumFORMATETC::Release() {
    LONG n = InterlockedDecrement(&Refs);
    if (n == 0) delete this;
    return ULONG(n);
}

STDMETHODIMP CEnumFORMATETC::Next(ULONG count, FORMATETC* out, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (count == 0 || !out || Position >= Count || (!fetched && count != 1)) return S_FALSE;
    ULONG copied = 0;
    while (copied < count && Position < Count) {
        if (!CopyFormat(Formats[Position], out[copied])) break;
        ++copied;
        ++Position;
    }
    if (fetched) *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumFORMATETC::Skip(ULONG count) {
    ULONG skipped = 0;
    while (skipped < count && Position < Count) {
        ++skipped;
        ++Position;
    }
    return skipped == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumFORMATETC::Reset() {
    Position = 0;
    return S_OK;
}

STDMETHODIMP CEnumFORMATETC::Clone(IEnumFORMATETC** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* e = new (std::nothrow) CEnumFORMATETC(Formats, Count, Position);
    if (!e) return E_OUTOFMEMORY;
    if (e->Count != Count) {
        e->Release();
        return E_OUTOFMEMORY;
    }
    *out = e;
    return S_OK;
}

// The blocks and the drag

HGLOBAL MakeDropFilesGlobal(const char* path, int repeat, bool wide) {
    if (!wide) {
        std::vector<uint8_t> bytes = DropFilesBytes(path, repeat);
        return GlobalFromBytes(bytes.data(), bytes.size());
    }
    int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 0) return nullptr;
    std::u16string widePath(size_t(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, reinterpret_cast<wchar_t*>(widePath.data()), n);
    widePath.resize(size_t(n - 1));
    std::vector<uint8_t> bytes = DropFilesBytesWide(widePath, repeat);
    return GlobalFromBytes(bytes.data(), bytes.size());
}

HGLOBAL MakeTextGlobal(const char* path) { return GlobalFromBytes(path, std::strlen(path) + 1); }

void DragOutCurrentFile(HWND notify, const char* path) {
    if (!path || !path[0]) return;
    FileStamp before;
    ReadStamp(path, before);
    auto* data = new (std::nothrow) TDataObject(2);
    if (!data) return;
    if (!Offer(data, CF_HDROP, MakeDropFilesGlobal(path, 1, false)) || !Offer(data, CF_TEXT, MakeTextGlobal(path))) {
        data->Release();
        return;
    }
    auto* source = new (std::nothrow) TDropSource(notify);
    if (!source) {
        data->Release();
        return;
    }
    DWORD effect = 0;
    DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    FileStamp after;
    ReadStamp(path, after);
    PostMessageA(source->Notify, WM_APP, WPARAM(CompareFileStamps(before, after)), 0);
    source->Release();
    data->Release();
}
