// Reads the coordinate text and the "Jw_win" block back: our own round trips, the
// command-line check, and one day what other programs put on the clipboard. Both inputs are
// untrusted; every byte goes through ByteReader or a bounded line cursor.
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/ByteReader.h"
#include "jww/JwwFormat.h"

namespace {

void Extend(JwContent& c, double x, double y) {
    if (x < c.MinX) c.MinX = x;
    if (x > c.MaxX) c.MaxX = x;
    if (y < c.MinY) c.MinY = y;
    if (y > c.MaxY) c.MaxY = y;
}

// One line of the text file, without its CR LF.
class LineCursor {
public:
    LineCursor(const char* begin, const char* end) : p_(begin), end_(end) {}

    bool Word(const char* w) {
        const size_t n = std::strlen(w);
        if (size_t(end_ - p_) < n || std::memcmp(p_, w, n) != 0) return false;
        p_ += n;
        return true;
    }
    // A finite number in fixed notation, followed by a blank or the end of the line.
    bool Number(double& v) {
        auto [next, ec] = std::from_chars(p_, end_, v, std::chars_format::fixed);
        if (ec != std::errc() || !std::isfinite(v) || (next != end_ && *next != ' ')) return false;
        p_ = next;
        return true;
    }
    bool Integer(int& v) {
        auto [next, ec] = std::from_chars(p_, end_, v);
        if (ec != std::errc() || (next != end_ && *next != ' ')) return false;
        p_ = next;
        return true;
    }
    bool Blank() { return p_ != end_ && *p_ == ' ' ? (++p_, true) : false; }
    int Blanks() {
        int n = 0;
        while (Blank()) ++n;
        return n;
    }
    bool AtEnd() const { return p_ == end_; }
    std::string_view Rest() const { return {p_, size_t(end_ - p_)}; }

private:
    const char* p_;
    const char* end_;
};

struct TextState {
    int Colour = 1, Type = 1;
    double Width = 0, Height = 0;
    std::string Font;
};

// Numbers separated by single blanks; false unless exactly n are there.
bool Numbers(LineCursor& c, double* v, int n) {
    for (int i = 0; i < n; ++i)
        if ((i > 0 && !c.Blank()) || !c.Number(v[i])) return false;
    return true;
}

bool ParseCommand(LineCursor c, TextState& s, JwContent& out) {
    double v[7];
    int k;
    if (c.Word("lc ")) return c.Integer(s.Colour) && c.AtEnd();
    if (c.Word("lt ")) return c.Integer(s.Type) && c.AtEnd();
    if (c.Word("cc ")) return c.Integer(k) && c.Blanks() >= 0 && c.AtEnd();
    if (c.Word("cn0 ")) {
        if (!Numbers(c, v, 2) || !c.Word(" 0 2 ") || !c.AtEnd()) return false;
        s.Width = v[0], s.Height = v[1];
        return true;
    }
    if (c.Word("cn\"$<")) {
        std::string_view rest = c.Rest();
        if (rest.empty() || rest.back() != '>') return false;
        s.Font.assign(rest.data(), rest.size() - 1);
        return true;
    }
    if (c.Word("ch ")) {
        if (!Numbers(c, v, 2) || !c.Word(" 1 0 \"")) return false;
        std::string_view rest = c.Rest();
        if (rest.empty() || rest.back() != ' ') return false;
        out.Texts.push_back({v[0], v[1], s.Width, s.Height, s.Font, std::string(rest.substr(0, rest.size() - 1)), s.Colour});
        Extend(out, v[0], v[1]);
        return true;
    }
    if (c.Word("ci ")) {
        if (!Numbers(c, v, 7) || !c.Blank() || !c.AtEnd()) return false;
        out.Ellipses.push_back({v[0], v[1], v[2], v[3], v[4], v[5], v[6], s.Colour, s.Type});
        Extend(out, v[0] - v[2], v[1] - v[2]);
        Extend(out, v[0] + v[2], v[1] + v[2]);
        return true;
    }
    if (!Numbers(c, v, 2)) return false;
    if (c.Blank() && c.AtEnd()) {
        out.Points.push_back({v[0], v[1]});
        Extend(out, v[0], v[1]);
        return true;
    }
    if (!c.Number(v[2]) || !c.Blank() || !c.Number(v[3])) return false;
    const int blanks = c.Blanks();
    if (blanks > 2 || !c.AtEnd()) return false;
    out.Lines.push_back({v[0], v[1], v[2], v[3], blanks, s.Colour, s.Type});
    Extend(out, v[0], v[1]);
    Extend(out, v[2], v[3]);
    return true;
}

// An archived string: a length byte, 0xFF and a 16-bit length, or 0xFF FFFF and a 32-bit one.
bool ArchiveString(ByteReader& r, std::string& s) {
    uint32_t n = r.U8();
    if (n == 0xFF) {
        n = r.U16LE();
        if (n == 0xFFFF) n = r.U32LE();
    }
    const uint8_t* p = r.Bytes(n);
    if (!p) return false;
    s.assign(reinterpret_cast<const char*>(p), n);
    return true;
}

bool Finite(const double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

std::string At(const char* what, size_t offset) { return std::string(what) + " at byte " + std::to_string(offset); }

}  // namespace

std::string ReadJwCoordinateText(const uint8_t* data, size_t size, JwContent& out) {
    const char* p = reinterpret_cast<const char*>(data);
    const char* end = p + size;
    TextState state;
    for (size_t line = 1; p != end; ++line) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol || eol == p || eol[-1] != '\r')
            return "line " + std::to_string(line) + ": does not end in CR LF";
        // A lone CR or an end-of-file byte inside a line breaks it for JWW.
        for (const char* q = p; q != eol - 1; ++q)
            if (static_cast<unsigned char>(*q) < 0x20 || *q == 0x7F)
                return "line " + std::to_string(line) + ": a control byte inside the line";
        if (!ParseCommand(LineCursor(p, eol - 1), state, out))
            return "line " + std::to_string(line) + ": not a coordinate command";
        p = eol + 1;
    }
    return "";
}

std::string ReadJwBlock(const uint8_t* data, size_t size, JwContent& out) {
    ByteReader r(data, size);
    out.RefX = r.F64LE();
    out.RefY = r.F64LE();
    out.Scale = r.F64LE();
    r.Skip(15 * 8);
    uint32_t count = r.U16LE();
    if (count == 0xFFFF) count = r.U32LE();
    if (!r.Ok()) return "shorter than the header";
    out.Count = count;
    // The smallest record is a line behind a two-byte reference.
    if (count > r.Remaining() / (2 + kJwSenBytes)) return "the object count is larger than the data";

    struct Known { uint32_t Index; JwClass Class; };
    Known known[8];
    int knownCount = 0;
    uint32_t counter = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t tagAt = r.Pos();
        const uint16_t tag = r.U16LE();
        uint32_t index = 0;
        JwClass cls = kJwClassCount;
        if (tag == 0xFFFF) {
            r.U16LE();  // schema
            const uint16_t nameBytes = r.U16LE();
            const uint8_t* name = r.Bytes(nameBytes);
            if (!name) return At("truncated class name", tagAt);
            const std::string_view n(reinterpret_cast<const char*>(name), nameBytes);
            cls = n == "CDataSen" ? kJwSen : n == "CDataMoji" ? kJwMoji : n == "CDataEnko" ? kJwEnko : kJwClassCount;
            if (cls == kJwClassCount) return At("unknown class", tagAt);
            if (knownCount == 8) return At("too many classes", tagAt);
            known[knownCount++] = {++counter, cls};
        } else {
            if (tag == 0x7FFF) {
                const uint32_t longIndex = r.U32LE();
                if (!(longIndex & 0x80000000u)) return At("object reference", tagAt);
                index = longIndex & 0x7FFFFFFFu;
            } else if (tag & 0x8000) {
                index = tag & 0x7FFFu;
            } else {
                return At("object reference", tagAt);
            }
            for (int k = 0; k < knownCount; ++k)
                if (known[k].Index == index) cls = known[k].Class;
            if (cls == kJwClassCount) return At("reference to an unknown class", tagAt);
        }
        ++counter;

        r.U32LE();  // group
        const int style = r.U8();
        const int colour = r.U16LE();
        r.Skip(8);  // width, layer, layer group, flags
        double v[7];
        if (cls == kJwSen) {
            for (int k = 0; k < 4; ++k) v[k] = r.F64LE();
            if (!r.Ok()) break;
            if (!Finite(v, 4)) return At("a coordinate that is not a number", tagAt);
            out.Lines.push_back({v[0], v[1], v[2], v[3], 0, colour, style});
            Extend(out, v[0], v[1]);
            Extend(out, v[2], v[3]);
        } else if (cls == kJwEnko) {
            for (int k = 0; k < 7; ++k) v[k] = r.F64LE();
            r.U32LE();
            if (!r.Ok()) break;
            if (!Finite(v, 7)) return At("a value that is not a number", tagAt);
            // Stored as start, arc, tilt, flatness.
            out.Ellipses.push_back({v[0], v[1], v[2], v[3], v[4], v[6], v[5], colour, style});
            Extend(out, v[0] - v[2], v[1] - v[2]);
            Extend(out, v[0] + v[2], v[1] + v[2]);
        } else {
            JwTextItem t{};
            for (int k = 0; k < 4; ++k) v[k] = r.F64LE();
            r.U32LE();  // text kind
            t.Width = r.F64LE();
            t.Height = r.F64LE();
            r.Skip(16);  // spacing, angle
            if (!ArchiveString(r, t.Font) || !ArchiveString(r, t.Text)) break;
            if (!Finite(v, 4) || !std::isfinite(t.Width) || !std::isfinite(t.Height))
                return At("a value that is not a number", tagAt);
            t.X = v[0], t.Y = v[1], t.Colour = colour;
            out.Texts.push_back(std::move(t));
            Extend(out, v[0], v[1]);
        }
        if (!r.Ok()) break;
    }
    if (!r.Ok()) return "truncated after " + std::to_string(out.Lines.size() + out.Ellipses.size() + out.Texts.size()) + " objects";
    out.BlockBytesUsed = r.Pos();
    return "";
}
