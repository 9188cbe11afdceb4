#include "exif/ExifParser.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/Cp932.h"
#include "base/Utf8Text.h"
#include "exif/GpsFormat.h"
#include "base/ByteReader.h"
#include "base/SjisText.h"

#if defined(__GNUC__)
#define PIXARO_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define PIXARO_PRINTF(f, a)
#endif

namespace {

// Both builds compile literals to code page 932, so these are the bytes the window shows.
// "　" is the full-width space (0x81 0x40).
constexpr char kJpegFormat[] = "Jpeg 形式 \n";
constexpr char kSosLine[] = "%06X-FF %2X Start of scan　(%04x)byte data \n";
constexpr char kAppLine[] = "%06X-FF %2X (%04x)byte  JPEG内APP情報 \n";
constexpr char kExifInfo[] = "Exif 情報\n";
constexpr char kExifHeader[] = "%06X-Exif IFD Data(%2d)----------------\n";
constexpr char kInteropHeader[] = "%06X-互換性 IFD Data(%2d)----------------\n";
constexpr char kGpsHeader[] = "%06X-GPS情報 IFD Data(%2d)----------------\n";
constexpr char kAltitudeSea[] = "高度の単位　=　海抜単位\n";
constexpr char kAltitudeReserved[] = "高度の単位　=(%d)予約\n";
constexpr char kAltitude[] = "高度=%d/%d (m)\n";
constexpr char kGpsTime[] = "GPS時間 %d/%d時 %d/%d分 %d/%d秒 \n";
constexpr char kGpsStatus[] = "GPS受信状態=%s　(A=測位 V=中断)\n";
constexpr char kGpsMeasure[] = "GPS測位方法=　%s次元測位\n";
constexpr char kGpsDop[] = "GPS　DOP値";
constexpr char kThumbUncompressed[] = "サムネイル圧縮形式＝非圧縮画像\n";
constexpr char kThumbJpeg[] = "サムネイル圧縮形式＝JPEG\n";
constexpr char kMakeError[] = "メーカーError TTYPE= %d\n";
constexpr char kMake[] = "メーカー = %s \n";
constexpr char kDateTimeError[] = "編集日時Error TTYPE= %d\n";
constexpr char kDateTime[] = "編集日時 = %s \n";
constexpr char kWhitePoint[] = "白点色度[%d] = %d / %d ";
constexpr char kPrimaries[] = "原色色度[%d] =";
constexpr char kThumbOffset[] = "サムネイル画像オフセット [%d]\n";
constexpr char kThumbLength[] = "サムネイル画像容量 [%d]\n";
constexpr char kYCbCrCoefficients[] = "色変換マトリクス係数[%d] =";
constexpr char kPositionCentred[] = "色情報サンプリング原点 = 点集合中央\n";
constexpr char kPositionCosited[] = "色情報サンプリング原点 = 点集合原点\n";
constexpr char kBlackWhite[] = "黒色と白色の値[%d] =";
constexpr char kRights[] = "著作権 = %s \n";
constexpr char kExposureTime[] = "シャッター速度 %d / %d （秒）\n";
constexpr char kFNumber[] = "F値 %2.1f\n";
constexpr char kFNumberRaw[] = "F値 %d/%d\n";
constexpr char kExposureProgram[] = "露光制御モード = ";
constexpr const char* kProgramNames[9] = {
    "",
    "マニュアル設定\n",
    "プログラムAE\n",
    "絞り優先\n",
    "シャッター速度優先\n",
    "低速プログラムモード\n",
    "高速プログラムモード\n",
    "ポートレートモード\n",
    "風景モード\n",
};
constexpr char kIso[] = "ISO 感度 = %d\n";
constexpr char kShotDateError[] = "撮影日時Error TTYPE= %d\n";
constexpr char kShotDate[] = "撮影日時 = %s \n";
constexpr char kXpTitle[] = "Win(タイトル) = %s\n";
constexpr char kXpComment[] = "Win(コメント) = %s\n";
constexpr char kXpAuthor[] = "Win(作成者) = %s\n";
constexpr char kXpKeywords[] = "Win(キーワード) = %s\n";
constexpr char kXpSubject[] = "win(表題) = %s\n";
constexpr char kColorSrgb[] = "色空間 = sRGB \n";
constexpr char kColorUncalibrated[] = "色空間 = Uncalibrate \n";
constexpr char kNoteTruncated[] = "ファイルが途中で切れています\n";
constexpr char kNoteBadIfd[] = "IFDオフセット不正 (0x%X)\n";
constexpr char kNoteBadValue[] = "Tag(0x%04x) データ位置不正 (0x%X)\n";
constexpr char kNoteReportFull[] = "(以下省略)\n";

constexpr size_t kLineBytes = 2048;       // one entry's line; a longer one ends in " ...\n"
constexpr size_t kPieceBytes = 1200;      // one header or marker line
constexpr size_t kValueTextBytes = 1024;  // an ASCII or XP value as the report shows it
constexpr size_t kXpUnits = 1024;
constexpr int kMaxIfds = 32;              // IFDs one walk reads, loops included

enum IfdKind { kMain = 0, kExif = 1, kInterop = 2, kGps = 3 };
enum TiffType {
    kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5,
    kSByte = 6, kUndefined = 7, kSShort = 8, kSLong = 9, kSRational = 10,
    kUtf8 = 129,  // Exif 3.0
};

// The longest prefix of text that fits max bytes without splitting a double-byte character.
size_t SjisFit(std::string_view text, size_t max) {
    size_t n = 0;
    while (n < text.size()) {
        size_t step = (IsSjisLead(uint8_t(text[n])) && n + 1 < text.size()) ? 2 : 1;
        if (n + step > max) break;
        n += step;
    }
    return n;
}

// One report line built from printf pieces in a fixed buffer. Pieces are printed in place;
// only a piece that does not fit is scanned, to cut it between characters.
class Line {
public:
    void Add(const char* format, ...) PIXARO_PRINTF(2, 3) {
        if (cut_) return;
        const size_t room = kLineBytes - kTail - length_;
        va_list args;
        va_start(args, format);
        // One byte past the room is printed too, so the cut can see a character's trail byte.
        int n = std::vsnprintf(text_ + length_, room + 2, format, args);
        va_end(args);
        if (n < 0) return;
        if (size_t(n) <= room) {
            length_ += size_t(n);
            return;
        }
        length_ += SjisFit(std::string_view(text_ + length_, room + 1), room);
        cut_ = true;
    }
    // The dumps' value lists without printf, which is most of a walk's time: `prefix`,
    // the number in decimal (or hex), `suffix`.
    void AddNumber(const char* prefix, int64_t value, const char* suffix, bool hex = false) {
        char digits[24];
        char* end = digits + sizeof digits;
        char* p = end;
        uint64_t v = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
        do {
            *--p = "0123456789abcdef"[hex ? v % 16 : v % 10];
            v = hex ? v / 16 : v / 10;
        } while (v);
        if (value < 0) *--p = '-';
        AddRaw(prefix);
        AddRaw(std::string_view(p, size_t(end - p)));
        AddRaw(suffix);
    }
    bool Full() const { return cut_; }
    std::string_view Finish() {
        if (cut_) {
            std::memcpy(text_ + length_, " ...\n", 5);
            length_ += 5;
        }
        return {text_, length_};
    }

private:
    void AddRaw(std::string_view text) {
        if (cut_) return;
        const size_t room = kLineBytes - kTail - length_;
        const size_t keep = text.size() <= room ? text.size() : SjisFit(text, room);
        std::memcpy(text_ + length_, text.data(), keep);
        length_ += keep;
        cut_ = keep < text.size();
    }
    static constexpr size_t kTail = 8;  // the cut's " ...\n" and the extra printed byte
    char text_[kLineBytes];
    size_t length_ = 0;
    bool cut_ = false;
};

int32_t Signed(uint32_t v) { return int32_t(v); }

struct Entry {
    uint16_t tag = 0, type = 0;
    uint32_t count = 0;
    uint32_t field = 0;        // the value field as a 32-bit value in the block's byte order
    uint32_t fieldOffset = 0;  // where the value field lies, from the TIFF header
};

struct Pair {
    int32_t n, d;
};

// What one file's walk shares between the marker walk and the IFD walk.
struct WalkState {
    ExifSummary& summary;
    InfoReport& report;
    bool truncatedNoted = false;
    bool latitudeSeen = false;

    void NoteTruncated() {
        if (!truncatedNoted) report.Append(kNoteTruncated);
        truncatedNoted = true;
    }
    void AppendFormat(const char* format, ...) PIXARO_PRINTF(2, 3) {
        char piece[kPieceBytes];
        va_list args;
        va_start(args, format);
        int n = std::vsnprintf(piece, sizeof piece, format, args);
        va_end(args);
        if (n > 0) report.Append(std::string_view(piece, size_t(n) < sizeof piece ? size_t(n) : sizeof piece - 1));
    }
};

class TiffWalk {
public:
    // tiff: from the TIFF header to the end of the file. segmentCut: the APP1 segment
    // claims more bytes than the file holds, so a read that runs off the end means the
    // file was cut short rather than that an offset is wrong.
    TiffWalk(ByteReader tiff, WalkState& state, bool segmentCut)
        : tiff_(tiff), st_(state), s_(state.summary), segmentCut_(segmentCut) {}

    int WalkTiffIfds();

private:
    enum class Open { Opened, Skip, End };
    Open OpenIfd(uint32_t offset, bool limitEntries, uint16_t& count);
    void NoteBadRead(uint64_t offset, uint16_t tag, bool ifd);
    void DecodeExifEntry(int kind, const Entry& e);
    // Each true when the tag is one of its kind (and then the line holds its report).
    bool DecodeTextEntry(const Entry& e, Line& line);
    bool DecodeWordEntry(const Entry& e, Line& line);
    bool DecodePairsEntry(const Entry& e, Line& line);
    void DecodeValueEntry(const Entry& e, Line& line);
    void DecodeGpsEntry(const Entry& e, Line& line);
    void DumpUnknownEntry(const Entry& e, Line& line);
    uint32_t DumpField(const Entry& e) const;
    void Emit(Line& line);
    void FlushNote();

    bool ValueBytes(const Entry& e, int unit, ByteReader& out);
    bool Pairs(const Entry& e, uint32_t pairs, ByteReader& out);
    bool Ascii(const Entry& e, char* out, size_t size);
    bool FirstValue(const Entry& e, int unit, uint32_t& value);
    uint32_t FieldShort(const Entry& e) const;
    Pair ReadPair(ByteReader& r) {
        int32_t n = Signed(r.U32(big_));
        return {n, Signed(r.U32(big_))};
    }
    void AddPairs(const Entry& e, Line& line);
    void ShotDate(const Entry& e, Line& line);
    void XpText(const Entry& e, Line& line, const char* format, char* field, size_t size);
    bool GpsCoordinate(const Entry& e, Rational32 (&out)[3]);

    ByteReader tiff_;
    WalkState& st_;
    ExifSummary& s_;
    bool segmentCut_;
    bool big_ = false;
    uint32_t visited_[kMaxIfds] = {};
    int visitedCount_ = 0;
    char pendingNote_[96] = {};
};

// A read that leaves the file: the file was cut short, or the offset is not a real one.
void TiffWalk::NoteBadRead(uint64_t offset, uint16_t tag, bool ifd) {
    if (segmentCut_ && offset < tiff_.Size()) {
        if (!st_.truncatedNoted) std::snprintf(pendingNote_, sizeof pendingNote_, "%s", kNoteTruncated);
        st_.truncatedNoted = true;
    } else if (ifd) {
        std::snprintf(pendingNote_, sizeof pendingNote_, kNoteBadIfd, unsigned(offset));
    } else {
        std::snprintf(pendingNote_, sizeof pendingNote_, kNoteBadValue, unsigned(tag), unsigned(offset));
    }
}

// An entry's note follows its line.
void TiffWalk::Emit(Line& line) {
    std::string_view text = line.Finish();
    if (!text.empty()) st_.report.Append(text);
    FlushNote();
}

void TiffWalk::FlushNote() {
    if (pendingNote_[0]) st_.report.Append(pendingNote_);
    pendingNote_[0] = 0;
}

TiffWalk::Open TiffWalk::OpenIfd(uint32_t offset, bool limitEntries, uint16_t& count) {
    for (int i = 0; i < visitedCount_; ++i)
        if (visited_[i] == offset) {  // an IFD already read: the chain loops
            st_.AppendFormat(kNoteBadIfd, unsigned(offset));
            return Open::Skip;
        }
    if (visitedCount_ == kMaxIfds || uint64_t(offset) + 2 > kIfdWalkLimit) return Open::End;
    if (!tiff_.Fits(offset, 2)) {
        NoteBadRead(offset, 0, true);
        FlushNote();
        return Open::Skip;
    }
    count = tiff_.At(offset).U16(big_);
    if (limitEntries && count > kMaxChainedIfdEntries) return Open::End;
    visited_[visitedCount_++] = offset;
    return Open::Opened;
}

int TiffWalk::WalkTiffIfds() {
    if (!tiff_.Fits(0, 8)) {
        if (segmentCut_) st_.NoteTruncated();
        return -1;
    }
    ByteReader head = tiff_.At(0);
    uint8_t a = head.U8(), b = head.U8();
    if (a == 'I' && b == 'I') big_ = false;
    else if (a == 'M' && b == 'M') big_ = true;
    else return -1;
    if (head.U16(big_) != 42) return -1;
    uint32_t ifd = head.U32(big_);
    uint16_t count = 0;
    if (OpenIfd(ifd, false, count) != Open::Opened) return 0;
    st_.AppendFormat("IFD%d Data(%2d)----------------\n", 0, count);

    int kind = kMain, phase = 1;
    uint32_t exifIfd = 0, gpsIfd = 0, interopIfd = 0;
    for (;;) {
        const uint64_t first = uint64_t(ifd) + 2;
        bool cut = false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t at = first + 12ull * i;
            if (!tiff_.Fits(at, 12)) {
                NoteBadRead(at, 0, true);
                FlushNote();
                cut = true;
                break;
            }
            ByteReader r = tiff_.At(at);
            Entry e;
            e.tag = r.U16(big_);
            e.type = r.U16(big_);
            e.count = r.U32(big_);
            e.fieldOffset = uint32_t(at + 8);
            e.field = r.U32(big_);
            if (e.tag == 0x8769) exifIfd = e.field;
            else if (e.tag == 0x8825) gpsIfd = e.field;
            else if (e.tag == 0xA005) interopIfd = e.field;
            else DecodeExifEntry(kind, e);
        }
        uint32_t next = 0;
        if (!cut) {
            const uint64_t at = first + 12ull * count;
            if (tiff_.Fits(at, 4)) {
                next = tiff_.At(at).U32(big_);
            } else {
                NoteBadRead(at, 0, true);
                FlushNote();
            }
        }
        if (next != 0) {
            Open o = OpenIfd(next, true, count);
            if (o == Open::End) return 0;
            if (o == Open::Opened) {
                ifd = next;
                continue;
            }
        }
        // IFD0 and its chain, then the Exif IFD, then interoperability, then GPS, whatever
        // their order in the file.
        for (;;) {
            uint32_t target;
            const char* header;
            int nextKind;
            if (phase == 1) {
                phase = 2;
                if (exifIfd == 0) continue;
                target = exifIfd;
                exifIfd = 0;
                header = kExifHeader;
                nextKind = kExif;
            } else if (interopIfd != 0) {
                target = interopIfd;
                interopIfd = 0;
                header = kInteropHeader;
                nextKind = kInterop;
            } else if (gpsIfd != 0) {
                target = gpsIfd;
                gpsIfd = 0;
                header = kGpsHeader;
                nextKind = kGps;
            } else {
                return 0;
            }
            Open o = OpenIfd(target, true, count);
            if (o == Open::End) return 0;
            if (o == Open::Skip) continue;
            st_.AppendFormat(header, unsigned(target + 2), int(count));
            ifd = target;
            kind = nextKind;
            break;
        }
    }
}

// count values of `unit` bytes: in the value field when they fit its 4 bytes, else at the
// offset it holds. Values that are not all inside the file are not read.
bool TiffWalk::ValueBytes(const Entry& e, int unit, ByteReader& out) {
    if (e.count <= uint32_t(4 / unit)) {
        out = tiff_.Sub(e.fieldOffset, uint64_t(e.count) * unit);
        return true;
    }
    if (!tiff_.Fits(e.field, e.count, unit)) {
        NoteBadRead(e.field, e.tag, false);
        return false;
    }
    out = tiff_.Sub(e.field, uint64_t(e.count) * unit);
    return true;
}

// Rationals are always at the offset, whatever their count.
bool TiffWalk::Pairs(const Entry& e, uint32_t pairs, ByteReader& out) {
    if (!tiff_.Fits(e.field, pairs, 8)) {
        NoteBadRead(e.field, e.tag, false);
        return false;
    }
    out = tiff_.Sub(e.field, uint64_t(pairs) * 8);
    return true;
}

// The text up to its first NUL or its count, whichever comes first, cut to `size`.
bool TiffWalk::Ascii(const Entry& e, char* out, size_t size) {
    ByteReader r;
    if (!ValueBytes(e, 1, r)) return false;
    const size_t n = r.Remaining();
    const char* p = n ? reinterpret_cast<const char*>(r.Bytes(n)) : "";
    const void* nul = std::memchr(p, 0, n);
    CopySjis(out, size, std::string_view(p, nul ? size_t(static_cast<const char*>(nul) - p) : n));
    return true;
}

// A single SHORT held in the field is its first two bytes in file order.
uint32_t TiffWalk::FieldShort(const Entry& e) const {
    ByteReader r = tiff_.At(e.fieldOffset);
    return r.U16(big_);
}

bool TiffWalk::FirstValue(const Entry& e, int unit, uint32_t& value) {
    const uint64_t at = uint64_t(e.count) * unit <= 4 ? e.fieldOffset : e.field;
    if (!tiff_.Fits(at, 1, unit)) {
        NoteBadRead(at, e.tag, false);
        return false;
    }
    ByteReader r = tiff_.At(at);
    value = unit == 2 ? r.U16(big_) : r.U32(big_);
    return true;
}

void TiffWalk::AddPairs(const Entry& e, Line& line) {
    ByteReader r;
    if (Pairs(e, e.count, r))
        for (uint32_t i = 0; i < e.count && !line.Full(); ++i) {
            Pair p = ReadPair(r);
            line.AddNumber(" ", p.n, " / ");
            line.AddNumber("", p.d, "  ");
        }
    line.Add("\n");
}

void TiffWalk::ShotDate(const Entry& e, Line& line) {
    if (e.type != kAscii) {
        line.Add(kShotDateError, int(e.type));
        return;
    }
    char text[kValueTextBytes + 1];
    if (!Ascii(e, text, sizeof text)) return;
    line.Add(kShotDate, text);
    CopySjis(s_.ShotDateText, sizeof s_.ShotDateText, text);
    ParseShotDate(s_.ShotDateText, s_.ShotTime, s_.ShotFileTime);
}

// UTF-16LE whatever the block's byte order: Windows writes these tags itself.
void TiffWalk::XpText(const Entry& e, Line& line, const char* format, char* field, size_t size) {
    if (e.type != kByte && e.type != kUndefined) {
        DumpUnknownEntry(e, line);
        return;
    }
    ByteReader r;
    if (!ValueBytes(e, 1, r)) return;
    uint16_t units[kXpUnits];
    size_t n = 0;
    while (n < kXpUnits && r.Remaining() >= 2) units[n++] = r.U16(false);
    char text[kValueTextBytes + 1];
    Utf16ToCp932(units, n, text, sizeof text);
    line.Add(format, text);
    CopySjis(field, size, text);
}

bool TiffWalk::GpsCoordinate(const Entry& e, Rational32 (&out)[3]) {
    ByteReader r;
    if (!Pairs(e, 3, r)) return false;
    for (Rational32& part : out) {
        part.Numerator = r.U32(big_);
        part.Denominator = r.U32(big_);
    }
    return true;
}

void TiffWalk::DecodeGpsEntry(const Entry& e, Line& line) {
    const bool rational3 = (e.type == kRational || e.type == kSRational) && e.count == 3;
    const bool ascii2 = e.type == kAscii && e.count == 2;
    char text[kValueTextBytes + 1];
    ByteReader r;
    switch (e.tag) {
    case 0:
        if (e.type != kByte || e.count != 4) return DumpUnknownEntry(e, line);
        r = tiff_.At(e.fieldOffset);
        {
            uint8_t v[4] = {r.U8(), r.U8(), r.U8(), r.U8()};
            line.Add("GPS TAG Ver = %x.%x.%x.%x \n", v[0], v[1], v[2], v[3]);
        }
        return;
    case 1:
        if (!ascii2) return DumpUnknownEntry(e, line);
        Ascii(e, s_.GpsLatitudeRef, sizeof s_.GpsLatitudeRef);
        return;
    case 2:
        if (!rational3) return DumpUnknownEntry(e, line);
        if (GpsCoordinate(e, s_.GpsLatitude)) st_.latitudeSeen = true;
        return;
    case 3:
        if (!ascii2) return DumpUnknownEntry(e, line);
        Ascii(e, s_.GpsLongitudeRef, sizeof s_.GpsLongitudeRef);
        return;
    case 4:
        if (!rational3) return DumpUnknownEntry(e, line);
        if (!GpsCoordinate(e, s_.GpsLongitude)) return;
        // Only a latitude of this file may pair with this longitude.
        if (s_.GpsLongitude[0].Denominator != 0 && st_.latitudeSeen)
            BuildGpsPosition(s_.GpsLatitudeRef, s_.GpsLatitude, s_.GpsLongitudeRef, s_.GpsLongitude, s_.GpsText,
                             sizeof s_.GpsText, s_.MapLink, sizeof s_.MapLink);
        line.Add("%s\n", s_.GpsText);
        return;
    case 5:
        if (e.type != kByte || e.count != 1) return DumpUnknownEntry(e, line);
        {
            uint8_t v = tiff_.At(e.fieldOffset).U8();
            if (v == 0) line.Add("%s", kAltitudeSea);
            else line.Add(kAltitudeReserved, v);
        }
        return;
    case 6:
        if (e.type != kRational || e.count != 1) return DumpUnknownEntry(e, line);
        if (Pairs(e, 1, r)) {
            Pair p = ReadPair(r);
            line.Add(kAltitude, p.n, p.d);
        }
        return;
    case 7:
        if (e.type != kRational || e.count != 3) return DumpUnknownEntry(e, line);
        if (Pairs(e, 3, r)) {
            Pair h = ReadPair(r), m = ReadPair(r), s = ReadPair(r);
            line.Add(kGpsTime, h.n, h.d, m.n, m.d, s.n, s.d);
        }
        return;
    case 8:
        if (e.type == kAscii && Ascii(e, text, sizeof text)) line.Add("GPSSatellites=%s\n", text);
        return;
    case 9:
        if (ascii2 && Ascii(e, text, sizeof text)) line.Add(kGpsStatus, text);
        return;
    case 10:
        if (ascii2 && Ascii(e, text, sizeof text)) line.Add(kGpsMeasure, text);
        return;
    case 11:
        if (e.type != kRational || e.count != 3) return;
        line.Add("%s", kGpsDop);
        AddPairs(e, line);
        return;
    case 18:
        if (e.type == kAscii && Ascii(e, text, sizeof text)) line.Add("MAPDatum=%s\n", text);
        return;
    }
}

void TiffWalk::DecodeExifEntry(int kind, const Entry& e) {
    Line line;
    // The GPS table's numbers mean nothing outside the GPS IFD (the interoperability
    // IFD uses 1 and 2 for its own tags).
    if (e.tag <= 11 || e.tag == 18) {
        if (kind == kGps) DecodeGpsEntry(e, line);
        return Emit(line);
    }
    // Tags the report leaves out.
    static constexpr uint16_t kSilentTags[] = {0x0112, 0x011A, 0x011B, 0x0128, 0x9290, 0x9291, 0x9292};
    const bool silent = std::find(std::begin(kSilentTags), std::end(kSilentTags), e.tag) != std::end(kSilentTags);
    if (!silent && !DecodeTextEntry(e, line) && !DecodeWordEntry(e, line) && !DecodePairsEntry(e, line))
        DecodeValueEntry(e, line);
    Emit(line);
}

bool TiffWalk::DecodeTextEntry(const Entry& e, Line& line) {
    char text[kValueTextBytes + 1];
    struct AsciiRow {
        uint16_t tag;
        const char* format;
        const char* error;
        char* field;
        size_t size;
        char* utf8;  // same size as field
    };
    const AsciiRow asciiRows[] = {
        {0x010E, "ImageDescription = %s \n", "ImageDescriptionError TTYPE= %d\n", s_.ImageDescriptionText,
         sizeof s_.ImageDescriptionText, s_.ImageDescriptionUtf8},
        {0x010F, kMake, kMakeError, s_.MakeText, sizeof s_.MakeText, s_.MakeUtf8},
        {0x0110, "Model  = %s \n", "ModelError TTYPE= %d\n", s_.ModelText, sizeof s_.ModelText, s_.ModelUtf8},
        {0x0131, "Software Ver. = %s \n", "Software VerError TTYPE= %d\n", s_.SoftwareText, sizeof s_.SoftwareText,
         s_.SoftwareUtf8},
        {0x0132, kDateTime, kDateTimeError, nullptr, 0, nullptr},
        {0x8298, kRights, nullptr, s_.RightsText, sizeof s_.RightsText, s_.RightsUtf8},
        {0xA004, "SoundFile = %s \n", nullptr, nullptr, 0, nullptr},
    };
    for (const AsciiRow& row : asciiRows) {
        if (row.tag != e.tag) continue;
        const bool utf8Type = e.type == kUtf8 && row.utf8;
        if (e.type != kAscii && !utf8Type) {
            if (row.error) line.Add(row.error, int(e.type));
        } else if (Ascii(e, text, sizeof text)) {
            // Decided per value: UTF-8 when it is well-formed UTF-8 beyond ASCII, else the
            // Shift-JIS that older cameras and Windows tools write.
            if (row.utf8 && IsUtf8Text(text)) {
                char sjis[kValueTextBytes + 1];
                Utf8ToCp932(text, sjis, sizeof sjis);
                line.Add(row.format, sjis);
                CopySjis(row.field, row.size, sjis);
                const std::string_view raw(text);
                const size_t n = Utf8Fit(raw, row.size - 1);
                std::memcpy(row.utf8, text, n);
                row.utf8[n] = 0;
            } else {
                line.Add(row.format, text);
                if (row.field) CopySjis(row.field, row.size, text);
            }
        }
        return true;
    }
    return false;

}

bool TiffWalk::DecodeWordEntry(const Entry& e, Line& line) {
    // Tags shown as a word for their short value; a value without a word shows nothing.
    struct WordRow {
        uint16_t tag;
        bool dumpOtherTypes;  // a value of another type is listed raw rather than dropped
        uint32_t value1;
        const char* word1;
        uint32_t value2;
        const char* word2;
    };
    static const WordRow wordRows[] = {
        {0x0103, false, 1, kThumbUncompressed, 6, kThumbJpeg},
        {0x0213, true, 1, kPositionCentred, 2, kPositionCosited},
        {0xA001, false, 1, kColorSrgb, 0xFFFF, kColorUncalibrated},
    };
    for (const WordRow& row : wordRows) {
        if (row.tag != e.tag) continue;
        // The compression of the thumbnail is read from any type, as it always was.
        if (e.type != kShort && row.tag != 0x0103) {
            if (row.dumpOtherTypes) DumpUnknownEntry(e, line);
            return true;
        }
        const uint32_t v = FieldShort(e);
        if (v == row.value1) line.Add("%s", row.word1);
        if (v == row.value2) line.Add("%s", row.word2);
        if (row.tag == 0x0103 && (v == 1 || v == 6)) s_.ThumbnailCompression = v;
        return true;
    }
    return false;
}

bool TiffWalk::DecodePairsEntry(const Entry& e, Line& line) {
    // Tags shown as their count and rational pairs.
    static const struct {
        uint16_t tag;
        const char* format;
    } pairRows[] = {{0x013F, kPrimaries}, {0x0211, kYCbCrCoefficients}, {0x0214, kBlackWhite}};
    for (const auto& row : pairRows) {
        if (row.tag != e.tag) continue;
        line.Add(row.format, int(e.count));
        AddPairs(e, line);
        return true;
    }
    return false;
}

void TiffWalk::DecodeValueEntry(const Entry& e, Line& line) {
    ByteReader r;
    uint32_t v = 0;
    switch (e.tag) {
    case 0x013E: {
        const uint32_t pairs = e.count < 2 ? e.count : 2;
        if (pairs == 0 || !Pairs(e, pairs, r)) break;
        Pair a = ReadPair(r);
        line.Add(kWhitePoint, int(e.count), a.n, a.d);
        if (pairs == 2) {
            Pair b = ReadPair(r);
            line.Add(" %d / %d \n", b.n, b.d);
        } else {
            line.Add("\n");
        }
        break;
    }
    case 0x0201:
        line.Add(kThumbOffset, Signed(e.field));
        s_.ThumbnailOffset = e.field;
        break;
    case 0x0202:
        line.Add(kThumbLength, Signed(e.field));
        s_.ThumbnailLength = e.field;
        break;
    case 0x829A:
        if (e.type != kRational || e.count != 1 || !Pairs(e, 1, r)) break;
        {
            Pair p = ReadPair(r);
            line.Add(kExposureTime, p.n, p.d);
            std::snprintf(s_.ExposureTimeText, sizeof s_.ExposureTimeText, " %d / %d", p.n, p.d);
        }
        break;
    case 0x829D:
        if (e.type != kRational || e.count != 1 || !Pairs(e, 1, r)) break;
        {
            Pair p = ReadPair(r);
            if (p.d != 0) line.Add(kFNumber, double(p.n) / double(p.d));
            else line.Add(kFNumberRaw, p.n, p.d);
        }
        break;
    case 0x8822:
        if (e.type != kShort) {
            DumpUnknownEntry(e, line);
            break;
        }
        v = FieldShort(e);
        line.Add("%s%s", kExposureProgram, v >= 1 && v <= 8 ? kProgramNames[v] : "\n");
        break;
    case 0x8827:
        if (e.type != kShort) {
            DumpUnknownEntry(e, line);
            break;
        }
        if (FirstValue(e, 2, v)) line.Add(kIso, int(v));
        break;
    case 0x9003:
        ShotDate(e, line);
        break;
    case 0x9004:
        // An unset DateTimeOriginal is written as spaces; only then does the digitized date count.
        if (s_.ShotDateText[0] == ' ') ShotDate(e, line);
        break;
    case 0x9C9B: XpText(e, line, kXpTitle, s_.XpTitle, sizeof s_.XpTitle); break;
    case 0x9C9C: XpText(e, line, kXpComment, s_.XpComment, sizeof s_.XpComment); break;
    case 0x9C9D: XpText(e, line, kXpAuthor, s_.XpAuthor, sizeof s_.XpAuthor); break;
    case 0x9C9E: XpText(e, line, kXpKeywords, s_.XpKeywords, sizeof s_.XpKeywords); break;
    case 0x9C9F: XpText(e, line, kXpSubject, s_.XpSubject, sizeof s_.XpSubject); break;
    case 0xA001:
        if (e.type != kShort) break;
        v = FieldShort(e);
        if (v == 1) line.Add("%s", kColorSrgb);
        if (v == 0xFFFF) line.Add("%s", kColorUncalibrated);
        break;
    case 0xA002:
    case 0xA003:
        if (e.type != kShort && e.type != kLong) {
            DumpUnknownEntry(e, line);
            break;
        }
        if (FirstValue(e, e.type == kShort ? 2 : 4, v))
            line.Add(e.tag == 0xA002 ? "ExifImageWide  = %d\n" : "ExifImageHeight = %d\n", Signed(v));
        break;
    default:
        DumpUnknownEntry(e, line);
        break;
    }
}

void TiffWalk::DumpUnknownEntry(const Entry& e, Line& line) {
    line.Add("UnKnown(0x%04x) = ", e.tag);
    const int count = Signed(e.count);
    ByteReader r;
    switch (e.type) {
    case kByte:
        line.Add("(Byte)[%d]", count);
        if (ValueBytes(e, 1, r))
            while (r.Remaining() > 0 && !line.Full()) line.AddNumber("", r.U8(), " ", true);
        line.Add("\n");
        break;
    case kAscii: {
        char text[kValueTextBytes + 1] = "";
        Ascii(e, text, sizeof text);
        line.Add("(Ascii)[%d] %s \n", count, text);
        break;
    }
    case kShort:
        line.Add("(Short)[%d]", count);
        if (ValueBytes(e, 2, r))
            while (r.Remaining() >= 2 && !line.Full()) line.AddNumber("", r.U16(big_), " ");
        line.Add("\n");
        break;
    case kLong:
    case kSLong: {
        const char* name = e.type == kLong ? "(Long)" : "(signed Long)";
        if (e.count == 1) {
            line.Add("%s[1]%d\n", name, Signed(e.field));
            break;
        }
        line.Add("%s[%d]", name, count);
        if (ValueBytes(e, 4, r))
            while (r.Remaining() >= 4 && !line.Full()) line.AddNumber("", Signed(r.U32(big_)), " ");
        line.Add("\n");
        break;
    }
    case kRational:
    case kSRational:
        line.Add(e.type == kRational ? "(Ratioal Long)[%d]" : "(Ratioal signed Long)[%d]", count);
        AddPairs(e, line);
        break;
    default:
        line.Add(" %02x-%04x-%04x\n", e.type, e.count, DumpField(e));
        break;
    }
}

// The value field as one number. Bytes and 16-bit values held in it are taken in file order,
// so the same content prints the same in both byte orders.
uint32_t TiffWalk::DumpField(const Entry& e) const {
    ByteReader r = tiff_.At(e.fieldOffset);
    if ((e.type == kSByte || e.type == kUndefined) && e.count <= 4) return r.U32(true);
    if (e.type == kSShort && e.count <= 2) {
        uint32_t first = r.U16(big_);
        return first << 16 | r.U16(big_);
    }
    return e.field;
}

int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

void InfoReport::Clear() {
    length_ = 0;
    full_ = false;
    text_[0] = 0;
}

void InfoReport::Append(std::string_view line) {
    if (full_) return;
    constexpr size_t kNote = sizeof kNoteReportFull - 1;
    // Room for a line break and the closing note is always kept free.
    const size_t room = kInfoReportBytes - 1 - kNote - 1 - length_;
    if (line.size() <= room) {
        std::memcpy(text_ + length_, line.data(), line.size());
        length_ += line.size();
    } else {
        size_t keep = SjisFit(line, room);
        std::memcpy(text_ + length_, line.data(), keep);
        length_ += keep;
        if (length_ > 0 && text_[length_ - 1] != '\n') text_[length_++] = '\n';
        std::memcpy(text_ + length_, kNoteReportFull, kNote);
        length_ += kNote;
        full_ = true;
    }
    text_[length_] = 0;
}

void ParseShotDate(const char* text, SystemTime& time, FileTime& fileTime) {
    time = {};
    time.DayOfWeek = 7;
    fileTime = {};
    int y, mo, d, h, mi, s;
    if (std::sscanf(text, "%4d:%2d:%2d %2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) != 6) return;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // The month indexes the table only after it is known to be 1..12.
    if (y < 1601 || y > 30827 || mo < 1 || mo > 12 || d < 1) return;
    if (d > kDays[mo - 1] + (mo == 2 && IsLeap(y) ? 1 : 0)) return;
    if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return;
    const int64_t days = DaysFromCivil(y, mo, d) - DaysFromCivil(1601, 1, 1);
    const uint64_t ticks = (uint64_t(days) * 86400 + uint64_t(h) * 3600 + uint64_t(mi) * 60 + uint64_t(s)) * 10000000u;
    fileTime.Low = uint32_t(ticks);
    fileTime.High = uint32_t(ticks >> 32);
    time.Year = uint16_t(y);
    time.Month = uint16_t(mo);
    time.DayOfWeek = uint16_t((days + 1) % 7);  // 1601-01-01 was a Monday
    time.Day = uint16_t(d);
    time.Hour = uint16_t(h);
    time.Minute = uint16_t(mi);
    time.Second = uint16_t(s);
}

int ParseJpegMarkers(const uint8_t* data, size_t size, ExifSummary& summary, InfoReport& report) {
    report.Clear();
    if (!data || size == 0) {
        report.Append("No Data");
        return 0;
    }
    ByteReader file(data, size);
    if (file.At(0).U16BE() != 0xFFD8) return 0;
    report.Append(kJpegFormat);
    WalkState st{summary, report};

    uint64_t pos = 2;
    while (pos <= kMarkerWalkLimit) {
        // A stream that stops before its image data is a file cut short.
        if (!file.Fits(pos, 2)) {
            if (file.Contains(pos) || pos == size) st.NoteTruncated();
            break;
        }
        ByteReader marker = file.At(pos);
        if (marker.U8() != 0xFF) break;
        const uint8_t code = marker.U8();
        if (code < 0xC0 || code == 0xD8 || code == 0xD9 || code == 0xFF) break;
        if (!file.Fits(pos, 4)) {
            st.NoteTruncated();
            break;
        }
        const unsigned length = marker.U16BE();
        const uint64_t next = pos + length + 2;
        const bool cut = next > size;
        const unsigned at = unsigned(pos);
        switch (code) {
        case 0xC0: st.AppendFormat("%06X-FF %2X SOF0 Baseline DCT \n", at, code); break;
        case 0xC1: st.AppendFormat("%06X-FF %2X SOF1 Extanded sequential DCT \n", at, code); break;
        case 0xC2: st.AppendFormat("%06X-FF %2X SOF2 Progressive DCT \n", at, code); break;
        case 0xC3: st.AppendFormat("%06X-FF %2X SOF3 Lossless(sequential \n", at, code); break;
        case 0xC5: st.AppendFormat("%06X-FF %2X SOF5 Differential sequential DCT \n", at, code); break;
        case 0xC6: st.AppendFormat("%06X-FF %2X SOF6 Differential Progressive DCT \n", at, code); break;
        case 0xC7: st.AppendFormat("%06X-FF %2X SOF7 Differential Lossless(sequential) DCT\n", at, code); break;
        case 0xC8: st.AppendFormat("%06X-FF %2X JPG  Reserved for JPEG extensions\n", at, code); break;
        case 0xC9: st.AppendFormat("%06X-FF %2X SOF9 Extended sequential DCT\n", at, code); break;
        case 0xCA: st.AppendFormat("%06X-FF %2X OF10 Progressive DCT\n", at, code); break;
        case 0xCB: st.AppendFormat("%06X-FF %2X SOF11 Lossless(sequential) DCT\n", at, code); break;
        case 0xDA: st.AppendFormat(kSosLine, at, code, length); break;
        case 0xDB: st.AppendFormat("%06X-FF DB Define quantization table(s) (%04d)byte data \n", at, int(length)); break;
        case 0xFE: st.AppendFormat("%06X-FF %2X (%04x)byte Comment data \n", at, code, length); break;
        case 0xE1: {
            const uint8_t* id = length >= 8 ? marker.Bytes(6) : nullptr;
            if (id && std::memcmp(id, "Exif\0\0", 6) == 0) {
                report.Append(kExifInfo);
                TiffWalk(file.Sub(pos + 10), st, cut).WalkTiffIfds();
                summary.ExifSegmentStart = at;
            }
            report.Append("\n");
            // Kept inside the file, so removing the block never reaches past its end.
            summary.ExifSegmentEnd = uint32_t((cut ? size : next) - 1);
            break;
        }
        default:
            if (code >= 0xE0 && code <= 0xEF) st.AppendFormat(kAppLine, at, code, length);
            else st.AppendFormat("%06X-FF %2X (%04x)byte  data \n", at, code, length);
            break;
        }
        if (cut) st.NoteTruncated();
        if (code == 0xDA) break;
        pos = next;
    }
    return 0;
}
