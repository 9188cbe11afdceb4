// The image files of one folder: which names are listed, their three sort orders, and
// the current position. Portable: the scan thread fills a catalogue of its own from the
// directory listing and the main thread swaps it in whole.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Limits.h"

constexpr int kCatalogueCapacity = 10000;
constexpr int kNotCatalogued = -1;

enum SortOrder : uint32_t { kSortAsFound = 0, kSortCode = 1, kSortNatural = 2, kSortTime = 3 };

struct CatalogueEntry {
    std::string Name;        // file name with extension, Shift-JIS
    uint64_t WriteTime = 0;  // FILETIME as one number
};

struct FileCatalogue {
    std::vector<CatalogueEntry> Entries;  // slots, in the order the directory search gave them
    std::vector<int> Order;               // position -> slot
    int CurrentIndex = kNotCatalogued;    // position of the current file, or not catalogued
    int LastIndex() const { return int(Order.size()) - 1; }
    int Count() const { return int(Order.size()); }
    const std::string& NameAt(int position) const { return Entries[size_t(Order[size_t(position)])].Name; }
    bool Valid(int position) const { return position >= 0 && position < Count(); }
};

// Which extensions the folder scan lists, given the loaded plug-ins (bit 0 PNG, 3 WMF,
// 4 TIFF, 5/6 JWW, 7 GDI+ for EMF).
bool IsCataloguedExtension(std::string_view extension, int pluginMask);

// Adds a directory entry when its extension is listed and its full path fits `pathBytes`
// (names that would not fit are skipped, never cut). Returns false when it was not added.
bool AddDirectoryEntry(FileCatalogue& cat, std::string_view folderPath, std::string_view name,
                       uint64_t writeTime, int pluginMask, size_t pathBytes = kPathBytes);

// Marks the entry named `fileName` (compared without case, Shift-JIS aware) as current,
// or leaves the catalogue "not catalogued".
void FindCurrent(FileCatalogue& cat, std::string_view fileName);

// Text comparison used by the code and natural orders: <0, 0, >0 (the Win32 build passes
// the locale's case-insensitive comparison; tests pass their own).
using TextCompare = std::function<int(std::string_view, std::string_view)>;

// Byte-wise comparison folding ASCII letters; the portable default.
int CompareNoCase(std::string_view a, std::string_view b);

// The natural-order pieces of a name without extension: T1 N1 T2 N2 T3 N3 T4.
struct NaturalKey {
    std::string Text[4];
    uint32_t Number[3] = {};
};
NaturalKey MakeNaturalKey(std::string_view nameWithoutExtension);
int CompareNatural(const NaturalKey& a, const NaturalKey& b, const TextCompare& compare);

// Sorts the positions into `order`, keeping the current entry current. The result is the
// same as the quadratic exchange sort below, ties included, but with each key built once.
void SortCatalogue(FileCatalogue& cat, SortOrder order, const TextCompare& compare);

// The reference: exchange positions i < j whenever i sorts after j. Kept for the tests
// that prove SortCatalogue gives the same order.
void ExchangeSortReference(FileCatalogue& cat, SortOrder order, const TextCompare& compare);

// Position for a navigation step: first (-99999), previous, reload (0), next, last (+999999).
// From "not catalogued" a step starts before the first entry.
int NavigationTarget(const FileCatalogue& cat, int delta);
// The same, counted from `from` rather than the current index.
int NavigationTarget(const FileCatalogue& cat, int from, int delta);
// The position of the entry of that name, or kNotCatalogued.
int PositionOfName(const FileCatalogue& cat, std::string_view name);

// Removes the entry at `position` from the order; the current index follows the rules of
// deletion and failed loads (stays, or moves back from the end).
void RemovePosition(FileCatalogue& cat, int position);
