#include "graffiti/TrdFile.h"

#include <algorithm>
#include <cstring>

#include "base/ByteReader.h"
#include "base/Limits.h"
#include "base/SjisText.h"
#include "image/ImageFormat.h"

namespace {

constexpr size_t kMagicBytes = 15;
constexpr char kMagic[] = "QorRakuData0001";
constexpr char kOldMagic[] = "QorRakuData0000";
static_assert(sizeof kMagic == kMagicBytes + 1 && sizeof kOldMagic == kMagicBytes + 1);

constexpr size_t kLineBytes = 36, kOldLineBytes = 32, kTextFixedBytes = 52;
constexpr size_t kOldTextBytes = kTextFixedBytes + kFontBytes + kTextBytes;

std::string_view FieldText(const char* field, size_t size) { return std::string_view(field, strnlen(field, size)); }
std::string_view FontOf(const GraffitiText& t) { return FieldText(t.Font, sizeof t.Font - 1); }
std::string_view TextOf(const GraffitiText& t) { return FieldText(t.Text, sizeof t.Text - 1); }

// Writes into a buffer sized beforehand.
struct Writer {
    uint8_t* p;
    void U32(uint32_t v) {
        p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16), p[3] = uint8_t(v >> 24);
        p += 4;
    }
    void String(std::string_view s) {
        std::memcpy(p, s.data(), s.size());
        p += s.size();
        *p++ = 0;
    }
    void Line(const GraffitiLine& l) {
        for (uint32_t v : {l.Colour, l.Fill, uint32_t(l.Width), l.Style, uint32_t(l.X1), uint32_t(l.Y1),
                           uint32_t(l.X2), uint32_t(l.Y2), l.Shadow})
            U32(v);
    }
    void Text(const GraffitiText& t) {
        for (uint32_t v : {uint32_t(t.X1), uint32_t(t.Y1), uint32_t(t.X2), uint32_t(t.Y2), uint32_t(t.LeaderX),
                           uint32_t(t.LeaderY), t.Style, t.Colour, t.Background, t.Shadow, uint32_t(t.Escapement),
                           uint32_t(t.Orientation), uint32_t(t.Weight)})
            U32(v);
        String(FontOf(t));
        String(TextOf(t));
    }
};

int32_t I32(ByteReader& r) { return int32_t(r.U32LE()); }

GraffitiLine ReadLine(ByteReader& r, bool old) {
    GraffitiLine l;
    l.Colour = r.U32LE();
    l.Fill = r.U32LE();
    l.Width = I32(r);
    l.Style = r.U32LE();
    l.X1 = I32(r);
    l.Y1 = I32(r);
    l.X2 = I32(r);
    l.Y2 = I32(r);
    l.Shadow = old ? 0 : r.U32LE();
    return l;
}

void ReadTextFixed(ByteReader& r, GraffitiText& t) {
    t.X1 = I32(r);
    t.Y1 = I32(r);
    t.X2 = I32(r);
    t.Y2 = I32(r);
    t.LeaderX = I32(r);
    t.LeaderY = I32(r);
    t.Style = r.U32LE();
    t.Colour = r.U32LE();
    t.Background = r.U32LE();
    t.Shadow = r.U32LE();
    t.Escapement = I32(r);
    t.Orientation = I32(r);
    t.Weight = I32(r);
}

// A NUL-terminated string of at most `limit` bytes before its NUL; the reader fails without one.
std::string_view ReadCString(ByteReader& r, size_t limit) {
    const size_t window = std::min(r.Remaining(), limit + 1);
    const uint8_t* p = r.At(r.Pos()).Bytes(window);
    const void* nul = p ? std::memchr(p, 0, window) : nullptr;
    if (!nul) {
        r.Skip(r.Remaining() + 1);  // fails the reader
        return {};
    }
    const size_t n = size_t(static_cast<const uint8_t*>(nul) - p);
    r.Skip(n + 1);
    return std::string_view(reinterpret_cast<const char*>(p), n);
}

// A count field within 0..capacity whose records are all in the file.
bool ReadCount(ByteReader& r, int capacity, size_t minRecordBytes, int& count) {
    count = I32(r);
    return r.Ok() && count >= 0 && count <= capacity && r.Fits(r.Pos(), uint64_t(count), minRecordBytes);
}

// Parses the whole file; with out == nullptr it only checks, so a bad file never reaches `out`.
int Parse(const uint8_t* data, size_t size, TrdContents* out) {
    if (size < kMagicBytes || !data) return kTrdBadMagic;
    const bool old = std::memcmp(data, kOldMagic, kMagicBytes) == 0;
    if (!old && std::memcmp(data, kMagic, kMagicBytes) != 0) return kTrdBadMagic;
    ByteReader r(data, size);
    r.Skip(kMagicBytes);
    std::string_view background;
    if (!old) {
        if (r.U8() != 0) return kTrdCorrupt;
        background = ReadCString(r, kPathBytes - 1);
        if (!r.Ok()) return kTrdCorrupt;
    }
    if (out) {
        out->Store.Clear();
        out->Background.assign(background);
        out->OldFormat = old;
    }

    const size_t lineBytes = old ? kOldLineBytes : kLineBytes;
    int count = 0;
    if (!ReadCount(r, GraffitiStore::kMaxLines, lineBytes, count)) return kTrdCorrupt;
    for (int i = 0; i < count; ++i) {
        const GraffitiLine l = ReadLine(r, old);
        if (out) out->Store.RestoreLine(l);
    }
    if (!ReadCount(r, GraffitiStore::kMaxEllipses, lineBytes, count)) return kTrdCorrupt;
    for (int i = 0; i < count; ++i) {
        const GraffitiEllipse e = ReadLine(r, old);
        if (out) out->Store.RestoreEllipse(e);
    }

    // The smallest current entry is the fixed part and two NULs.
    if (!ReadCount(r, GraffitiStore::kMaxTexts, old ? kOldTextBytes : kTextFixedBytes + 2, count)) return kTrdCorrupt;
    for (int i = 0; i < count; ++i) {
        GraffitiText t{};
        ReadTextFixed(r, t);
        if (old) {
            const uint8_t* font = r.Bytes(kFontBytes);
            const uint8_t* text = r.Bytes(kTextBytes);
            if (!r.Ok()) return kTrdCorrupt;
            CopySjis(t.Font, sizeof t.Font, FieldText(reinterpret_cast<const char*>(font), kFontBytes));
            CopySjis(t.Text, sizeof t.Text, FieldText(reinterpret_cast<const char*>(text), kTextBytes));
        } else {
            const std::string_view font = ReadCString(r, kFontBytes - 1);
            const std::string_view text = ReadCString(r, kTextBytes - 1);
            if (!r.Ok()) return kTrdCorrupt;
            std::memcpy(t.Font, font.data(), font.size());
            std::memcpy(t.Text, text.data(), text.size());
        }
        if (out) out->Store.RestoreText(t);
    }
    return r.Ok() ? 0 : kTrdCorrupt;
}

bool IsDeviceName(std::string_view stem) {
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    for (const char* device : {"con", "prn", "aux", "nul"})
        if (SjisEqualNoCase(stem, device)) return true;
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9')
        return SjisEqualNoCase(stem.substr(0, 3), "com") || SjisEqualNoCase(stem.substr(0, 3), "lpt");
    return false;
}

}  // namespace

std::vector<uint8_t> EncodeTrd(const GraffitiStore& store, std::string_view background) {
    char name[kPathBytes];
    CopySjis(name, sizeof name, background.substr(0, background.find('\0')));

    size_t size = sizeof kMagic + std::strlen(name) + 1 + 12 +
                  kLineBytes * size_t(store.LineCount() + store.EllipseCount());
    for (int i = 0; i < store.TextCount(); ++i)
        size += kTextFixedBytes + FontOf(store.Text(i)).size() + TextOf(store.Text(i)).size() + 2;

    std::vector<uint8_t> out(size);
    std::memcpy(out.data(), kMagic, sizeof kMagic);  // the magic and its NUL
    Writer w{out.data() + sizeof kMagic};
    w.String(name);
    w.U32(uint32_t(store.LineCount()));
    for (int i = 0; i < store.LineCount(); ++i) w.Line(store.Line(i));
    w.U32(uint32_t(store.EllipseCount()));
    for (int i = 0; i < store.EllipseCount(); ++i) w.Line(store.Ellipse(i));
    w.U32(uint32_t(store.TextCount()));
    for (int i = 0; i < store.TextCount(); ++i) w.Text(store.Text(i));
    return out;
}

int DecodeTrd(const uint8_t* data, size_t size, TrdContents& out) {
    const int rc = Parse(data, size, nullptr);
    return rc == 0 ? Parse(data, size, &out) : rc;
}

bool IsUsableBackgroundName(std::string_view name) {
    if (name.empty() || name.size() >= kPathBytes || name == "." || name == "..") return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (IsSjisLead(c)) {
            if (i + 1 == name.size()) return false;  // a lead byte without its trail
            ++i;
            continue;
        }
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return false;
    }
    const size_t dot = name.rfind('.');  // 0x2E is never a trail byte
    if (dot == std::string_view::npos || IsDeviceName(name.substr(0, name.find('.')))) return false;
    const LoaderKind kind = LoaderForExtension(name.substr(dot));
    return kind != LoaderKind::Unknown && kind != LoaderKind::Graffiti;
}

void TrdCanvasSize(const GraffitiExtent& extent, int& w, int& h) {
    w = std::clamp<int32_t>(extent.MaxX, 1, kMaxImageSide);
    h = std::clamp<int32_t>(extent.MaxY, 1, kMaxImageSide);
}
