#include "shell/Keys.h"

#include "base/SjisText.h"

uint32_t KeyIndexFromVirtualKey(int vk) {
    if (vk >= 'A' && vk <= 'Z') return uint32_t(vk - 64);
    if (vk >= 0x70 && vk <= 0x77) return uint32_t(vk - 85);  // F1..F8
    return 0;
}

int FindKeySlot(const uint32_t (&keys)[kKeySlots], uint32_t keyIndex) {
    if (keyIndex == 0) return -1;
    for (int i = 0; i < kKeySlots; ++i)
        if (keys[i] == keyIndex) return i;
    return -1;
}

std::string KeyLabel(uint32_t keyIndex) {
    if (keyIndex >= 1 && keyIndex <= 26) return std::string("[") + char('A' + keyIndex - 1) + "]";
    if (keyIndex >= 27 && keyIndex <= 34) return "[F" + std::to_string(keyIndex - 26) + "]";
    return "---";
}

static std::string Bounded(std::string_view text) {
    char out[301];
    CopySjis(out, sizeof out, text);
    return out;
}

std::string FileNamePart(std::string_view path) {
    size_t sep = LastPathSeparator(path, PathRule::Cp932);
    return Bounded(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string FolderPart(std::string_view path) {
    size_t sep = LastPathSeparator(path, PathRule::Cp932);
    return Bounded(sep == std::string_view::npos ? std::string_view() : path.substr(0, sep));
}

void NormaliseKeyTable(uint32_t (&keys)[kKeySlots]) {
    for (int i = 0; i < kKeySlots; ++i) {
        if (keys[i] > kMaxKeyIndex) keys[i] = 0;
        int first = FindKeySlot(keys, keys[i]);
        if (first >= 0 && first < i) keys[i] = 0;
    }
}

uint32_t ChooseKey(const uint32_t (&keys)[kKeySlots], int slot, uint32_t chosen) {
    if (chosen > kMaxKeyIndex) return keys[slot];
    for (int i = 0; i < kKeySlots; ++i)
        if (chosen != 0 && i != slot && keys[i] == chosen) return keys[slot];
    return chosen;
}

std::string QuotedArgument(std::string_view path) {
    std::string quoted;
    quoted.reserve(path.size() + 2);
    quoted += '"';
    quoted.append(path);
    quoted += '"';
    return quoted;
}
