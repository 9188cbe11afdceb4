#include "jww/JwwFormat.h"

#include <charconv>
#include <cstring>

#include "base/SjisText.h"

namespace {

constexpr const char* kClassNames[kJwClassCount] = {"CDataSen", "CDataMoji", "CDataEnko"};
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kLongIndexTag = 0x7FFF;
constexpr uint32_t kShortIndexLimit = 0x7FFF;
constexpr uint16_t kRecordFlags = 0x0200;
// Every text record names this font: "ＭＳ 明朝" in code page 932.
constexpr char kMojiFont[] = "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9";
constexpr size_t kMojiFontBytes = sizeof kMojiFont - 1;
static_assert(kMojiFontBytes == 9);

// The 15 bytes every record starts with.
void PutCommon(JwBlockWriter& w, const JwPen& pen) {
    w.U32(0);
    w.U8(pen.Style);
    w.U16(pen.Colour);
    w.U16(0);
    w.U16(pen.Layer);
    w.U16(0);
    w.U16(kRecordFlags);
}

}  // namespace

// ---- Coordinate text ----

size_t AppendFixed6(std::string& out, double v) {
    char buffer[352];  // the longest double in fixed notation with six decimals
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6);
    if (ec != std::errc()) return 0;
    out.append(buffer, end);
    return size_t(end - buffer);
}

void AppendJwColour(std::string& out, int colour) {
    out += "lc ";
    out += char('0' + (colour < 1 ? 1 : colour > 8 ? 8 : colour));
    out += "\r\n";
}

void AppendJwLine(std::string& out, double x1, double y1, double x2, double y2, int blanks) {
    AppendFixed6(out, x1), out += ' ';
    AppendFixed6(out, y1), out += ' ';
    AppendFixed6(out, x2), out += ' ';
    AppendFixed6(out, y2);
    out.append(size_t(blanks > 0 ? blanks : 0), ' ');
    out += "\r\n";
}

void AppendJwPoint(std::string& out, double x, double y) {
    AppendFixed6(out, x), out += ' ';
    AppendFixed6(out, y);
    out += " \r\n";
}

void AppendJwEllipse(std::string& out, double cx, double cy, double radius, double flatness, double tilt) {
    out += "ci ";
    AppendFixed6(out, cx), out += ' ';
    AppendFixed6(out, cy), out += ' ';
    AppendFixed6(out, radius);
    out += " 0 360 ";
    AppendFixed6(out, flatness), out += ' ';
    AppendFixed6(out, tilt);
    out += " \r\n";
}

void AppendJwQuarterArc(std::string& out, double cx, double cy, double radius, int quadrant) {
    static constexpr const char* kAngles[4] = {" 0 90 1 0 \r\n", " 90 180 1 0 \r\n", " 180 270 1 0 \r\n",
                                               " 270 360 1 0 \r\n"};
    out += "ci ";
    AppendFixed6(out, cx), out += ' ';
    AppendFixed6(out, cy), out += ' ';
    AppendFixed6(out, radius);
    out += kAngles[quadrant & 3];
}

void AppendJwTextSize(std::string& out, double width, double height) {
    out += "cn0 ";
    AppendFixed6(out, width), out += ' ';
    AppendFixed6(out, height);
    out += " 0 2 \r\n";
}

// A font or text is user data inside a command: whatever it holds, the command stays one line.
void AppendJwFont(std::string& out, std::string_view font) {
    out += "cn\"$<";
    AppendOneLine(out, font);
    out += ">\r\n";
}

void AppendJwText(std::string& out, double x, double y, std::string_view text) {
    out += "ch ";
    AppendFixed6(out, x), out += ' ';
    AppendFixed6(out, y);
    out += " 1 0 \"";
    AppendOneLine(out, text);
    out += " \r\n";
}

// ---- The block ----

bool JwBlockWriter::Put(const void* bytes, size_t n) {
    if (failed_ || n > capacity_ - pos_) {
        failed_ = true;
        return false;
    }
    std::memcpy(data_ + pos_, bytes, n);
    pos_ += n;
    return true;
}

bool JwBlockWriter::U16(uint16_t v) {
    const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
    return Put(b, 2);
}

bool JwBlockWriter::U32(uint32_t v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return Put(b, 4);
}

bool JwBlockWriter::F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return U32(uint32_t(bits)) && U32(uint32_t(bits >> 32));
}

size_t JwBlockWriter::TagBytes(JwClass c) const {
    const uint32_t index = classIndex_[c];
    if (index == 0) return 6 + std::strlen(kClassNames[c]);
    return index < kShortIndexLimit ? 2 : 6;
}

bool JwBlockWriter::BeginRecord(JwClass c, size_t body) {
    if (failed_ || TagBytes(c) + body > capacity_ - pos_) {
        failed_ = true;
        return false;
    }
    uint32_t& index = classIndex_[c];
    if (index == 0) {
        const size_t nameBytes = std::strlen(kClassNames[c]);
        U16(kNewClassTag), U16(kJwSchema), U16(uint16_t(nameBytes)), Put(kClassNames[c], nameBytes);
        index = ++counter_;
    } else if (index < kShortIndexLimit) {
        U16(uint16_t(0x8000 | index));
    } else {
        U16(kLongIndexTag), U32(0x80000000u | index);
    }
    ++counter_;
    ++objects_;
    return true;
}

size_t WriteJwSenRecord(JwBlockWriter& w, const JwPen& pen, double x1, double y1, double x2, double y2) {
    const size_t start = w.Size();
    if (!w.BeginRecord(kJwSen, kJwSenBytes)) return 0;
    PutCommon(w, pen);
    w.F64(x1 * 10.0), w.F64(y1 * 10.0), w.F64(x2 * 10.0), w.F64(y2 * 10.0);
    return w.Size() - start;
}

size_t WriteJwMojiRecord(JwBlockWriter& w, const JwPen& pen, double sizeX, double sizeY, double spacing,
                         double startX, double startY, double endX, double endY, std::string_view text) {
    // 0xFF then 0xFFFF would announce a 32-bit length that JWW's reader may not take.
    if (text.size() >= 0xFFFF) return w.Fail(), 0;
    const size_t lengthBytes = text.size() <= 254 ? 1 : 3;
    const size_t start = w.Size();
    if (!w.BeginRecord(kJwMoji, kJwMojiFixedBytes + lengthBytes + text.size())) return 0;
    PutCommon(w, pen);
    w.F64(startX * 10.0), w.F64(startY * 10.0), w.F64(endX * 10.0), w.F64(endY * 10.0);
    w.U32(3);
    w.F64(sizeX), w.F64(sizeY), w.F64(spacing), w.F64(0.0);
    w.U8(uint8_t(kMojiFontBytes)), w.Put(kMojiFont, kMojiFontBytes);
    if (lengthBytes == 1)
        w.U8(uint8_t(text.size()));
    else
        w.U8(0xFF), w.U16(uint16_t(text.size()));
    w.Put(text.data(), text.size());
    return w.Size() - start;
}

size_t WriteJwEnkoRecord(JwBlockWriter& w, const JwPen& pen, double cx, double cy, double radius,
                         double startAngle, double arcAngle, double flatness, double tilt) {
    const size_t start = w.Size();
    if (!w.BeginRecord(kJwEnko, kJwEnkoBytes)) return 0;
    PutCommon(w, pen);
    w.F64(cx * 10.0), w.F64(cy * 10.0), w.F64(radius * 10.0);
    w.F64(startAngle), w.F64(arcAngle), w.F64(tilt), w.F64(flatness);
    w.U32(0);
    return w.Size() - start;
}

size_t WriteJwHeader(uint8_t* out, size_t capacity, double refX, double refY, double scale, uint32_t count) {
    JwBlockWriter w(out, capacity);
    const size_t size = JwHeaderBytes(count);
    if (capacity < size) return 0;
    w.F64(refX), w.F64(refY);
    for (int i = 0; i < 16; ++i) w.F64(scale);
    if (count < 0xFFFF)
        w.U16(uint16_t(count));
    else
        w.U16(0xFFFF), w.U32(count);
    return w.Size();
}
