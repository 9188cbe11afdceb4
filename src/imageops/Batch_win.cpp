// Dialog 1400 and the batch run. The run plans every name before it touches a file, renames
// through the journal, and parses each file into a summary of its own: the current picture,
// its edits and its graffiti stay as they are.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "base/Host_win.h"
#include "base/Placement.h"
#include "base/Report_win.h"
#include "base/SjisText.h"
#include "document/Document.h"
#include "exif/ExifOps_win.h"
#include "image/Image_win.h"
#include "image/Preload_win.h"
#include "imageops/BatchRun.h"
#include "imageops/Batch_win.h"
#include "imageops/RenameJournal.h"
#include "resources/resource.h"

namespace {

HWND g_BatchDialog = nullptr;
BatchHost g_BatchHost;

std::vector<std::string> FolderListing(const std::string& folder) {
    std::vector<std::string> names;
    char pattern[kPathBytes + 4];
    snprintf(pattern, sizeof pattern, "%s*", folder.c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

class FolderFs : public BatchFolder {
public:
    explicit FolderFs(std::string folder) : folder_(std::move(folder)) {}
    bool Exists(const std::string& name) override {
        char p[kPathBytes];
        return Path(name, p) && GetFileAttributesA(p) != INVALID_FILE_ATTRIBUTES;
    }
    bool Move(const std::string& from, const std::string& to) override {
        char a[kPathBytes], b[kPathBytes];
        // Without MOVEFILE_REPLACE_EXISTING: a rename never overwrites a file.
        return Path(from, a) && Path(to, b) && MoveFileExA(a, b, MOVEFILE_WRITE_THROUGH);
    }
    bool WriteWhole(const std::string& name, const std::string& bytes) override {
        char p[kPathBytes];
        return Path(name, p) && SaveBytes(p, bytes.data(), bytes.size()) == SaveResult::Saved;
    }
    bool Read(const std::string& name, std::string& bytes) override {
        char p[kPathBytes];
        std::vector<uint8_t> data;
        if (!Path(name, p) || !ReadWholeFile(p, data, 1 << 20) || data.size() > (1 << 20)) return false;
        bytes.assign(data.begin(), data.end());
        return true;
    }
    bool Remove(const std::string& name) override {
        char p[kPathBytes];
        return Path(name, p) && DeleteFileA(p);
    }
    bool ReadBytes(const std::string& name, std::vector<uint8_t>& data) override {
        char p[kPathBytes];
        return Path(name, p) && ReadWholeFile(p, data, kMaxFileBytes) && data.size() <= kMaxFileBytes;
    }
    std::vector<std::string> List() override { return FolderListing(folder_); }
    bool TimesDiffer(const std::string& name, FileTime shot) override {
        char p[kPathBytes];
        return Path(name, p) && FileTimesDifferFromShot(p, shot);
    }
    bool SetTimes(const std::string& name, FileTime shot, FileTime& utc) override {
        char p[kPathBytes];
        return Path(name, p) && SetFileTimesFromShot(p, shot, &utc);
    }
private:
    bool Path(const std::string& name, char* out) {
        if (folder_.size() + name.size() >= kPathBytes) return false;
        snprintf(out, kPathBytes, "%s%s", folder_.c_str(), name.c_str());
        return true;
    }
    std::string folder_;
};

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

// Whole, however long: the edit limits count characters, a double-byte one is two bytes, and
// a text cut here would become another name. The checks refuse what is too long.
std::string ItemText(HWND dlg, int id) {
    HWND edit = GetDlgItem(dlg, id);
    std::vector<char> text(size_t(GetWindowTextLengthA(edit)) * 2 + 2, 0);
    GetWindowTextA(edit, text.data(), int(text.size()));
    return text.data();
}

// The rule from the controls; nullptr, or what the user must correct.
const char* ReadRule(HWND dlg, BatchRule& rule) {
    rule = BatchRule{};
    if (Checked(dlg, IDC_BATCH_TIME_SHOT)) rule.Mask |= kBatchTimeStep;
    if (Checked(dlg, IDC_BATCH_LAST_TIME)) rule.Mask |= kBatchLastShotTime;
    if (Checked(dlg, IDC_BATCH_LAST_NUMBER)) rule.Mask |= kBatchLastNumber;
    if (Checked(dlg, IDC_BATCH_MIDDLE_MODEL)) rule.Mask |= kBatchMiddleModel;
    if (Checked(dlg, IDC_BATCH_FIRST_MAKER)) rule.Mask |= kBatchFirstMaker;
    if (Checked(dlg, IDC_BATCH_FIRST_FIXED)) rule.Mask |= kBatchFirstFixed;
    if (Checked(dlg, IDC_BATCH_EXIF_REMOVE)) rule.Mask |= kBatchCopyStep;
    if (Checked(dlg, IDC_BATCH_EXT_CHANGE)) rule.Mask |= kBatchNewExtension;
    rule.FixedText = ItemText(dlg, IDC_BATCH_FIXED_TEXT);
    rule.Extension = ItemText(dlg, IDC_BATCH_EXTENSION);
    const char* wrong = nullptr;
    if (rule.Mask & kBatchFirstFixed) wrong = CheckFixedText(rule.FixedText);
    if (!wrong && (rule.Mask & kBatchLastNumber))
        wrong = ParseStartNumber(ItemText(dlg, IDC_BATCH_START), rule.StartNumber, rule.Digits);
    if (!wrong && (rule.Mask & kBatchNewExtension)) wrong = CheckExtension(rule.Extension);
    return wrong;
}

bool AllDefaults(HWND dlg) {
    return Checked(dlg, IDC_BATCH_FIRST_NONE) && Checked(dlg, IDC_BATCH_MIDDLE_NONE) &&
           Checked(dlg, IDC_BATCH_LAST_OLD) && Checked(dlg, IDC_BATCH_TIME_NONE) &&
           Checked(dlg, IDC_BATCH_EXIF_KEEP) && Checked(dlg, IDC_BATCH_EXT_KEEP);
}

bool HasShotTime(const ExifSummary& s) { return (s.ShotFileTime.Low | s.ShotFileTime.High) != 0; }

void UpdateBatchExample(HWND dlg) {
    // The example renames the picture on screen (a graffiti file's background, if it has one).
    const std::string oldName = g_Image.SourcePath.empty() ? g_Document.File.FileName() : g_Image.SourceName();
    const bool defaults = AllDefaults(dlg);
    EnableWindow(GetDlgItem(dlg, IDC_BATCH_RUN), !defaults);
    if (defaults) {
        SetDlgItemTextA(dlg, IDC_BATCH_EXAMPLE, oldName.c_str());
        return;
    }
    BatchRule rule;
    if (const char* wrong = ReadRule(dlg, rule)) {
        SetDlgItemTextA(dlg, IDC_BATCH_EXAMPLE, wrong);
        return;
    }
    const ExifSummary& exif = g_Image.Exif;
    BatchPhoto photo{exif.MakeText, exif.ModelText, exif.ShotDateText, HasShotTime(exif), oldName};
    std::string name;
    BatchRefusal why = BuildBatchName(photo, rule, rule.StartNumber, name);
    if (why != BatchRefusal::None) name = oldName + " (" + BatchRefusalText(why) + ")";
    SetDlgItemTextA(dlg, IDC_BATCH_EXAMPLE, name.c_str());
}

void EnableFollowers(HWND dlg) {
    EnableWindow(GetDlgItem(dlg, IDC_BATCH_FIXED_TEXT), Checked(dlg, IDC_BATCH_FIRST_FIXED));
    const bool number = Checked(dlg, IDC_BATCH_LAST_NUMBER);
    EnableWindow(GetDlgItem(dlg, IDC_BATCH_START_LABEL), number);
    EnableWindow(GetDlgItem(dlg, IDC_BATCH_START), number);
    EnableWindow(GetDlgItem(dlg, IDC_BATCH_EXTENSION), Checked(dlg, IDC_BATCH_EXT_CHANGE));
}

class WaitCursor {
public:
    WaitCursor() : old_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old_ ? old_ : LoadCursorA(nullptr, IDC_ARROW)); }

private:
    HCURSOR old_;
};

void Run(HWND dlg) {
    UpdateBatchExample(dlg);
    BatchRule rule;
    if (const char* wrong = ReadRule(dlg, rule)) {
        ReportBox(dlg, Box::BatchError, wrong);
        return;
    }
    if (AllDefaults(dlg)) return;
    WaitCursor wait;
    HWND progress = GetDlgItem(dlg, IDC_BATCH_PROGRESS);
    SetDlgItemTextA(dlg, IDC_BATCH_RESULT, "");
    SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    // The run is synchronous: the bar is painted at once, not when the queue next runs.
    auto step = [progress](int percent) {
        SendMessageA(progress, PBM_SETPOS, WPARAM(percent), 0);
        UpdateWindow(progress);
    };
    const std::string folder = g_Document.File.Folder();
    std::vector<std::string> names;
    // Without a catalogued folder there is nothing to do, and no folder to look in.
    if (!g_Document.File.Empty() && g_BatchHost.EntryNames) names = g_BatchHost.EntryNames();
    FolderFs fs(folder);
    QuietPreloading(true);  // none of the folder's files may be open of ours while they are renamed
    const BatchRunResult result = RunBatch(fs, folder, names, rule, step, unsigned(GetTickCount()));
    QuietPreloading(false);
    if (!result.Changes.empty() && g_BatchHost.Apply) g_BatchHost.Apply(result.Changes);
    SetDlgItemTextA(dlg, IDC_BATCH_RESULT, result.Text.c_str());
}

INT_PTR CALLBACK BatchProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        CheckRadioButton(dlg, IDC_BATCH_FIRST_NONE, IDC_BATCH_FIRST_FIXED, IDC_BATCH_FIRST_NONE);
        CheckRadioButton(dlg, IDC_BATCH_MIDDLE_NONE, IDC_BATCH_MIDDLE_MODEL, IDC_BATCH_MIDDLE_NONE);
        CheckRadioButton(dlg, IDC_BATCH_LAST_OLD, IDC_BATCH_LAST_NUMBER, IDC_BATCH_LAST_OLD);
        CheckRadioButton(dlg, IDC_BATCH_TIME_NONE, IDC_BATCH_TIME_SHOT, IDC_BATCH_TIME_NONE);
        CheckRadioButton(dlg, IDC_BATCH_EXIF_KEEP, IDC_BATCH_EXIF_REMOVE, IDC_BATCH_EXIF_KEEP);
        CheckRadioButton(dlg, IDC_BATCH_EXT_KEEP, IDC_BATCH_EXT_CHANGE, IDC_BATCH_EXT_KEEP);
        SendDlgItemMessageA(dlg, IDC_BATCH_FIXED_TEXT, EM_LIMITTEXT, 99, 0);
        SendDlgItemMessageA(dlg, IDC_BATCH_START, EM_LIMITTEXT, 9, 0);
        SendDlgItemMessageA(dlg, IDC_BATCH_EXTENSION, EM_LIMITTEXT, 8, 0);
        SetDlgItemTextA(dlg, IDC_BATCH_FIXED_TEXT, "");
        SetDlgItemTextA(dlg, IDC_BATCH_START, "001");
        SetDlgItemTextA(dlg, IDC_BATCH_EXTENSION, ".");
        SendDlgItemMessageA(dlg, IDC_BATCH_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        EnableFollowers(dlg);
        UpdateBatchExample(dlg);
        PlaceWindow(dlg, kPlaceCentre);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (id == IDC_BATCH_RUN && code == BN_CLICKED) {
            Run(dlg);
        } else if (id == IDCANCEL) {
            DestroyWindow(dlg);
            RaiseMainWindow();
        } else if ((id == IDC_BATCH_FIXED_TEXT || id == IDC_BATCH_START || id == IDC_BATCH_EXTENSION) &&
                   code == EN_CHANGE) {
            UpdateBatchExample(dlg);
        } else if (code == BN_CLICKED && id != IDC_BATCH_RUN) {
            EnableFollowers(dlg);
            UpdateBatchExample(dlg);
        } else {
            return FALSE;
        }
        return TRUE;
    }
    case WM_DESTROY:
        if (g_BatchDialog == dlg) g_BatchDialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

}  // namespace

int OpenBatchDialog(const BatchHost& host) {
    g_BatchHost = host;
    if (g_BatchDialog) {
        SetForegroundWindow(g_BatchDialog);
        return 0;
    }
    g_BatchDialog = CreateDialogParamA(g_Host.Instance, MAKEINTRESOURCEA(IDD_BATCH), nullptr, BatchProc, 0);
    if (!g_BatchDialog) return -1;
    ShowWindow(g_BatchDialog, SW_SHOW);
    return 0;
}

HWND BatchDialogWindow() { return g_BatchDialog; }

bool OfferBatchUndo(HWND owner, const char* folder, std::string& currentName) {
    FolderFs fs(folder);
    std::string text;
    int phase = 0;
    std::vector<RenamePair> pairs;
    if (!fs.Exists(kRenameJournalName)) return false;
    const bool readable = fs.Read(kRenameJournalName, text) && ParseRenameJournal(text, phase, pairs);
    if (!readable) {
        ReportBox(owner, Box::Error, "一括変換の記録 (~pixaro-rename.jnl) が壊れているため、ファイル名を元に戻せません。");
        return false;
    }
    if (MessageBoxA(owner, "前回の一括変換が途中で終わっています。\nファイル名を元に戻しますか？", "確認",
                    MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return false;
    std::vector<std::string> problems;
    const RecoverOutcome outcome = RecoverRenames(fs, &problems);
    for (const RenamePair& p : pairs)
        if (SjisEqualNoCase(currentName, p.New) || SjisEqualNoCase(currentName, p.Temp)) currentName = p.Old;
    if (outcome != RecoverOutcome::Restored) {
        std::string message = "元に戻せなかったファイルがあります。";
        for (size_t i = 0; i < problems.size() && i < 10; ++i) message += "\n" + problems[i];
        ReportBox(owner, Box::Error, message.c_str());
    }
    return true;
}
