// Calls every method of the drag-out's data object, drop source and format enumerator
// directly and prints one line per result: "pass: ..." or "FAIL: ...". Exit code 1 when any
// failed. Run under Wine by the dragout case.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "imageops/DragOut_win.h"

namespace {

int g_Failed = 0;
int g_Notified = 0;  // WM_APP sent or posted to the window the drop source holds

LRESULT CALLBACK ProbeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) ++g_Notified;
    return DefWindowProcA(wnd, msg, wp, lp);
}

void Check(bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "pass" : "FAIL", what);
    if (!ok) ++g_Failed;
}

void CheckHr(HRESULT got, HRESULT want, const char* what) {
    if (got != want) std::printf("  got 0x%08lx, want 0x%08lx\n", static_cast<unsigned long>(got), static_cast<unsigned long>(want));
    Check(got == want, what);
}

// Counts its references, to see who takes and gives them back.
struct CountingUnknown : IUnknown {
    LONG Refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++Refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--Refs); }
};

FORMATETC Format(CLIPFORMAT cf, DWORD aspect = DVASPECT_CONTENT, DWORD tymed = TYMED_HGLOBAL) {
    return FORMATETC{cf, nullptr, aspect, -1, tymed};
}

STGMEDIUM GlobalMedium(HGLOBAL block, IUnknown* unk = nullptr) {
    STGMEDIUM m = {};
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = block;
    m.pUnkForRelease = unk;
    return m;
}

bool GlobalText(HGLOBAL block, const char* want) {
    const char* p = static_cast<const char*>(GlobalLock(block));
    bool same = p && GlobalSize(block) >= std::strlen(want) + 1 && std::strcmp(p, want) == 0;
    GlobalUnlock(block);
    return same;
}

template <typename I>
void CheckQueryInterface(I* object, REFIID own, const char* name) {
    char what[120];
    void* out = nullptr;
    std::snprintf(what, sizeof what, "%s QueryInterface own interface", name);
    CheckHr(object->QueryInterface(own, &out), S_OK, what);
    if (out) static_cast<IUnknown*>(out)->Release();
    std::snprintf(what, sizeof what, "%s QueryInterface IUnknown", name);
    CheckHr(object->QueryInterface(IID_IUnknown, &out), S_OK, what);
    if (out) static_cast<IUnknown*>(out)->Release();
    out = &out;
    std::snprintf(what, sizeof what, "%s QueryInterface other: E_NOINTERFACE", name);
    CheckHr(object->QueryInterface(IID_IStream, &out), E_NOINTERFACE, what);
    std::snprintf(what, sizeof what, "%s QueryInterface other: null out-pointer", name);
    Check(out == nullptr, what);
    std::snprintf(what, sizeof what, "%s AddRef 2, Release 1", name);
    ULONG up = object->AddRef(), down = object->Release();
    Check(up == 2 && down == 1, what);
}

void DataObjectRows() {
    auto* data = new TDataObject(2);
    CheckQueryInterface(data, IID_IDataObject, "TDataObject");
    CountingUnknown owner;
    FORMATETC hdrop = Format(CF_HDROP), text = Format(CF_TEXT);
    STGMEDIUM m = GlobalMedium(MakeTextGlobal("x"));
    CheckHr(data->SetData(nullptr, &m, TRUE), E_INVALIDARG, "SetData null format");
    CheckHr(data->SetData(&hdrop, nullptr, TRUE), E_INVALIDARG, "SetData null medium");
    GlobalFree(m.hGlobal);

    STGMEDIUM drop = GlobalMedium(MakeDropFilesGlobal("C:\\a.jpg", 1, false), &owner);
    CheckHr(data->SetData(&hdrop, &drop, TRUE), S_OK, "SetData with release flag");
    STGMEDIUM mine = GlobalMedium(MakeTextGlobal("C:\\a.jpg"));
    CheckHr(data->SetData(&text, &mine, FALSE), S_OK, "SetData without release flag");
    Check(GlobalText(mine.hGlobal, "C:\\a.jpg"), "SetData without release flag leaves the caller's medium");
    GlobalFree(mine.hGlobal);
    STGMEDIUM more = GlobalMedium(MakeTextGlobal("y"));
    CheckHr(data->SetData(&text, &more, TRUE), E_OUTOFMEMORY, "SetData array full");
    GlobalFree(more.hGlobal);

    STGMEDIUM got = {};
    CheckHr(data->GetData(nullptr, &got), E_INVALIDARG, "GetData null format");
    CheckHr(data->GetData(&text, nullptr), E_INVALIDARG, "GetData null medium");
    FORMATETC icon = Format(CF_TEXT, DVASPECT_ICON);
    CheckHr(data->GetData(&icon, &got), DV_E_DVASPECT, "GetData aspect without content");
    FORMATETC bitmap = Format(CF_BITMAP), stream = Format(CF_TEXT, DVASPECT_CONTENT, TYMED_ISTREAM);
    CheckHr(data->GetData(&bitmap, &got), DV_E_FORMATETC, "GetData other format");
    CheckHr(data->GetData(&stream, &got), DV_E_FORMATETC, "GetData no medium type in common");
    FORMATETC any = Format(CF_TEXT, DVASPECT_CONTENT, TYMED_HGLOBAL | TYMED_ISTREAM);
    CheckHr(data->GetData(&any, &got), S_OK, "GetData CF_TEXT");
    Check(got.tymed == TYMED_HGLOBAL && GlobalText(got.hGlobal, "C:\\a.jpg"), "GetData CF_TEXT copies the text");
    ReleaseStgMedium(&got);
    const LONG before = owner.Refs;
    CheckHr(data->GetData(&hdrop, &got), S_OK, "GetData CF_HDROP");
    Check(got.pUnkForRelease == &owner && owner.Refs == before + 1, "GetData copies the releasing object with AddRef");
    char path[MAX_PATH] = {};
    Check(DragQueryFileA(HDROP(got.hGlobal), 0xFFFFFFFF, nullptr, 0) == 1 &&
              DragQueryFileA(HDROP(got.hGlobal), 0, path, MAX_PATH) && std::strcmp(path, "C:\\a.jpg") == 0,
          "GetData CF_HDROP is a duplicate holding the path");
    ReleaseStgMedium(&got);
    Check(owner.Refs == before, "ReleaseStgMedium of the copy gives the reference back");

    CheckHr(data->GetDataHere(&text, &got), E_NOTIMPL, "GetDataHere");
    CheckHr(data->QueryGetData(&icon), DV_E_DVASPECT, "QueryGetData aspect without content");
    CheckHr(data->QueryGetData(&text), S_OK, "QueryGetData CF_TEXT");
    CheckHr(data->QueryGetData(&bitmap), DV_E_FORMATETC, "QueryGetData other format");
    FORMATETC canon = {};
    CheckHr(data->GetCanonicalFormatEtc(&text, &canon), E_NOTIMPL, "GetCanonicalFormatEtc");

    IEnumFORMATETC* e = reinterpret_cast<IEnumFORMATETC*>(&e);
    CheckHr(data->EnumFormatEtc(DATADIR_GET, nullptr), E_INVALIDARG, "EnumFormatEtc null out");
    CheckHr(data->EnumFormatEtc(DATADIR_SET, &e), E_NOTIMPL, "EnumFormatEtc DATADIR_SET");
    CheckHr(data->EnumFormatEtc(DATADIR_GET, &e), S_OK, "EnumFormatEtc DATADIR_GET");
    FORMATETC two[2] = {};
    ULONG n = 0;
    Check(e && e->Next(2, two, &n) == S_OK && n == 2 && two[0].cfFormat == CF_HDROP && two[1].cfFormat == CF_TEXT &&
              two[0].dwAspect == DVASPECT_CONTENT && two[0].lindex == -1 && two[0].tymed == TYMED_HGLOBAL,
          "EnumFormatEtc lists CF_HDROP, then CF_TEXT");
    if (e) e->Release();

    DWORD connection = 0;
    IEnumSTATDATA* advise = nullptr;
    CheckHr(data->DAdvise(&text, 0, nullptr, &connection), OLE_E_ADVISENOTSUPPORTED, "DAdvise");
    CheckHr(data->DUnadvise(1), OLE_E_ADVISENOTSUPPORTED, "DUnadvise");
    CheckHr(data->EnumDAdvise(&advise), OLE_E_ADVISENOTSUPPORTED, "EnumDAdvise");

    const LONG held = owner.Refs;
    Check(data->Release() == 0 && owner.Refs == held - 1, "Release at 0 releases the stored media");

    // An entry of a format already offered does not replace it; a stream cannot be duplicated.
    data = new TDataObject(3);
    STGMEDIUM a = GlobalMedium(MakeTextGlobal("first")), b = GlobalMedium(MakeTextGlobal("second"));
    data->SetData(&text, &a, TRUE);
    data->SetData(&text, &b, TRUE);
    Check(data->GetData(&text, &got) == S_OK && GlobalText(got.hGlobal, "first"), "SetData keeps the first entry of a format");
    ReleaseStgMedium(&got);
    STGMEDIUM s = {};
    s.tymed = TYMED_ISTREAM;
    CreateStreamOnHGlobal(nullptr, TRUE, &s.pstm);
    FORMATETC streamed = Format(CF_BITMAP, DVASPECT_CONTENT, TYMED_ISTREAM);
    CheckHr(data->SetData(&streamed, &s, FALSE), E_OUTOFMEMORY, "SetData without release flag, duplicate impossible");
    CheckHr(data->SetData(&streamed, &s, TRUE), S_OK, "SetData stream with release flag");
    CheckHr(data->GetData(&streamed, &got), E_OUTOFMEMORY, "GetData duplicate impossible");
    data->Release();
}

void DropSourceRows(HWND window) {
    auto* source = new TDropSource(window);
    CheckQueryInterface(source, IID_IDropSource, "TDropSource");
    CheckHr(source->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL, "QueryContinueDrag Escape");
    CheckHr(source->QueryContinueDrag(FALSE, MK_LBUTTON | MK_RBUTTON), DRAGDROP_S_CANCEL, "QueryContinueDrag both buttons");
    CheckHr(source->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK, "QueryContinueDrag left button");
    CheckHr(source->QueryContinueDrag(FALSE, MK_RBUTTON), S_OK, "QueryContinueDrag right button");
    CheckHr(source->QueryContinueDrag(FALSE, MK_SHIFT), DRAGDROP_S_DROP, "QueryContinueDrag no button");
    CheckHr(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS, "GiveFeedback");
    source->AddRef();
    source->Release();
    source->Release();
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Check(g_Notified == 0, "Release does not notify the window");
}

void EnumeratorRows() {
    const FORMATETC formats[2] = {Format(CF_HDROP), Format(CF_TEXT)};
    auto* e = new CEnumFORMATETC(formats, 2, 0);
    CheckQueryInterface(e, IID_IEnumFORMATETC, "CEnumFORMATETC");
    FORMATETC out[3] = {};
    ULONG n = 7;
    CheckHr(e->Next(0, out, &n), S_FALSE, "Next count 0");
    Check(n == 0, "Next sets fetched to 0");
    CheckHr(e->Next(1, nullptr, &n), S_FALSE, "Next null array");
    CheckHr(e->Next(2, out, nullptr), S_FALSE, "Next null fetched with count 2");
    CheckHr(e->Next(1, out, nullptr), S_OK, "Next null fetched with count 1");
    Check(out[0].cfFormat == CF_HDROP, "Next gives CF_HDROP first");
    CheckHr(e->Next(3, out, &n), S_FALSE, "Next past the end");
    Check(n == 1 && out[0].cfFormat == CF_TEXT, "Next copies what is left");
    CheckHr(e->Next(1, out, &n), S_FALSE, "Next at the end");
    CheckHr(e->Reset(), S_OK, "Reset");
    CheckHr(e->Skip(1), S_OK, "Skip within");
    IEnumFORMATETC* copy = nullptr;
    CheckHr(e->Clone(nullptr), E_POINTER, "Clone null");
    CheckHr(e->Clone(&copy), S_OK, "Clone");
    Check(copy && copy->Next(1, out, &n) == S_OK && n == 1 && out[0].cfFormat == CF_TEXT, "Clone keeps the position");
    if (copy) copy->Release();
    CheckHr(e->Skip(2), S_FALSE, "Skip past the end");
    Check(e->Release() == 0, "Release at 0");
}

void BlockRows() {
    const char* path = "C:\\Photos\\a b.jpg";
    HGLOBAL ansi = MakeDropFilesGlobal(path, 1, false);
    char got[MAX_PATH] = {};
    Check(ansi && GlobalSize(ansi) >= 22 + std::strlen(path) + 1 && DragQueryFileA(HDROP(ansi), 0xFFFFFFFF, nullptr, 0) == 1 &&
              DragQueryFileA(HDROP(ansi), 0, got, MAX_PATH) && std::strcmp(got, path) == 0,
          "MakeDropFilesGlobal ANSI");
    GlobalFree(ansi);
    HGLOBAL wide = MakeDropFilesGlobal(path, 2, true);
    wchar_t w[MAX_PATH] = {};
    const size_t length = std::strlen(path);
    Check(wide && GlobalSize(wide) >= 20 + 2 * (length + 1) * 2 + 2 && DragQueryFileW(HDROP(wide), 0xFFFFFFFF, nullptr, 0) == 2 &&
              DragQueryFileW(HDROP(wide), 1, w, MAX_PATH) == length && w[0] == L'C' && w[length - 1] == L'g',
          "MakeDropFilesGlobal wide, two paths");
    GlobalFree(wide);
    HGLOBAL text = MakeTextGlobal(path);
    Check(text && GlobalText(text, path), "MakeTextGlobal");
    GlobalFree(text);
}

}  // namespace

int main() {
    OleInitialize(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.lpszClassName = "DragOutProbe";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "DragOutProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    DataObjectRows();
    DropSourceRows(window);
    EnumeratorRows();
    BlockRows();
    DestroyWindow(window);
    OleUninitialize();
    std::printf("%d failed\n", g_Failed);
    return g_Failed ? 1 : 0;
}
