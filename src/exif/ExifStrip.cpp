#include "exif/ExifStrip.h"

#include <cstring>

#include "base/ByteReader.h"

namespace {

struct Segment {
    ByteSpan Span;
    uint8_t Code;
    bool Exif;
};

}  // namespace

StripRefusal PlanExifFreeCopy(const uint8_t* data, size_t size, std::vector<ByteSpan>& dropped) {
    ByteReader file(data, size);
    if (file.At(0).U16BE() != 0xFFD8) return StripRefusal::NotJpeg;

    std::vector<Segment> segments;
    size_t pos = 2;
    bool scanReached = false;
    while (!scanReached) {
        ByteReader r = file.At(pos);
        if (r.U8() != 0xFF) return StripRefusal::Damaged;
        uint8_t code = r.U8();
        // Fill bytes before a marker belong to the segment they precede.
        while (r.Ok() && code == 0xFF) code = r.U8();
        // A marker without a length (SOI again, EOI, RSTn, TEM) has no place before the scan.
        if (!r.Ok() || code < 0xC0 || code == 0xD8 || code == 0xD9 || (code >= 0xD0 && code <= 0xD7))
            return StripRefusal::Damaged;
        const size_t lengthAt = r.Pos();
        const uint16_t length = r.U16BE();
        if (!r.Ok() || length < 2 || !file.Fits(lengthAt, length)) return StripRefusal::Damaged;
        const uint8_t* id = length >= 8 ? file.At(lengthAt + 2).Bytes(6) : nullptr;
        const bool exif = code == 0xE1 && id && std::memcmp(id, "Exif\0\0", 6) == 0;
        segments.push_back({{pos, lengthAt + length}, code, exif});
        scanReached = code == 0xDA;
        pos = lengthAt + length;
    }

    size_t first = segments.size(), lastApp1 = 0;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (segments[i].Exif && first == segments.size()) first = i;
        if (segments[i].Code == 0xE1) lastApp1 = i;
    }
    if (first == segments.size()) return StripRefusal::NoExif;

    std::vector<ByteSpan> plan;
    for (size_t i = 0; i < segments.size(); ++i) {
        const Segment& s = segments[i];
        const bool app = s.Code >= 0xE0 && s.Code <= 0xEF;
        if (s.Exif || (app && i >= first && i <= lastApp1)) plan.push_back(s.Span);
    }
    dropped.swap(plan);
    return StripRefusal::None;
}

std::vector<ByteSpan> KeptSpans(size_t size, const std::vector<ByteSpan>& dropped) {
    std::vector<ByteSpan> kept;
    size_t from = 0;
    for (const ByteSpan& s : dropped) {
        if (s.Start > from) kept.push_back({from, s.Start});
        from = s.End;
    }
    if (size > from) kept.push_back({from, size});
    return kept;
}

StripRefusal BuildExifFreeCopy(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    std::vector<ByteSpan> dropped;
    const StripRefusal why = PlanExifFreeCopy(data, size, dropped);
    if (why != StripRefusal::None) return why;
    const std::vector<ByteSpan> kept = KeptSpans(size, dropped);
    size_t total = 0;
    for (const ByteSpan& s : kept) total += s.End - s.Start;
    std::vector<uint8_t> copy;
    copy.reserve(total);
    for (const ByteSpan& s : kept) copy.insert(copy.end(), data + s.Start, data + s.End);
    out.swap(copy);
    return StripRefusal::None;
}

const char* StripRefusalText(StripRefusal why) {
    switch (why) {
    case StripRefusal::None: return "";
    case StripRefusal::NotJpeg: return "JPEG ファイルではないため、Exif 情報を削除できません。";
    case StripRefusal::NoExif: return "Exif 情報がないため、削除するものがありません。";
    case StripRefusal::Damaged:
        return "JPEG のマーカーが壊れているか途中で切れているため、Exif 情報を削除したファイルは作りません。";
    }
    return "";
}
