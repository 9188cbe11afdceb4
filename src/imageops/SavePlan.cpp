#include "imageops/SavePlan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/Limits.h"
#include "base/SjisText.h"
#include "view/ViewState.h"

SaveFormat FormatOfExtension(const char* extension) {
    static const struct {
        const char* Ext;
        SaveFormat Format;
    } kFormats[] = {{".trd", SaveFormat::Trd}, {".jpg", SaveFormat::Jpeg}, {".emf", SaveFormat::Emf},
                    {".tif", SaveFormat::Tiff}, {".png", SaveFormat::Png},  {".gif", SaveFormat::Gif},
                    {".bmp", SaveFormat::Bmp}};
    if (!extension) return SaveFormat::Unknown;
    for (const auto& f : kFormats)
        if (SjisEqualNoCase(extension, f.Ext)) return f.Format;
    return SaveFormat::Unknown;
}

bool ProposedSaveName(const char* drive, const char* folder, const char* name, bool fromGraffitiFile, char* out,
                      size_t size) {
    const int n = snprintf(out, size, fromGraffitiFile ? "%s%s%s" : "%s%s%s_memo", drive, folder, name);
    if (n >= 0 && size_t(n) < size) return true;
    if (size) out[0] = 0;
    return false;
}

CanvasPlan PlanSaveCanvas(int imageWidth, int imageHeight, bool graffitiShown, const GraffitiExtent& e) {
    CanvasPlan p;
    int64_t w = imageWidth, h = imageHeight, x = 0, y = 0;
    if (graffitiShown) {
        if (e.MinX < 0) w += -int64_t(e.MinX), x = -int64_t(e.MinX);
        if (e.MinY < 0) h += -int64_t(e.MinY), y = -int64_t(e.MinY);
        if (e.MaxX > imageWidth) w += int64_t(e.MaxX) - imageWidth;
        if (e.MaxY > imageHeight) h += int64_t(e.MaxY) - imageHeight;
    }
    // The canvas is read back as 24-bit rows, so it must fit the same limits as any picture.
    if (imageWidth <= 0 || imageHeight <= 0 || w > kMaxImageSide || h > kMaxImageSide ||
        uint64_t((w * 3 + 3) & ~int64_t(3)) * uint64_t(h) > kMaxPixelBytes)
        return p;
    p.Width = int(w);
    p.Height = int(h);
    p.ImageX = int(x);
    p.ImageY = int(y);
    p.ImageWidth = imageWidth;
    p.ImageHeight = imageHeight;
    p.Ok = true;
    return p;
}

bool CompanionJpegPath(const char* trdPath, char* out, size_t size) {
    PathParts parts;
    if (SplitPath(trdPath, parts) != 0) return false;
    const int n = snprintf(out, size, "%s%s%s.jpg", parts.Drive, parts.Folder, parts.Name);
    if (n >= 0 && size_t(n) < size) return true;
    if (size) out[0] = 0;
    return false;
}

bool SameFilePath(const char* a, const char* b) {
    auto normal = [](const char* p) {
        std::string s(p ? p : "");
        for (size_t i = 0; i < s.size(); ++i) {
            if (IsSjisLead(uint8_t(s[i])) && i + 1 < s.size())
                ++i;
            else if (s[i] == '/')
                s[i] = '\\';
        }
        return s;
    };
    return SjisEqualNoCase(normal(a), normal(b));
}

std::string CommonDialogErrorText(unsigned long code) {
    static const struct {
        unsigned long Code;
        const char* Text;
    } kTexts[] = {
        {0xFFFF, "ダイアログボックスを作成できませんでした。"},
        {1, "lStructSize メンバが無効です。"},
        {2, "初期化の際にコモンダイアログボックス関数が失敗しました。"},
        {3, "ENABLETEMPLATE フラグがセットされていますが、対応するテンプレートが正しく提供されませんでした。"},
        {4, "ENABLETEMPLATE フラグがセットされていましたが、対応するインスタンスハンドルが正しく提供されませんでした。"},
        {5, "コモンダイアログボックス関数は、指定された文字列のロードに失敗しました。"},
        {6, "リソースを見つけられなかったので、コモンダイアログボックス関数が失敗しました。"},
        {7, "コモンダイアログボックス関数は、指定されたリソースのロードに失敗しました。"},
        {8, "コモンダイアログボックス関数は、指定されたリソースのロックに失敗しました。"},
        {9, "コモンダイアログボックス関数は、内部の構造体用のメモリ割り当てを行えませんでした。"},
        {10, "コモンダイアログボックス関数は、ハンドルに関連付けられているメモリをロックできませんでした。"},
        {11, "ENABLEHOOK フラグがセットされていましたが、対応するフックプロシージャを指すポインタが正しく提供されませんでした。"},
        {12, "RegisterWindowMessage 関数が、エラーコードを返しました。"},
        {0x3001, "メモリ不足のため、リストボックスをサブクラス化できませんでした。"},
        {0x3002, "ファイル名が無効です。"},
        {0x3003, "OPENFILENAME 構造体の lpstrFile メンバが指すバッファが小さすぎて、ユーザーが指定したファイル名を格納できません。lpstrFile バッファの最初の 2 バイトは、名前全体を受け取るために必要なサイズを TCHAR 単位で格納します。"},
    };
    if (code == 0) return {};
    for (const auto& t : kTexts)
        if (t.Code == code) return t.Text;
    char text[48];
    snprintf(text, sizeof text, "CommDlgExtendedError %d", int(code));
    return text;
}

namespace {
void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void Put32(uint8_t* p, uint32_t v) { Put16(p, v), Put16(p + 2, v >> 16); }
}  // namespace

bool BuildBmpHeaders(int width, int height, uint8_t (&out)[kBmpHeaderBytes], uint32_t& fileSize) {
    if (width <= 0 || height <= 0) return false;
    const uint64_t row = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    const uint64_t total = row * uint64_t(height) + kBmpHeaderBytes;
    if (total > 0xFFFFFFFFu) return false;
    memset(out, 0, sizeof out);
    Put16(out, 0x4D42);
    Put32(out + 2, uint32_t(total));
    Put32(out + 10, kBmpHeaderBytes);
    Put32(out + 14, 40);
    Put32(out + 18, uint32_t(width));
    Put32(out + 22, uint32_t(height));
    Put16(out + 26, 1);
    Put16(out + 28, 24);
    fileSize = uint32_t(total);
    return true;
}

bool PlanScreenArea(int clientWidth, int clientHeight, int destX, int destY, bool statusBarShown, bool toolBarShown,
                    ScreenArea& out) {
    int w = clientWidth - 2 * destX, h = clientHeight + 6 - 2 * destY;
    if (statusBarShown && destY < kStatusBarHeight) h -= kStatusBarHeight - destY;
    if (toolBarShown && destY < kToolBarHeight) h -= kToolBarHeight - destY;
    // Never beyond the view between the bars, however the sums above come out.
    const ViewArea area = ViewAreaOf(clientWidth, clientHeight, toolBarShown, statusBarShown);
    const int top = area.Top, bottom = area.Bottom;
    const int x0 = std::max(destX, 0), y0 = std::max(destY, top);
    const int x1 = std::min(destX + w, clientWidth), y1 = std::min(destY + h, bottom);
    out = {};
    if (x1 <= x0 || y1 <= y0) return false;
    out = {x0, y0, x1 - x0, y1 - y0};
    return true;
}
