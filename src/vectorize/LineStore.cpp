#include "vectorize/LineStore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>


LineStore g_Lines;

EndpointGrid::EndpointGrid() { std::memset(blocks_, 0, sizeof blocks_); }

EndpointGrid::~EndpointGrid() { Clear(); }

void EndpointGrid::Increment(int32_t x, int32_t y) {
    if (uint32_t(x) >= uint32_t(kColumns) || uint32_t(y) >= uint32_t(kRows)) return;
    uint32_t*& block = blocks_[BlockOf(x, y)];
    if (!block) {
        block = new (std::nothrow) uint32_t[kBlockWords]();
        if (!block) {
            degraded_ = true;
            return;
        }
        ++blockCount_;
    }
    uint32_t& word = block[WordOf(x, y)];
    const int shift = 2 * (x & 15);
    if (((word >> shift) & 3) != 3) word += 1u << shift;
}

void EndpointGrid::Clear() {
    for (uint32_t*& block : blocks_) {
        delete[] block;
        block = nullptr;
    }
    blockCount_ = 0;
    degraded_ = false;
}

LineStore::LineStore(int32_t records) : records_(records < 3 ? 3 : records) {}

int LineStore::CreateStore() {
    count_ = maxX_ = maxY_ = 0;
    grid_.Clear();
    if (positions_) return 0;
    // Left uninitialised: pages are only touched as lines arrive.
    positions_.reset(new (std::nothrow) uint32_t[size_t(records_)]);
    lengths_.reset(new (std::nothrow) float[size_t(records_ / 2 + 1)]);
    widths_.reset(new (std::nothrow) uint8_t[size_t(records_ / 2 + 1)]);
    if (!positions_ || !lengths_ || !widths_) {
        ReleaseStore();
        return kStoreNoMemory;
    }
    positions_[0] = 0;
    return 0;
}

void LineStore::ClearStore() {
    count_ = maxX_ = maxY_ = 0;
    grid_.Clear();
}

void LineStore::ReleaseStore() {
    ClearStore();
    positions_.reset();
    lengths_.reset();
    widths_.reset();
}

int LineStore::AddSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (!positions_) return kStoreNotCreated;
    if (Full()) return kStoreFull;
    for (int32_t x : {x1, x2})
        if (uint32_t(x) >= uint32_t(EndpointGrid::kColumns)) return kStoreOutOfGrid;
    for (int32_t y : {y1, y2})
        if (uint32_t(y) >= uint32_t(EndpointGrid::kRows)) return kStoreOutOfGrid;
    maxX_ = std::max({maxX_, x1, x2});
    maxY_ = std::max({maxY_, y1, y2});
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    positions_[++count_] = PackPoint(x1, y1);
    lengths_[(count_ + 1) / 2] = float(std::sqrt(dx * dx + dy * dy));
    widths_[(count_ + 1) / 2] = 0;
    grid_.Increment(x1, y1);
    positions_[++count_] = PackPoint(x2, y2);
    grid_.Increment(x2, y2);
    return 1;
}

int LineStore::DeleteLine(int32_t index) {
    if (!InUse(index)) return 1;
    const int32_t second = (index & 1) ? index + 1 : index;
    positions_[second] = positions_[count_];
    positions_[second - 1] = positions_[count_ - 1];
    lengths_[second / 2] = lengths_[count_ / 2];
    widths_[second / 2] = widths_[count_ / 2];
    count_ -= 2;
    return 1;
}

void LineStore::TruncateLines(int32_t endpointCount) {
    if (endpointCount >= 0 && endpointCount < count_) count_ = endpointCount & ~1;
}

void LineStore::SetLineWidth(int32_t index, float pixels) {
    if (!InUse(index)) return;
    const float halves = std::round(std::clamp(pixels, 0.0f, 127.5f) * 2);
    widths_[(index + 1) / 2] = uint8_t(halves);
}

void LineStore::MoveEndpoint(int32_t index, uint32_t point) {
    positions_[index] = point;
    grid_.Increment(PointX(point), PointY(point));
}

size_t LineStore::TableBytes() const {
    return positions_ ? size_t(records_) * sizeof(uint32_t) + size_t(records_ / 2 + 1) * (sizeof(float) + 1) : 0;
}

std::string LinesStatusText(const LineStore& store) { return FormatThousands(store.LineCount()) + " Lines"; }

std::string StoreFullText(const LineStore& store) {
    return "ベクトルデータが上限に達しました (" + FormatThousands(store.LineCount()) + " Lines)";
}

std::string FormatThousands(int64_t value) {
    std::string digits = std::to_string(value < 0 ? 0 - uint64_t(value) : uint64_t(value));
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return value < 0 ? "-" + out : out;
}
