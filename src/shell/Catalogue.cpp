#include "shell/Catalogue.h"

#include <algorithm>
#include <numeric>

#include "base/SjisText.h"
#include "image/PluginMask.h"

namespace {

constexpr size_t kTextPieceBytes = 99;
constexpr int kNumberDigits = 9;
constexpr uint32_t kMissingNumber = 999999999;
// A text piece that received no byte; it sorts after every present piece.
const char kMissingText[] = "\xFC\xFF";

std::string_view ExtensionOf(std::string_view name) {
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsCataloguedExtension(std::string_view ext, int pluginMask) {
    for (const char* always : {".bmp", ".trd", ".jpg", ".jpeg", ".gif"})
        if (SjisEqualNoCase(ext, always)) return true;
    struct Row {
        const char* ext;
        int bits;
    };
    static const Row kPluginRows[] = {{".wmf", kPluginWmf}, {".emf", kPluginGdip}, {".tif", kPluginTiff},
                                       {".png", kPluginPng},  {".jww", kPluginJww},  {".jws", kPluginJww}};
    for (const Row& r : kPluginRows)
        if ((pluginMask & r.bits) && SjisEqualNoCase(ext, r.ext)) return true;
    return false;
}

bool AddDirectoryEntry(FileCatalogue& cat, std::string_view folderPath, std::string_view name, uint64_t writeTime,
                       int pluginMask, size_t pathBytes) {
    if (cat.Count() >= kCatalogueCapacity) return false;
    std::string_view ext = ExtensionOf(name);
    if (ext.empty() || !IsCataloguedExtension(ext, pluginMask)) return false;
    if (name.size() > 255 || folderPath.size() + name.size() >= pathBytes) return false;
    cat.Order.push_back(int(cat.Entries.size()));
    cat.Entries.push_back({std::string(name), writeTime});
    return true;
}

void FindCurrent(FileCatalogue& cat, std::string_view fileName) {
    cat.CurrentIndex = kNotCatalogued;
    for (int p = 0; p < cat.Count(); ++p)
        if (SjisEqualNoCase(cat.NameAt(p), fileName)) {
            cat.CurrentIndex = p;
            return;
        }
}

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
        if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

NaturalKey MakeNaturalKey(std::string_view name) {
    NaturalKey key;
    int digits[3] = {0, 0, 0};
    bool hasNumber[3] = {false, false, false};
    // state: 0 T1, 1 N1, 2 T2, 3 N2, 4 T3, 5 N3, 6 T4
    int state = 0;
    auto appendText = [&](int piece, std::string_view character) {
        std::string& t = key.Text[piece];
        if (t.size() + character.size() <= kTextPieceBytes) t.append(character);
    };
    for (size_t i = 0; i < name.size();) {
        size_t step = (IsSjisLead(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) ? 2 : 1;
        std::string_view character = name.substr(i, step);
        i += step;
        bool digit = step == 1 && IsDigit(character[0]);
        if (state == 6) {
            appendText(3, character);
        } else if (state % 2 == 0) {  // a text piece
            if (digit) {
                int n = state / 2;
                ++state;
                hasNumber[n] = true;
                key.Number[n] = uint32_t(character[0] - '0');
                digits[n] = 1;
                if (digits[n] == kNumberDigits) state = 6;
            } else {
                appendText(state / 2, character);
            }
        } else {  // a number piece
            int n = state / 2;
            if (digit) {
                key.Number[n] = key.Number[n] * 10 + uint32_t(character[0] - '0');
                if (++digits[n] == kNumberDigits) state = 6;
            } else {
                ++state;
                appendText(state / 2, character);
            }
        }
    }
    for (int n = 0; n < 3; ++n)
        if (!hasNumber[n]) key.Number[n] = kMissingNumber;
    for (std::string& t : key.Text)
        if (t.empty()) t = kMissingText;
    return key;
}

int CompareNatural(const NaturalKey& a, const NaturalKey& b, const TextCompare& compare) {
    auto text = [&](int piece) {
        bool am = a.Text[piece] == kMissingText, bm = b.Text[piece] == kMissingText;
        if (am || bm) return am == bm ? 0 : (am ? 1 : -1);
        return compare(a.Text[piece], b.Text[piece]);
    };
    for (int piece = 0; piece < 4; ++piece) {
        if (int c = text(piece)) return c;
        if (piece < 3 && a.Number[piece] != b.Number[piece]) return a.Number[piece] < b.Number[piece] ? -1 : 1;
    }
    return 0;
}

namespace {

std::string_view WithoutExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    return std::string_view(name).substr(0, dot == std::string::npos ? name.size() : dot);
}

// Rank of every slot in `order`; equal entries get equal ranks. Each key is built once.
std::vector<int> SlotRanks(const FileCatalogue& cat, SortOrder order, const TextCompare& compare) {
    const size_t n = cat.Entries.size();
    std::vector<NaturalKey> keys;
    if (order == kSortNatural) {
        keys.reserve(n);
        for (const CatalogueEntry& e : cat.Entries) keys.push_back(MakeNaturalKey(WithoutExtension(e.Name)));
    }
    auto cmp = [&](int a, int b) -> int {
        const CatalogueEntry &x = cat.Entries[size_t(a)], &y = cat.Entries[size_t(b)];
        switch (order) {
        case kSortCode: return compare(x.Name, y.Name);
        case kSortNatural: return CompareNatural(keys[size_t(a)], keys[size_t(b)], compare);
        default: return x.WriteTime == y.WriteTime ? 0 : (x.WriteTime < y.WriteTime ? -1 : 1);
        }
    };
    std::vector<int> slots(n);
    std::iota(slots.begin(), slots.end(), 0);
    std::sort(slots.begin(), slots.end(), [&](int a, int b) { return cmp(a, b) < 0; });
    std::vector<int> rank(n, 0);
    for (size_t i = 1; i < n; ++i)
        rank[size_t(slots[i])] = cmp(slots[i - 1], slots[i]) == 0 ? rank[size_t(slots[i - 1])] : int(i);
    return rank;
}

void KeepCurrent(FileCatalogue& cat, int currentSlot) {
    if (currentSlot < 0) return;
    for (int p = 0; p < cat.Count(); ++p)
        if (cat.Order[size_t(p)] == currentSlot) {
            cat.CurrentIndex = p;
            return;
        }
}

int CurrentSlot(const FileCatalogue& cat) { return cat.Valid(cat.CurrentIndex) ? cat.Order[size_t(cat.CurrentIndex)] : -1; }

}  // namespace

void SortCatalogue(FileCatalogue& cat, SortOrder order, const TextCompare& compare) {
    int current = CurrentSlot(cat);
    if (order == kSortAsFound || order > kSortTime) {
        std::iota(cat.Order.begin(), cat.Order.end(), 0);
    } else {
        const std::vector<int> rank = SlotRanks(cat, order, compare);
        // The exchange sort run on ranks: every tie lands where the exchange sort puts it.
        std::vector<int> r(cat.Order.size());
        for (size_t p = 0; p < r.size(); ++p) r[p] = rank[size_t(cat.Order[p])];
        int* ranks = r.data();
        int* slots = cat.Order.data();
        const size_t n = r.size();
        for (size_t i = 0; i + 1 < n; ++i) {
            int held = ranks[i], heldSlot = slots[i];
            for (size_t j = i + 1; j < n; ++j) {
                // Branch-free: on unsorted input exchanges are too frequent to predict.
                const int r = ranks[j], s = slots[j];
                const bool take = r < held;
                ranks[j] = take ? held : r;
                slots[j] = take ? heldSlot : s;
                held = take ? r : held;
                heldSlot = take ? s : heldSlot;
            }
            ranks[i] = held;
            slots[i] = heldSlot;
        }
    }
    KeepCurrent(cat, current);
}

void ExchangeSortReference(FileCatalogue& cat, SortOrder order, const TextCompare& compare) {
    int current = CurrentSlot(cat);
    if (order == kSortAsFound || order > kSortTime) {
        std::iota(cat.Order.begin(), cat.Order.end(), 0);
    } else {
        auto after = [&](int a, int b) {
            const CatalogueEntry &x = cat.Entries[size_t(a)], &y = cat.Entries[size_t(b)];
            switch (order) {
            case kSortCode: return compare(x.Name, y.Name) > 0;
            case kSortNatural:
                return CompareNatural(MakeNaturalKey(WithoutExtension(x.Name)), MakeNaturalKey(WithoutExtension(y.Name)),
                                      compare) > 0;
            default: return x.WriteTime > y.WriteTime;
            }
        };
        for (int i = 0; i < cat.LastIndex(); ++i)
            for (int j = i + 1; j <= cat.LastIndex(); ++j)
                if (after(cat.Order[size_t(i)], cat.Order[size_t(j)])) std::swap(cat.Order[size_t(i)], cat.Order[size_t(j)]);
    }
    KeepCurrent(cat, current);
}

int NavigationTarget(const FileCatalogue& cat, int delta) { return NavigationTarget(cat, cat.CurrentIndex, delta); }

int NavigationTarget(const FileCatalogue& cat, int from, int delta) {
    if (cat.Count() == 0) return kNotCatalogued;
    if (from == kNotCatalogued && delta == 0) return kNotCatalogued;
    int64_t target = int64_t(from) + delta;
    return int(std::clamp<int64_t>(target, 0, cat.LastIndex()));
}

int PositionOfName(const FileCatalogue& cat, std::string_view name) {
    for (int p = 0; p < cat.Count(); ++p)
        if (cat.NameAt(p) == name) return p;
    return kNotCatalogued;
}

void RemovePosition(FileCatalogue& cat, int position) {
    if (!cat.Valid(position)) return;
    cat.Order.erase(cat.Order.begin() + position);
    if (cat.Count() == 0) {
        cat.CurrentIndex = kNotCatalogued;
        return;
    }
    if (position < cat.CurrentIndex) --cat.CurrentIndex;
    if (cat.CurrentIndex > cat.LastIndex()) cat.CurrentIndex = cat.LastIndex();
}
