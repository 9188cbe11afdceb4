#include "imageops/BatchName.h"

#include <cstdio>
#include <cstring>

#include "base/SjisText.h"

namespace {

// One character: two bytes for a lead byte with a trail after it, else one.
size_t CharBytes(std::string_view s, size_t i) {
    return (IsSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool ForbiddenInName(unsigned char c) { return IsControl(c) || std::strchr("\\/:*?\"<>|", c) != nullptr; }

bool ReplacedBySanitize(unsigned char c) { return IsControl(c) || std::strchr(" .,:;+-*/\\<>?|\"", c) != nullptr; }

// Windows and Wine drop a trailing dot or space, and the device names open devices.
bool IsUsableName(std::string_view name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
    std::string base = NameKey(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
    for (const char* d : kDevices)
        if (base == d) return false;
    if (base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) && base[3] >= '1' &&
        base[3] <= '9')
        return false;
    return true;
}

std::string_view Stem(std::string_view name) {
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string_view ExtensionOf(std::string_view name) {
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

}  // namespace

const char* BatchRefusalText(BatchRefusal why) {
    switch (why) {
    case BatchRefusal::None: return "";
    case BatchRefusal::NoShotDate: return "撮影日時がありません";
    case BatchRefusal::EmptyName: return "新しい名前が空になります";
    case BatchRefusal::BadName: return "ファイル名に使えない名前になります";
    case BatchRefusal::NameTooLong: return "新しい名前が長すぎます";
    case BatchRefusal::PathTooLong: return "新しいパスが長すぎます";
    case BatchRefusal::Taken: return "同じ名前のファイルがあります";
    case BatchRefusal::CopyTaken: return "Ne_ のファイル名が他のファイルと重なります";
    case BatchRefusal::RenameFailed: return "名前を変更できませんでした (全て元に戻しました)";
    case BatchRefusal::TimeFailed: return "タイムスタンプを変更できませんでした";
    case BatchRefusal::CopyFailed: return "Exif情報を削除したファイルを書けませんでした";
    case BatchRefusal::NoExifToRemove: return "Exif情報を削除できない構造です";
    case BatchRefusal::JournalLeft: return "前回の一括変換が途中です。フォルダを開き直して元に戻してください";
    case BatchRefusal::JournalFailed: return "記録を書けないため、名前は変更していません";
    case BatchRefusal::UndoUnfinished: return "名前の変更を元に戻しきれませんでした。フォルダを開き直すと元に戻せます";
    }
    return "";
}

std::string SanitizeNamePart(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t n = CharBytes(text, i);
        unsigned char c = static_cast<unsigned char>(text[i]);
        // A lead byte cut off at the end is no character at all.
        bool replace = n == 1 && (ReplacedBySanitize(c) || IsSjisLead(c));
        if (replace) {
            if (out.empty() || out.back() != '_') out += '_';
        } else {
            out.append(text.substr(i, n));
        }
        i += n;
    }
    return out;
}

BatchRefusal BuildBatchName(const BatchPhoto& photo, const BatchRule& rule, int number, std::string& name) {
    std::string out;
    switch (rule.Mask & kBatchFirstMask) {
    case kBatchFirstMaker: out += photo.Make.empty() ? "Unknown_" : SanitizeNamePart(photo.Make) + "_"; break;
    case kBatchFirstFixed: out += rule.FixedText; break;
    default: break;
    }
    if ((rule.Mask & kBatchMiddleMask) == kBatchMiddleModel)
        out += photo.Model.empty() ? "Unknown_" : SanitizeNamePart(photo.Model) + "_";
    switch (rule.Mask & kBatchLastMask) {
    case kBatchLastShotTime:
        // Without a date every such file would get the same name.
        if (!photo.HasShotTime || photo.ShotDate.empty()) return BatchRefusal::NoShotDate;
        out += SanitizeNamePart(photo.ShotDate);
        break;
    case kBatchLastNumber:
        if (rule.Digits >= 1 && rule.Digits <= 5) {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%0*d", rule.Digits, number);
            out += digits;
        }
        break;
    default: out += Stem(photo.OldName); break;
    }
    if (out.empty()) return BatchRefusal::EmptyName;
    out += (rule.Mask & kBatchExtMask) == kBatchNewExtension ? std::string_view(rule.Extension)
                                                             : ExtensionOf(photo.OldName);
    if (!IsUsableName(out)) return BatchRefusal::BadName;
    if (out.size() >= kBatchNameBytes) return BatchRefusal::NameTooLong;
    name = std::move(out);
    return BatchRefusal::None;
}

const char* CheckFixedText(std::string_view text) {
    if (text.size() > 99) return "固定文字列は 99 バイトまでです";
    for (size_t i = 0; i < text.size();) {
        size_t n = CharBytes(text, i);
        if (n == 1 && ForbiddenInName(static_cast<unsigned char>(text[i])))
            return "固定文字列に使えない文字があります (\\ / : * ? \" < > | と制御文字)";
        if (n == 1 && IsSjisLead(static_cast<unsigned char>(text[i]))) return "固定文字列の最後の文字が欠けています";
        i += n;
    }
    if (text.find("..") != std::string_view::npos) return "固定文字列に「..」は使えません";
    return nullptr;
}

const char* CheckExtension(std::string_view text) {
    const char* shape = "拡張子は「.」と 1～7 文字で入力してください (例 .jpg)";
    if (text.size() < 2 || text.size() > 8 || text[0] != '.') return shape;
    for (size_t i = 1; i < text.size();) {
        size_t n = CharBytes(text, i);
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (n == 1 && (ForbiddenInName(c) || c == '.' || c == ' ' || IsSjisLead(c)))
            return "拡張子に使えない文字があります (\\ / : * ? \" < > | . 空白と制御文字)";
        i += n;
    }
    return nullptr;
}

const char* ParseStartNumber(std::string_view text, int& number, int& digits) {
    if (text.empty() || text.size() > 9) return "開始番号は 1～9 桁の数字で入力してください";
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return "開始番号は 1～9 桁の数字で入力してください";
        value = value * 10 + (c - '0');
    }
    number = value;
    digits = int(text.size());
    return nullptr;
}

std::string NameKey(std::string_view name) {
    std::string key(name);
    for (size_t i = 0; i < key.size();) {
        size_t n = CharBytes(key, i);
        if (n == 1 && key[i] >= 'A' && key[i] <= 'Z') key[i] = char(key[i] - 'A' + 'a');
        i += n;
    }
    return key;
}
