// What Pixaro hands to JWW: the coordinate text commands and the "Jw_win" clipboard block
// (a header, then CDataSen / CDataMoji / CDataEnko records in JWW's object-archive layout).
// Portable writers over bounded buffers: a writer that would overrun writes nothing more and
// says so, and the caller reports it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---- Paper units ----

// Image pixels to paper millimetres for a drawing scanned at `dpi` and drawn at 1/`scale`:
// x·25.4·N / DPI, rows negated because paper y grows upwards. The clipboard block of the
// conversion dialog takes a further 0.01, and the record writers multiply by 10.
struct JwwPaperTransform {
    int32_t Dpi = 200;
    int32_t Scale = 100;
    double Factor = 1.0;  // 1 for the text file, 0.01 for the dialog's clipboard block

    double X(double x) const { return x * 25.4 * Scale / Dpi * Factor; }
    double Y(double y) const { return -y * 25.4 * Scale / Dpi * Factor; }
};
inline JwwPaperTransform TextFileTransform(int32_t dpi, int32_t scale) { return {dpi, scale, 1.0}; }
inline JwwPaperTransform ClipboardTransform(int32_t dpi, int32_t scale) { return {dpi, scale, 0.01}; }

// ---- Coordinate text ----

// printf's "%f" (six decimals, round to nearest) without the C library's locale and speed.
// Appends to out; returns the number of bytes appended.
size_t AppendFixed6(std::string& out, double v);
// "%f %f %f %f" + `blanks` spaces + CR LF: a line segment (blanks 1 and 2 mark frame sides
// and leader lines of graffiti texts).
void AppendJwLine(std::string& out, double x1, double y1, double x2, double y2, int blanks = 0);
// "lc N" + CR LF: the line colour, 1..8, for the lines that follow.
void AppendJwColour(std::string& out, int colour);
// "%f %f \r\n": one point.
void AppendJwPoint(std::string& out, double x, double y);
// "ci %f %f %f 0 360 %f %f \r\n": a full ellipse.
void AppendJwEllipse(std::string& out, double cx, double cy, double radius, double flatness, double tilt);
// "ci %f %f %f S E 1 0 \r\n" for quarter arcs: quadrant 0 = 0..90, 1 = 90..180, 2 = 180..270, 3 = 270..360.
void AppendJwQuarterArc(std::string& out, double cx, double cy, double radius, int quadrant);
// "cn0 %f %f 0 2 \r\n": character width and height.
void AppendJwTextSize(std::string& out, double width, double height);
// "cn\"$<font>\r\n" and "ch %f %f 1 0 \"text \r\n": font and text go through AppendOneLine,
// so each stays one command line whatever bytes it holds; a text of several lines is one
// "ch" command a line (the caller splits it).
void AppendJwFont(std::string& out, std::string_view font);
void AppendJwText(std::string& out, double x, double y, std::string_view text);

// ---- The "Jw_win" block ----

// The pen every record carries.
struct JwPen {
    uint8_t Style = 1;   // line type
    uint16_t Colour = 1; // line colour number 1..8
    uint16_t Layer = 0;
};

enum JwClass { kJwSen = 0, kJwMoji = 1, kJwEnko = 2, kJwClassCount = 3 };

// Record bytes without their class tag, by the field lists: 15 common + the class's own.
constexpr size_t kJwCommonBytes = 15;
constexpr size_t kJwSenBytes = kJwCommonBytes + 4 * 8;                // 47
constexpr size_t kJwEnkoBytes = kJwCommonBytes + 7 * 8 + 4;           // 75
constexpr size_t kJwMojiFixedBytes = kJwCommonBytes + 4 * 8 + 4 + 4 * 8 + 1 + 9;  // 93, before the text
// The longest class tag: a new class (FF FF, schema, name length, "CDataMoji").
constexpr size_t kJwMaxTagBytes = 2 + 2 + 2 + 9;
constexpr uint16_t kJwSchema = 700;
// Header: reference point, 16 scales and a 16-bit count, or FFFF and a 32-bit count.
constexpr size_t kJwShortHeaderBytes = 146, kJwLongHeaderBytes = 150;
inline size_t JwHeaderBytes(uint32_t count) { return count < 0xFFFF ? kJwShortHeaderBytes : kJwLongHeaderBytes; }

// One block being written: the output window, the object count, the archive's running
// index counter and the index each class was given in this block.
class JwBlockWriter {
public:
    JwBlockWriter(uint8_t* data, size_t capacity) : data_(data), capacity_(capacity) {}

    bool Ok() const { return !failed_; }
    void Fail() { failed_ = true; }
    size_t Size() const { return pos_; }
    uint32_t ObjectCount() const { return objects_; }
    uint32_t IndexCounter() const { return counter_; }

    // Raw little-endian fields; on overrun nothing is written and the writer stays failed.
    bool Put(const void* bytes, size_t n);
    bool U8(uint8_t v) { return Put(&v, 1); }
    bool U16(uint16_t v);
    bool U32(uint32_t v);
    bool F64(double v);

    // Checks that the tag and `body` bytes fit, so a record that does not leaves no half of
    // itself behind, then writes the class tag and counts the record.
    bool BeginRecord(JwClass c, size_t body);

private:
    size_t TagBytes(JwClass c) const;

    uint8_t* data_;
    size_t capacity_;
    size_t pos_ = 0;
    bool failed_ = false;
    uint32_t objects_ = 0;
    uint32_t counter_ = 0;
    uint32_t classIndex_[kJwClassCount] = {};  // 0: not yet written in this block
};

// Each writes a class tag and one record, coordinates × 10, and returns the bytes written;
// 0 when the buffer is too small (the writer is then failed and the block unusable).
size_t WriteJwSenRecord(JwBlockWriter& w, const JwPen& pen, double x1, double y1, double x2, double y2);
size_t WriteJwMojiRecord(JwBlockWriter& w, const JwPen& pen, double sizeX, double sizeY, double spacing,
                         double startX, double startY, double endX, double endY, std::string_view text);
size_t WriteJwEnkoRecord(JwBlockWriter& w, const JwPen& pen, double cx, double cy, double radius,
                         double startAngle, double arcAngle, double flatness, double tilt);
// The header at out[0..]: 146 or 150 bytes, or 0 when capacity is smaller.
size_t WriteJwHeader(uint8_t* out, size_t capacity, double refX, double refY, double scale, uint32_t count);

// ---- Reading both forms back ----

struct JwLineItem { double X1, Y1, X2, Y2; int Blanks; int Colour; int Type; };
struct JwPointItem { double X, Y; };
struct JwEllipseItem { double Cx, Cy, Radius, Start, End, Flatness, Tilt; int Colour; int Type; };
struct JwTextItem { double X, Y, Width, Height; std::string Font, Text; int Colour; };

// The contents of a coordinate text file or a block; for a block, the values are as stored
// (the writers' ×10) and Start/End of an ellipse are its start and arc angles.
struct JwContent {
    std::vector<JwLineItem> Lines;
    std::vector<JwPointItem> Points;
    std::vector<JwEllipseItem> Ellipses;
    std::vector<JwTextItem> Texts;
    // Block header.
    double RefX = 0, RefY = 0, Scale = 0;
    uint32_t Count = 0;
    size_t BlockBytesUsed = 0;  // header and records, without the zero tail
    // Extent of every coordinate read (min > max when there were none).
    double MinX = 1e300, MinY = 1e300, MaxX = -1e300, MaxY = -1e300;
};

// "" on success, otherwise what is wrong and where (line number or byte offset).
std::string ReadJwCoordinateText(const uint8_t* data, size_t size, JwContent& out);
std::string ReadJwBlock(const uint8_t* data, size_t size, JwContent& out);
