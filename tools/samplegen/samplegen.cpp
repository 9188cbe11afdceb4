// samplegen OUTDIR: writes the deterministic sample pictures the end-to-end cases open:
// BMPs (24- and 1-bit), PBMs named .png for the test plug-in, a WMF and an EMF, and
// damaged files. tests/e2e/make_samples.sh turns some of them into JPEG, GIF, PNG and TIFF.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graffiti/GraffitiStore.h"
#include "graffiti/TrdFile.h"

namespace {

std::string g_dir;

struct Rgb {
    uint8_t r, g, b;
};

struct Picture {
    int width, height;
    std::vector<Rgb> px;  // top row first
    Picture(int w, int h, Rgb fill) : width(w), height(h), px(size_t(w) * h, fill) {}
    Rgb& At(int x, int y) { return px[size_t(y) * width + x]; }
};

struct Mono {
    int width, height;
    std::vector<uint8_t> ink;  // 1 = black
    Mono(int w, int h) : width(w), height(h), ink(size_t(w) * h, 0) {}
    void Set(int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height) ink[size_t(y) * width + x] = 1;
    }
    bool Ink(int x, int y) const { return ink[size_t(y) * width + x] != 0; }
};

// Little-endian byte builder.
struct Bytes {
    std::vector<uint8_t> b;
    void U8(unsigned v) { b.push_back(uint8_t(v)); }
    void U16(unsigned v) { U8(v); U8(v >> 8); }
    void U32(uint32_t v) { U16(v & 0xFFFF); U16(v >> 16); }
    void U32BE(uint32_t v) { U8(v >> 24); U8(v >> 16); U8(v >> 8); U8(v); }
    void Text(const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
    void Put32(size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i)); }
    void Put16(size_t at, unsigned v) { b[at] = uint8_t(v); b[at + 1] = uint8_t(v >> 8); }
};

void Fail(const std::string& what) {
    std::fprintf(stderr, "samplegen: %s\n", what.c_str());
    std::exit(1);
}

FILE* Create(const std::string& name) {
    FILE* f = std::fopen((g_dir + "/" + name).c_str(), "wb");
    if (!f) Fail("cannot create " + name);
    return f;
}

void Close(FILE* f, const std::string& name) {
    if (std::ferror(f) || std::fclose(f) != 0) Fail("cannot write " + name);
}

void WriteFile(const std::string& name, const std::vector<uint8_t>& data) {
    FILE* f = Create(name);
    if (!data.empty()) std::fwrite(data.data(), 1, data.size(), f);
    Close(f, name);
}

void WriteText(const std::string& name, const std::string& text) {
    WriteFile(name, std::vector<uint8_t>(text.begin(), text.end()));
}

uint32_t Stride(int width, int bpp) { return (uint32_t(width) * bpp + 31) / 32 * 4; }

// BITMAPFILEHEADER + BITMAPINFOHEADER; sizes are given so damaged headers can lie.
Bytes BmpHeader(int width, int height, int bpp, uint32_t colours, uint32_t imageSize, uint32_t fileSize) {
    Bytes h;
    uint32_t offBits = 14 + 40 + colours * 4;
    h.U16(0x4D42);
    h.U32(fileSize ? fileSize : offBits + imageSize);
    h.U32(0);
    h.U32(offBits);
    h.U32(40);
    h.U32(uint32_t(width));
    h.U32(uint32_t(height));
    h.U16(1);
    h.U16(bpp);
    h.U32(0);
    h.U32(imageSize);
    h.U32(3780);
    h.U32(3780);
    h.U32(colours);
    h.U32(colours);
    return h;
}

void WriteBmp24(const std::string& name, const Picture& p) {
    uint32_t stride = Stride(p.width, 24);
    Bytes out = BmpHeader(p.width, p.height, 24, 0, stride * p.height, 0);
    for (int y = p.height - 1; y >= 0; --y) {
        for (int x = 0; x < p.width; ++x) {
            const Rgb& c = p.px[size_t(y) * p.width + x];
            out.U8(c.b); out.U8(c.g); out.U8(c.r);
        }
        for (uint32_t i = uint32_t(p.width) * 3; i < stride; ++i) out.U8(0);
    }
    WriteFile(name, out.b);
}

void WriteBmp1(const std::string& name, const Mono& m, bool blackFirst) {
    uint32_t stride = Stride(m.width, 1);
    Bytes out = BmpHeader(m.width, m.height, 1, 2, stride * m.height, 0);
    const Rgb black{0, 0, 0}, white{255, 255, 255};
    for (const Rgb& c : {blackFirst ? black : white, blackFirst ? white : black}) {
        out.U8(c.b); out.U8(c.g); out.U8(c.r); out.U8(0);
    }
    for (int y = m.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < m.width; ++x)
            if (m.Ink(x, y) != blackFirst) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        out.b.insert(out.b.end(), row.begin(), row.end());
    }
    WriteFile(name, out.b);
}

void WritePbm(const std::string& name, const Mono& m, bool binary, bool whiteBlack) {
    std::string text = binary ? "P4\n" : "P1\n";
    text += "# Pixaro sample\n";
    if (whiteBlack) text += "# palette white-black\n";
    text += std::to_string(m.width) + " " + std::to_string(m.height) + "\n";
    Bytes out;
    out.Text(text);
    for (int y = 0; y < m.height; ++y) {
        if (binary) {
            std::vector<uint8_t> row(size_t(m.width + 7) / 8, 0);
            for (int x = 0; x < m.width; ++x)
                if (m.Ink(x, y)) row[x / 8] |= uint8_t(0x80 >> (x % 8));
            out.b.insert(out.b.end(), row.begin(), row.end());
        } else {
            std::string line;
            for (int x = 0; x < m.width; ++x) line += m.Ink(x, y) ? "1 " : "0 ";
            line.back() = '\n';
            out.Text(line);
        }
    }
    WriteFile(name, out.b);
}

Rgb Mix(Rgb a, Rgb b, double t) {
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return Rgb{uint8_t(a.r + (b.r - a.r) * t + 0.5), uint8_t(a.g + (b.g - a.g) * t + 0.5),
               uint8_t(a.b + (b.b - a.b) * t + 0.5)};
}

void FillRect(Picture& p, int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (x >= 0 && y >= 0 && x < p.width && y < p.height) p.At(x, y) = c;
}

// Countryside under a sky, with a line of dark marks like a caption.
Picture Photo() {
    const int w = 640, h = 480;
    Picture p(w, h, Rgb{0, 0, 0});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.At(x, y) = Mix(Rgb{60, 120, 200}, Rgb{205, 228, 246}, y / 300.0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double d = std::hypot(x - 500.0, y - 95.0);
            if (d < 55) p.At(x, y) = Mix(Rgb{255, 226, 90}, p.At(x, y), (d - 42) / 13);
        }
    for (int x = 0; x < w; ++x) {
        int far = int(285 + 25 * std::sin(x / 70.0) + 10 * std::sin(x / 23.0));
        int near = int(335 + 30 * std::sin(x / 95.0 + 1.5));
        for (int y = far; y < h; ++y) p.At(x, y) = Mix(Rgb{70, 140, 90}, Rgb{50, 110, 70}, (y - far) / 60.0);
        for (int y = near; y < h; ++y) p.At(x, y) = Mix(Rgb{90, 170, 60}, Rgb{40, 100, 35}, (y - near) / 140.0);
    }
    for (int y = 385; y < 445; ++y)
        for (int x = 360; x < 620; ++x) {
            double e = std::pow((x - 490) / 130.0, 2) + std::pow((y - 415) / 30.0, 2);
            if (e < 1) p.At(x, y) = Mix(Rgb{40, 90, 170}, Rgb{120, 170, 220}, (y - 385) / 60.0);
        }
    FillRect(p, 120, 280, 250, 380, Rgb{196, 84, 60});
    for (int y = 220; y < 280; ++y) {
        int half = (y - 220) * 75 / 60;
        FillRect(p, 185 - half, y, 185 + half + 1, y + 1, Rgb{110, 50, 40});
    }
    FillRect(p, 170, 320, 200, 380, Rgb{90, 60, 30});
    FillRect(p, 135, 300, 160, 325, Rgb{250, 240, 170});
    FillRect(p, 212, 300, 237, 325, Rgb{250, 240, 170});
    uint32_t seed = 12345;
    for (int line = 0; line < 2; ++line) {
        int x = 24, y = 20 + line * 22;
        while (x < 330) {
            seed = seed * 1103515245 + 12345;
            int word = 14 + int(seed >> 16) % 40;
            FillRect(p, x, y, x + word, y + 9, Rgb{30, 30, 40});
            x += word + 8;
        }
    }
    return p;
}

Picture Corners(int w, int h) {
    Picture p(w, h, Rgb{0, 0, 0});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.At(x, y) = Rgb{uint8_t(128 + x * 8), uint8_t(128 + y * 16), 160};
    p.At(0, 0) = Rgb{255, 0, 0};
    p.At(w - 1, 0) = Rgb{0, 255, 0};
    p.At(0, h - 1) = Rgb{0, 0, 255};
    return p;
}

void Line(Mono& m, int x0, int y0, int x1, int y1, int thick) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0), sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    for (int err = dx + dy;;) {
        for (int a = 0; a < thick; ++a)
            for (int b = 0; b < thick; ++b) m.Set(x0 + a, y0 + b);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
}

// A small plan drawing: frame, walls, a diagonal, a circle, a filled block and a title.
Mono Drawing() {
    Mono m(300, 200);
    Line(m, 0, 0, 299, 0, 2); Line(m, 0, 198, 299, 198, 2);
    Line(m, 0, 0, 0, 199, 2); Line(m, 298, 0, 298, 199, 2);
    Line(m, 30, 40, 150, 40, 3); Line(m, 150, 40, 150, 160, 3);
    Line(m, 150, 160, 30, 160, 3); Line(m, 30, 160, 30, 40, 3);
    Line(m, 30, 40, 150, 160, 1);
    for (int a = 0; a < 720; ++a) {
        double t = a * 3.14159265358979 / 360;
        m.Set(int(225 + 40 * std::cos(t)), int(100 + 40 * std::sin(t)));
    }
    for (int y = 150; y < 175; ++y) Line(m, 190, y, 260, y, 1);
    for (int x = 30, i = 0; x < 140; x += 12, ++i) Line(m, x, 15, x + 6 + i % 3, 15, 4);
    return m;
}

// For the centre-line mode: walls thin, middle and thick at 200 dpi (2, 4 and 7 pixels),
// a T, a cross, a one-pixel diagonal and a ring.
Mono CentreDrawing() {
    Mono m(320, 240);
    Line(m, 20, 20, 300, 20, 2);
    Line(m, 20, 20, 20, 220, 4);
    Line(m, 300, 20, 300, 220, 4);
    Line(m, 20, 214, 306, 214, 7);
    Line(m, 60, 60, 140, 60, 3);
    Line(m, 100, 60, 100, 120, 3);
    Line(m, 180, 90, 260, 90, 5);
    Line(m, 220, 50, 220, 130, 5);
    Line(m, 50, 140, 150, 200, 1);
    for (int y = 130; y < 210; ++y)
        for (int x = 190; x < 270; ++x) {
            const double d = std::hypot(x - 230.0, y - 170.0);
            if (d >= 28.5 && d <= 31.5) m.Set(x, y);
        }
    return m;
}

Mono Frame(int w, int h) {
    Mono m(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x == 0 || y == 0 || x == w - 1 || x == y) m.Set(x, y);
    return m;
}

void WriteBig() {
    const int w = 6000, h = 4000;
    uint32_t stride = Stride(w, 24);
    const std::string name = "big.bmp";
    FILE* f = Create(name);
    Bytes head = BmpHeader(w, h, 24, 0, stride * h, 0);
    std::fwrite(head.b.data(), 1, head.b.size(), f);
    std::vector<uint8_t> row(stride, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            bool check = ((x / 250) + (y / 250)) % 2;
            row[x * 3 + 0] = uint8_t(check ? 200 : 60 + y / 20);
            row[x * 3 + 1] = uint8_t(x / 24);
            row[x * 3 + 2] = uint8_t(y / 16);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    Close(f, name);
}

// Metafile records: size in 16-bit words, function, parameters.
void WmfRecord(Bytes& out, unsigned function, std::initializer_list<unsigned> params) {
    out.U32(uint32_t(3 + params.size()));
    out.U16(function);
    for (unsigned p : params) out.U16(p);
}

// 200 x 100 pixels at 96 dpi: white ground, red block in the middle.
std::vector<uint8_t> Wmf(bool placeable, int left, int top, int right, int bottom, int inch) {
    Bytes body;
    WmfRecord(body, 0x020B, {0, 0});                              // SETWINDOWORG y, x
    WmfRecord(body, 0x020C, {100, 200});                          // SETWINDOWEXT y, x
    WmfRecord(body, 0x02FA, {5, 0, 0, 0, 0});                     // CREATEPENINDIRECT null pen
    WmfRecord(body, 0x02FC, {0, 0xFFFF, 0x00FF, 0});              // CREATEBRUSHINDIRECT white
    WmfRecord(body, 0x02FC, {0, 0x00FF, 0x0000, 0});              // CREATEBRUSHINDIRECT red
    WmfRecord(body, 0x012D, {0});                                 // SELECTOBJECT pen
    WmfRecord(body, 0x012D, {1});                                 // SELECTOBJECT white
    WmfRecord(body, 0x041B, {101, 201, 0, 0});                    // RECTANGLE b, r, t, l
    WmfRecord(body, 0x012D, {2});                                 // SELECTOBJECT red
    WmfRecord(body, 0x041B, {75, 150, 25, 50});
    WmfRecord(body, 0x0000, {});                                  // EOF
    Bytes out;
    if (placeable) {
        out.U32(0x9AC6CDD7);
        out.U16(0);
        out.U16(uint16_t(left)); out.U16(uint16_t(top)); out.U16(uint16_t(right)); out.U16(uint16_t(bottom));
        out.U16(inch);
        out.U32(0);
        unsigned sum = 0;
        for (size_t i = 0; i < 20; i += 2) sum ^= out.b[i] | out.b[i + 1] << 8;
        out.U16(sum);
    }
    out.U16(1);
    out.U16(9);
    out.U16(0x0300);
    out.U32(uint32_t(9 + body.b.size() / 2));
    out.U16(3);
    out.U32(8);
    out.U16(0);
    out.b.insert(out.b.end(), body.b.begin(), body.b.end());
    return out.b;
}

// 200 x 100 pixels at 96 dpi: white ground, blue block in the middle.
std::vector<uint8_t> Emf(int32_t frameRight, int32_t frameBottom) {
    Bytes out;
    out.U32(1);
    out.U32(108);
    for (int32_t v : {0, 0, 199, 99}) out.U32(uint32_t(v));                 // rclBounds
    for (int32_t v : {0, 0, frameRight, frameBottom}) out.U32(uint32_t(v));  // rclFrame, 0.01 mm
    out.U32(0x464D4520);
    out.U32(0x10000);
    out.U32(0);  // nBytes, patched below
    out.U32(0);  // nRecords
    out.U16(2);
    out.U16(0);
    out.U32(0); out.U32(0); out.U32(0);
    out.U32(1280); out.U32(1024);   // reference device, pixels
    out.U32(339); out.U32(271);     // and millimetres: 96 dpi
    out.U32(0); out.U32(0); out.U32(0);
    out.U32(338667); out.U32(270933);
    uint32_t records = 1;
    auto record = [&](uint32_t type, std::initializer_list<uint32_t> params) {
        out.U32(type);
        out.U32(uint32_t(8 + 4 * params.size()));
        for (uint32_t p : params) out.U32(p);
        ++records;
    };
    record(37, {0x80000008});                 // SELECTOBJECT stock NULL_PEN
    record(37, {0x80000000});                 // SELECTOBJECT stock WHITE_BRUSH
    record(43, {0, 0, 201, 101});             // RECTANGLE
    record(39, {1, 0, 0x00FF0000, 0});        // CREATEBRUSHINDIRECT blue
    record(37, {1});
    record(43, {50, 25, 150, 75});
    record(37, {0x80000000});
    record(40, {1});                          // DELETEOBJECT
    record(14, {0, 16, 20});                  // EOF
    out.Put32(48, uint32_t(out.b.size()));
    out.Put32(52, records);
    return out.b;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFF;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
    }
    return ~c;
}

void PngChunk(Bytes& out, const char* type, const std::vector<uint8_t>& data) {
    out.U32BE(uint32_t(data.size()));
    size_t start = out.b.size();
    out.Text(type);
    out.b.insert(out.b.end(), data.begin(), data.end());
    out.U32BE(Crc32(out.b.data() + start, out.b.size() - start));
}

void WriteDamaged() {
    const std::string text = "This is plain text, not a picture.\r\nPixaro sample.\r\n";
    for (const char* name : {"empty.jpg", "empty.bmp", "empty.png"}) WriteFile(name, {});
    for (const char* name : {"text.jpg", "text.bmp", "text.gif", "text.png", "text.tif", "text.wmf", "text.emf"})
        WriteText(name, text);

    Bytes huge = BmpHeader(60000, 60000, 24, 0, 0, 54 + 16);
    for (int i = 0; i < 16; ++i) huge.U8(0x80);
    WriteFile("huge.bmp", huge.b);

    uint32_t stride = Stride(320, 24);
    Bytes trunc = BmpHeader(320, 240, 24, 0, stride * 240, 0);
    for (uint32_t i = 0; i < stride * 120; ++i) trunc.U8(i % 3 == 2 ? 255 : 0);
    WriteFile("trunc.bmp", trunc.b);

    Bytes png;
    png.b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    ihdr.U32BE(60000);
    ihdr.U32BE(60000);
    for (unsigned v : {8, 2, 0, 0, 0}) ihdr.U8(v);
    PngChunk(png, "IHDR", ihdr.b);
    PngChunk(png, "IEND", {});
    WriteFile("huge.png", png.b);

    Bytes tif;
    tif.Text("II");
    tif.U16(42);
    tif.U32(8);
    const uint32_t tags[][3] = {{256, 4, 60000}, {257, 4, 60000}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1},
                                {273, 4, 200}, {277, 3, 1}, {278, 4, 60000}, {279, 4, 3600000000u}};
    tif.U16(9);
    for (const auto& t : tags) {
        tif.U16(t[0]);
        tif.U16(t[1]);
        tif.U32(1);
        tif.U32(t[2]);
    }
    tif.U32(0);
    while (tif.b.size() < 216) tif.U8(0x55);
    WriteFile("huge.tif", tif.b);

    WriteFile("huge.wmf", Wmf(true, 0, 0, 32000, 32000, 1));
    WriteFile("huge.emf", Emf(100000000, 100000000));
}

}  // namespace

// Graffiti over the 640 x 480 photograph: a thick blue line along row 400, a red ellipse, a
// framed text of solid squares (so a sampled pixel finds ink), a leader text and an arrow.
GraffitiStore& Annotation() {
    static GraffitiStore g;
    g.Clear();
    g.AddLine({0x00FF0000, 0x00FFFFFF, 6, 0, 40, 400, 600, 400, 0});
    g.AddLine({0x000000FF, 0x00FFFFFF, 4, kStartArrow | (9u << 24) | kEndCircle | kLineFill | (3u << 16), 60, 300, 250, 330, 0});
    g.AddEllipse({0x000000FF, 0x00FFFFFF, 4, kLineShadow, 100, 100, 300, 250, 0x00808080});
    GraffitiText t{};
    t.X1 = 380, t.Y1 = 60, t.X2 = 600, t.Y2 = 160, t.LeaderX = 0, t.LeaderY = 0;
    t.Style = kFrameRect | kTextFill;
    t.Colour = 0x0000A000, t.Background = 0x00FFFFFF, t.Shadow = 0;
    SetTextStrings(t, "ＭＳ ゴシック", "■■■■\r\n■■■■");
    g.PutText(t, -1);
    t.X1 = 420, t.Y1 = 200, t.X2 = 620, t.Y2 = 240, t.LeaderX = 330, t.LeaderY = 280;
    t.Style = kFrameLeader;
    SetTextStrings(t, "ＭＳ ゴシック", "引出線の文字");
    g.PutText(t, -1);
    return g;
}

// Every table full: what a paint and a read must cope with at once. Wide: pens of 1..5
// pixels, arrows and shadows everywhere; otherwise the default width 0 of new objects.
GraffitiStore& FullLayer(bool wide) {
    static GraffitiStore g;
    g.Clear();
    for (int i = 0; g.LineCount() < GraffitiStore::kMaxLines; ++i)
        g.AddLine({0x00FF0000u + uint32_t(i % 8), 0x00FFFFFF, wide ? 1 + i % 5 : 0,
                   uint32_t(i % 5) | (i % 7 == 0 ? kEndArrow : 0), (i * 37) % 640, (i * 53) % 480, (i * 91 + 20) % 640,
                   (i * 29 + 40) % 480, 0});
    for (int i = 0; g.EllipseCount() < GraffitiStore::kMaxEllipses; ++i)
        g.AddEllipse({0x0000FF00, 0x00FFFFFF, wide ? 2 : 0, wide ? kLineShadow : 0, (i * 13) % 600, (i * 17) % 440,
                      (i * 13) % 600 + 40, (i * 17) % 440 + 30, 0});
    for (int i = 0; g.TextCount() < GraffitiStore::kMaxTexts; ++i) {
        GraffitiText t{};
        t.X1 = (i * 31) % 560, t.Y1 = (i * 23) % 440, t.X2 = t.X1 + 80, t.Y2 = t.Y1 + 40;
        t.LeaderX = t.X1 - 20, t.LeaderY = t.Y1 + 30;
        t.Style = uint32_t(i % 4) | (wide ? kTextShadow : 0);
        t.Colour = 0x000000FF, t.Background = 0x00FFFFFF, t.Shadow = 0x00808080;
        SetTextStrings(t, "ＭＳ ゴシック", "文字\r\ntext");
        g.PutText(t, -1);
    }
    return g;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: samplegen OUTDIR\n");
        return 2;
    }
    g_dir = argv[1];

    Picture red(320, 240, Rgb{255, 0, 0});
    WriteBmp24("red.bmp", red);
    WriteBmp24("blue.bmp", Picture(200, 150, Rgb{0, 0, 255}));
    WriteBmp24("one.bmp", Picture(1, 1, Rgb{0, 255, 0}));
    WriteBmp24("photo.bmp", Photo());
    WriteBmp24("w10.bmp", Corners(10, 7));
    WriteBmp24("w20.bmp", Corners(20, 5));
    WriteBig();

    Mono drawing = Drawing(), w10 = Frame(10, 7), w20 = Frame(20, 5), w33 = Frame(33, 9);
    WriteBmp1("mono_b0.bmp", drawing, true);
    WriteBmp1("mono_w0.bmp", drawing, false);
    WriteBmp1("mono_b0_w10.bmp", w10, true);
    WriteBmp1("mono_w0_w10.bmp", w10, false);
    WriteBmp1("mono_b0_w20.bmp", w20, true);
    WriteBmp1("mono_w0_w20.bmp", w20, false);
    // Black second in the palette: ink is found by brightness, not by index.
    WriteBmp1("mono_centre.bmp", CentreDrawing(), false);

    WritePbm("tp_w10.png", w10, true, false);
    WritePbm("tp_w20.png", w20, false, false);
    WritePbm("tp_w10_inv.png", w10, true, true);
    WritePbm("tp_w33.png", w33, true, false);
    WritePbm("tp_draw.png", drawing, true, false);

    WriteFile("shapes.wmf", Wmf(true, 0, 0, 200, 100, 96));
    WriteFile("plain.wmf", Wmf(false, 0, 0, 0, 0, 0));
    WriteFile("shapes.emf", Emf(5291, 2645));
    WriteDamaged();

    WriteFile("annotated.trd", EncodeTrd(Annotation(), "annotated.jpg"));
    WriteFile("full.trd", EncodeTrd(FullLayer(true), "photo.jpg"));
    WriteFile("full_thin.trd", EncodeTrd(FullLayer(false), "photo.jpg"));
    std::vector<uint8_t> corrupt = EncodeTrd(Annotation(), "annotated.jpg");
    corrupt[16 + sizeof "annotated.jpg"] = 0xFF;  // the line count's low byte: 255 lines that are not there
    WriteFile("corrupt.trd", corrupt);
    return 0;
}
