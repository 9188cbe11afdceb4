#include "graffiti/StyleSettings.h"

#include "base/TextNumber.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/SjisText.h"

namespace {

constexpr int32_t kWeights[kWeightCount] = {1, 100, 200, 400, 600, 800, 1000};

// The stored bytes up to the first NUL; nullopt for a missing or non-string value.
std::optional<std::string> ReadString(SettingsKey& key, const char* name) {
    RegValue v;
    if (!key.Query(name, v) || v.Type != RegType::String) return std::nullopt;
    auto end = std::find(v.Bytes.begin(), v.Bytes.end(), uint8_t(0));
    return std::string(v.Bytes.begin(), end);
}

// Written as a fixed buffer, NUL-padded, as the value has always been stored.
void WriteString(SettingsKey& key, const char* name, std::string_view text, size_t bytes) {
    std::vector<char> buffer(bytes, 0);
    CopySjis(buffer.data(), bytes, text);
    key.SetString(name, buffer.data(), bytes);
}

// Each dialog's values, named once for loading and saving; both dialogs keep the
// background and shadow colours.
const DwordField<GraffitiAttributes> kSharedColours[] = {
    UnsignedField("RColorB", &GraffitiAttributes::Background),
    UnsignedField("RColorK", &GraffitiAttributes::Shadow),
};
const DwordField<GraffitiAttributes> kLineValues[] = {
    UnsignedField("Ra_St02", &GraffitiAttributes::LineStyle),
    SignedField("Ra_St03", &GraffitiAttributes::LineWidth),
    UnsignedField("RColor", &GraffitiAttributes::LineColour),
};
const DwordField<DialogPosition> kLinePosition[] = {
    SignedField("LineDX", &DialogPosition::X),
    SignedField("LineDY", &DialogPosition::Y),
};
const DwordField<GraffitiAttributes> kTextValues[] = {
    UnsignedField("Ra_sz", &GraffitiAttributes::TextSize),
    UnsignedField("Ra_St01", &GraffitiAttributes::TextStyle),
    UnsignedField("RColorM", &GraffitiAttributes::TextColour),
};
const DwordField<DialogPosition> kTextPosition[] = {
    SignedField("WordDX", &DialogPosition::X),
    SignedField("WordDY", &DialogPosition::Y),
};
constexpr const char* kWordValue = "Ra_Word";
constexpr const char* kFontValue = "Ra_font";

uint32_t SizeCodeBits(std::optional<int32_t> code, uint32_t previous, int shift) {
    if (!code) return previous & (63u << shift);
    return uint32_t(std::clamp<int32_t>(*code, 0, kMaxSizeCode)) << shift;
}

}  // namespace

int32_t WeightOfIndex(int index) { return index >= 0 && index < kWeightCount ? kWeights[index] : kWeights[0]; }

void LoadLineStyle(SettingsRegistry& registry, GraffitiAttributes& a, DialogPosition& pos, int32_t defaultX) {
    pos = {defaultX, 0};
    bool created = false;
    auto key = registry.Open(nullptr, created);
    if (!key) return;
    ReadDwordFields(*key, kLineValues, a);
    ReadDwordFields(*key, kSharedColours, a);
    ReadDwordFields(*key, kLinePosition, pos);
    a.LineWidth = std::clamp(a.LineWidth, 0, kMaxLineWidth);
}

void SaveLineStyle(SettingsRegistry& registry, const GraffitiAttributes& a, const DialogPosition& pos) {
    bool created = false;
    auto key = registry.Open(nullptr, created);
    if (!key) return;
    WriteDwordFields(*key, kLineValues, a);
    WriteDwordFields(*key, kSharedColours, a);
    WriteDwordFields(*key, kLinePosition, pos);
}

void LoadTextStyle(SettingsRegistry& registry, GraffitiAttributes& a, DialogPosition& pos, int32_t defaultX) {
    pos = {defaultX, 0};
    bool created = false;
    auto key = registry.Open(nullptr, created);
    if (!key) return;
    if (auto word = ReadString(*key, kWordValue)) SetAttributeText(a, UnescapeLineBreaks(*word));
    if (auto font = ReadString(*key, kFontValue)) SetAttributeFont(a, *font);
    ReadDwordFields(*key, kTextValues, a);
    ReadDwordFields(*key, kSharedColours, a);
    ReadDwordFields(*key, kTextPosition, pos);
    // A stored size word with sides out of range is brought back into them.
    a.TextSize = TextSizeFromControls(a.TextSize, SizeCellWidth(a.TextSize), SizeCellHeight(a.TextSize), -1,
                                      (a.TextSize & kSizeFixed) != 0);
}

void SaveTextStyle(SettingsRegistry& registry, const GraffitiAttributes& a, const DialogPosition& pos) {
    bool created = false;
    auto key = registry.Open(nullptr, created);
    if (!key) return;
    WriteString(*key, kWordValue, EscapeLineBreaks(std::string_view(a.Text, strnlen(a.Text, kTextBytes))), kRaWordBytes);
    WriteString(*key, kFontValue, std::string_view(a.Font, strnlen(a.Font, kFontBytes)), kRaFontBytes);
    WriteDwordFields(*key, kTextValues, a);
    WriteDwordFields(*key, kSharedColours, a);
    WriteDwordFields(*key, kTextPosition, pos);
}

namespace {

// Replaces every two-byte `from` that stands as characters of its own (never a trail byte
// and the byte after it) by `to`.
std::string ReplaceSjisPair(std::string_view text, const char (&from)[3], std::string_view to) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsSjisLead(uint8_t(text[i])) && i + 1 < text.size()) {
            out += text.substr(i, 2);
            ++i;
        } else if (text[i] == from[0] && i + 1 < text.size() && text[i + 1] == from[1]) {
            out += to;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string EscapeLineBreaks(std::string_view text) { return ReplaceSjisPair(text, "\r\n", "\\n"); }

std::string UnescapeLineBreaks(std::string_view text) { return ReplaceSjisPair(text, "\\n", "\r\n"); }

int32_t LineWidthFromText(std::string_view text, int32_t previous) {
    auto v = ParseWholeNumber(text);
    return v ? std::clamp(*v, 0, kMaxLineWidth) : previous;
}

uint32_t LineStyleFromControls(uint32_t previous, const LineControls& c) {
    constexpr uint32_t owned = kPenStyleMask | kLineFill | kLineShadow | 0xFFFF0000u;
    uint32_t style = previous & ~owned;
    if (c.PenStyle >= 0 && c.PenStyle <= 4) style |= uint32_t(c.PenStyle);
    if (c.Fill) style |= kLineFill;
    if (c.Shadow) style |= kLineShadow;
    if (c.StartCircle)
        style |= kStartCircle;
    else if (c.StartArrow)
        style |= kStartArrow;
    if (c.EndCircle)
        style |= kEndCircle;
    else if (c.EndArrow)
        style |= kEndArrow;
    style |= SizeCodeBits(c.StartSize, previous, 24);
    style |= SizeCodeBits(c.EndSize, previous, 16);
    return style;
}

uint32_t TextStyleFromControls(uint32_t previous, const TextControls& c) {
    constexpr uint32_t owned = kFrameMask | kTextItalic | kTextStrikeOut | kTextUnderline | kTextFill | kTextShadow;
    uint32_t style = previous & ~owned;
    if (c.Frame >= 0 && c.Frame <= 3) style |= uint32_t(c.Frame);
    if (c.Italic) style |= kTextItalic;
    if (c.StrikeOut) style |= kTextStrikeOut;
    if (c.Underline) style |= kTextUnderline;
    if (c.Fill) style |= kTextFill;
    if (c.Shadow) style |= kTextShadow;
    return style;
}

uint32_t TextSizeFromControls(uint32_t previous, int32_t w, int32_t h, int weightIndex, bool fixed) {
    uint32_t size = previous;
    if (w >= 0) size = (size & ~kSizeWidthMask) | uint32_t(std::clamp(w, kMinCellWidth, kMaxCellSide));
    if (h >= 0) size = (size & ~kSizeHeightMask) | uint32_t(std::clamp(h, kMinCellHeight, kMaxCellSide)) << 12;
    if (weightIndex >= 0 && weightIndex < kWeightCount) size = (size & ~kSizeWeightMask) | uint32_t(weightIndex) << 24;
    return fixed ? size | kSizeFixed : size & ~kSizeFixed;
}

void SetAttributeText(GraffitiAttributes& a, std::string_view text) { CopySjis(a.Text, sizeof a.Text, text); }
void SetAttributeFont(GraffitiAttributes& a, std::string_view font) { CopySjis(a.Font, sizeof a.Font, font); }

void FixedSizeCorner(int32_t x1, int32_t y1, int32_t& x2, int32_t& y2, uint32_t size, std::string_view text) {
    TextMetrics m = MeasureText(text);
    int32_t dx = SizeCellWidth(size) * m.Columns, dy = SizeCellHeight(size) * m.Rows;
    x2 = x2 < x1 ? x1 - dx : x1 + dx;
    y2 = y2 < y1 ? y1 - dy : y1 + dy;
}

