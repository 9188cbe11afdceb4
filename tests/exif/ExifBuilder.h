// Hand-built JPEG files with an Exif block, in either byte order, for the parser's tests.
// IFDs are laid out one after another from offset 8, each followed by its long values;
// pointer entries and next links name IFDs by index, or carry a forged raw value.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace exiftest {

struct Ent {
    uint16_t tag = 0, type = 0;
    uint32_t count = 0;
    std::vector<uint32_t> values;  // in units of the type (rationals: numerator, denominator, ...)
    std::string bytes;             // BYTE / ASCII / UNDEFINED payload instead of values
    int ifdLink = -1;              // a pointer entry to the IFD with this index
    bool rawField = false;         // the value field is values[0] as it stands (forged offsets)
};

inline Ent Make(uint16_t tag, uint16_t type, uint32_t count) {
    Ent e;
    e.tag = tag;
    e.type = type;
    e.count = count;
    return e;
}
inline Ent Ascii(uint16_t tag, const std::string& text, bool nul = true) {
    Ent e = Make(tag, 2, uint32_t(text.size() + (nul ? 1 : 0)));
    e.bytes = nul ? text + '\0' : text;
    return e;
}
inline Ent Bytes(uint16_t tag, const std::string& bytes, uint16_t type = 1) {
    Ent e = Make(tag, type, uint32_t(bytes.size()));
    e.bytes = bytes;
    return e;
}
// Values of a SHORT, LONG or SLONG type, or numerator/denominator pairs of a RATIONAL one.
inline Ent Values(uint16_t tag, uint16_t type, std::vector<uint32_t> v) {
    Ent e = Make(tag, type, uint32_t(type == 5 || type == 10 ? v.size() / 2 : v.size()));
    e.values = std::move(v);
    return e;
}
inline Ent Shorts(uint16_t tag, std::vector<uint32_t> v) { return Values(tag, 3, std::move(v)); }
inline Ent Longs(uint16_t tag, std::vector<uint32_t> v) { return Values(tag, 4, std::move(v)); }
inline Ent Rationals(uint16_t tag, std::vector<uint32_t> v, uint16_t type = 5) {
    return Values(tag, type, std::move(v));
}
inline Ent Pointer(uint16_t tag, int ifd) {
    Ent e = Make(tag, 4, 1);
    e.ifdLink = ifd;
    return e;
}
inline Ent Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t field) {
    Ent e = Make(tag, type, count);
    e.values = {field};
    e.rawField = true;
    return e;
}
// UTF-16LE of a UTF-16 text, for the XP tags.
inline Ent Xp(uint16_t tag, const std::u16string& text, bool nul = true) {
    std::string b;
    for (char16_t c : text) b += char(c & 0xFF), b += char(c >> 8);
    if (nul) b += std::string(2, '\0');
    return Bytes(tag, b);
}

struct Ifd {
    std::vector<Ent> entries;
    int next = -1;            // index of the next IFD, or -1
    uint32_t rawNext = 0;     // used when next is -1
};

class Tiff {
public:
    explicit Tiff(bool bigEndian) : big_(bigEndian) {}

    std::vector<uint8_t> Build(const std::vector<Ifd>& ifds) const {
        std::vector<uint32_t> at(ifds.size());
        uint32_t pos = 8;
        for (size_t i = 0; i < ifds.size(); ++i) {
            at[i] = pos;
            pos += 2 + 12 * uint32_t(ifds[i].entries.size()) + 4;
            for (const Ent& e : ifds[i].entries) pos += Padded(Payload(e, nullptr));
        }
        std::vector<uint8_t> out(2, uint8_t(big_ ? 'M' : 'I'));
        U16(out, 42);
        U32(out, ifds.empty() ? 0 : 8);
        for (size_t i = 0; i < ifds.size(); ++i) {
            const Ifd& ifd = ifds[i];
            uint32_t data = at[i] + 2 + 12 * uint32_t(ifd.entries.size()) + 4;
            std::vector<uint8_t> tail;
            U16(out, uint16_t(ifd.entries.size()));
            for (const Ent& e : ifd.entries) {
                U16(out, e.tag);
                U16(out, e.type);
                U32(out, e.count);
                std::vector<uint8_t> payload = Payload(e, &at);
                if (e.rawField) {
                    U32(out, e.values.at(0));
                } else if (e.ifdLink >= 0) {
                    U32(out, at.at(size_t(e.ifdLink)));
                } else if (payload.size() <= 4 && e.type != 5 && e.type != 10) {
                    payload.resize(4, 0);
                    out.insert(out.end(), payload.begin(), payload.end());
                } else {
                    U32(out, data + uint32_t(tail.size()));
                    tail.insert(tail.end(), payload.begin(), payload.end());
                    if (tail.size() % 2) tail.push_back(0);
                }
            }
            U32(out, ifd.next >= 0 ? at[size_t(ifd.next)] : ifd.rawNext);
            out.insert(out.end(), tail.begin(), tail.end());
        }
        return out;
    }

private:
    static size_t Padded(const std::vector<uint8_t>& p) {
        return p.size() <= 4 ? 0 : p.size() + p.size() % 2;
    }
    std::vector<uint8_t> Payload(const Ent& e, const std::vector<uint32_t>*) const {
        std::vector<uint8_t> p;
        if (e.rawField || e.ifdLink >= 0) return p;
        if (!e.bytes.empty() || e.type == 1 || e.type == 2 || e.type == 7) {
            p.assign(e.bytes.begin(), e.bytes.end());
        } else {
            for (uint32_t v : e.values) (e.type == 3 || e.type == 8) ? U16(p, uint16_t(v)) : U32(p, v);
        }
        // Rationals always lie at an offset, whatever their size.
        if ((e.type == 5 || e.type == 10) && p.size() <= 4) p.resize(8, 0);
        return p;
    }
    void U16(std::vector<uint8_t>& out, uint16_t v) const {
        if (big_) out.insert(out.end(), {uint8_t(v >> 8), uint8_t(v)});
        else out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)});
    }
    void U32(std::vector<uint8_t>& out, uint32_t v) const {
        if (big_) out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
        else out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }
    bool big_;
};

inline void Segment(std::vector<uint8_t>& out, uint8_t code, const std::vector<uint8_t>& payload) {
    size_t n = payload.size() + 2;
    out.insert(out.end(), {0xFF, code, uint8_t(n >> 8), uint8_t(n)});
    out.insert(out.end(), payload.begin(), payload.end());
}

// SOI, an optional APP0, the Exif APP1 with `tiff`, then DQT, SOF0, SOS and the end.
inline std::vector<uint8_t> Jpeg(const std::vector<uint8_t>& tiff, bool app0 = false) {
    std::vector<uint8_t> out = {0xFF, 0xD8};
    if (app0) Segment(out, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    Segment(out, 0xE1, app1);
    Segment(out, 0xDB, std::vector<uint8_t>(65, 1));
    Segment(out, 0xC0, {8, 0, 16, 0, 16, 1, 1, 0x11, 0});
    Segment(out, 0xDA, {1, 1, 0, 0, 63, 0});
    out.insert(out.end(), {0x12, 0x34, 0xFF, 0xD9});
    return out;
}

}  // namespace exiftest
