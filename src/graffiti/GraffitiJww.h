// The graffiti layer in the two forms JWW reads: "Jw_win" records (the image-path block and
// the metafile copy put them on the clipboard) and the coordinate text file; and the
// image-path text that places the picture itself on JWW's paper. Portable; the dialogs and
// the clipboard live in the Win32 glue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graffiti/GraffitiStore.h"
#include "jww/JwwFormat.h"

// ---- Records ----

// Image pixels to paper centimetres (the record writers' ×10 makes millimetres).
// sizeMode 0: at `dpi`; 1: the image width is `widthMm`; 2: the image height is `widthMm`;
// 3: the longer side is `widthMm` (1 when width >= height); any other mode gives 0.
// dpi, imageWidth and imageHeight of 0 or less count as 100.
double JwwPaperValue(double pixels, int dpi, int sizeMode, int widthMm, int imageWidth, int imageHeight);

struct GraffitiRecordSettings {
    int Dpi = 96;      // 0 counts as 96
    int Scale = 100;   // the drawing's scale (0 counts as 100); paper values do not depend on it
    int SizeMode = 0;  // as JwwPaperValue
    int WidthMm = 125;
    int ImageWidth = 0, ImageHeight = 0;  // pixels
};

// Paper extent of what the records hold, for the block's reference point.
struct JwExtent {
    double MinX = 1e8, MinY = 1e8, MaxX = -1e8, MaxY = -1e8;

    void Add(double x, double y);
    bool Empty() const { return MinX > MaxX || MinY > MaxY; }
};

// An image rectangle (x, y, width, height), ends included, as GraffitiStore::MeetsRectangle.
struct GraffitiImageRect {
    int32_t X, Y, W, H;
};

// Every line, then every ellipse, then every text of the layer as CDataSen / CDataEnko /
// CDataMoji records; with a filter only objects whose box meets it. A record with a value
// that is not finite is left out. The points of the objects written widen `extent`.
// False when the writer ran out of room (it is then failed).
bool AppendGraffitiRecords(JwBlockWriter& w, const GraffitiStore& store, const GraffitiRecordSettings& settings,
                           JwExtent& extent, const std::optional<GraffitiImageRect>& filter = std::nullopt);

// At least the bytes AppendGraffitiRecords writes for this layer, class tags included.
size_t GraffitiRecordBytesBound(const GraffitiStore& store);

// A whole block: the image-path text as the first record (it does not widen the extent),
// then the layer's records (layer may be null), under a header whose reference point is the
// centre of the extent (0, 0 when nothing widened it) and whose scales are jwScale (0 counts
// as 100). False, and `out` empty, when the text is too long for a record.
bool BuildImagePathBlock(std::string_view text, const GraffitiStore* layer, const GraffitiRecordSettings& settings,
                         double jwScale, std::vector<uint8_t>& out);

// ---- Coordinate text ----

// The layer as coordinate commands at `dpi` and scale 1/`n`, CR LF lines; empty for an empty
// layer and for dpi or n of 0 or less. A text's rows (split at LF) are one "ch" each; any
// other control byte in a text or font is written as a blank.
std::string ExportGraffitiText(const GraffitiStore& store, int dpi, int n);

// ---- Image-path text ----

// The settings of the image-path dialog; each out of its range falls back to its default.
struct ImagePathSettings {
    int Dpi = 600;       // 100..2000
    int Scale = 1;       // 1..10000
    int JwScale = 1;     // 1..10000
    int WidthMm = 125;   // 1..1000
};
// From the typed fields; a field that is no whole number counts as out of range.
ImagePathSettings SanitizeImagePathSettings(std::string_view dpi, std::string_view scale, std::string_view jwScale,
                                            std::string_view widthMm);

// The picture's size on paper in millimetres. Modes: 0 actual size at `dpi`; 1 width =
// widthMm; 2 height = widthMm; 3 the longer side = widthMm (a square counts as taller).
// False for another mode, an image side of 0 or less, or dpi of 0 or less (w, h are then 0).
bool ImagePaperSize(int mode, int imageWidth, int imageHeight, int dpi, int widthMm, double& w, double& h);

// Which file the image-path text names.
enum class ImagePathSource {
    DisplayImage,   // the picture as shown, saved beside the original as <name>_memo.jpg
    OriginalImage,  // the file that was opened
    GraffitiFile,   // the background picture a .trd file records
};

// Parts of the paths as _splitpath gives them (Shift-JIS bytes, taken as they are). The
// drive and directory are those of the image, or of the .trd file for GraffitiFile.
struct ImagePathParts {
    std::string_view Drive, Directory, BaseName, Extension;
    std::string_view FullPath;    // OriginalImage with an absolute path
    std::string_view Background;  // GraffitiFile: the background name recorded in it
};

constexpr size_t kImagePathTextLimit = 1024;

// "^@BM<path>,<w>,<h>" with an absolute path or a name in the drawing's own folder. False,
// and `out` empty, when the text would pass kImagePathTextLimit bytes or would not be one
// line (IsOneLine).
bool BuildImagePathText(ImagePathSource source, bool absolute, const ImagePathParts& parts, double w, double h,
                        std::string& out);
