// The one bounds-checked reader for untrusted bytes (Exif, image headers, tracer input, plug-in
// results, graffiti files).
// A read past the end returns 0 and leaves the reader failed for good, so a parse checks
// Ok() once after a group of reads instead of after each. Sizes are tested as
// `count > remaining / unit`, never by multiplying.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    bool Ok() const { return !failed_; }
    size_t Size() const { return size_; }
    size_t Pos() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }

    // Queries that never fail the reader.
    bool Contains(uint64_t offset) const { return offset < size_; }
    bool Fits(uint64_t offset, uint64_t count, uint64_t unit = 1) const {
        if (offset > size_) return false;
        uint64_t left = size_ - offset;
        return unit == 0 || count <= left / unit;
    }

    // True when n more bytes can be read; otherwise the reader fails.
    bool Has(uint64_t n) {
        if (failed_ || !Fits(pos_, n)) failed_ = true;
        return !failed_;
    }
    void Seek(uint64_t offset) {
        if (offset > size_) {
            failed_ = true;
            return;
        }
        pos_ = size_t(offset);
    }
    void Skip(uint64_t n) {
        if (Has(n)) pos_ += size_t(n);
    }

    uint8_t U8() {
        if (!Has(1)) return 0;
        return data_[pos_++];
    }
    uint16_t U16(bool bigEndian) {
        if (!Has(2)) return 0;
        const uint8_t* p = data_ + pos_;
        pos_ += 2;
        return bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t U32(bool bigEndian) {
        if (!Has(4)) return 0;
        const uint8_t* p = data_ + pos_;
        pos_ += 4;
        return bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                         : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    uint16_t U16BE() { return U16(true); }
    uint16_t U16LE() { return U16(false); }
    uint32_t U32BE() { return U32(true); }
    uint32_t U32LE() { return U32(false); }
    // IEEE 754 double, little-endian.
    double F64LE() {
        const uint64_t bits = U32LE() | uint64_t(U32LE()) << 32;
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }

    // n bytes in place, or nullptr (and failed) when they are not all there.
    const uint8_t* Bytes(uint64_t n) {
        if (!Has(n)) return nullptr;
        const uint8_t* p = data_ + pos_;
        pos_ += size_t(n);
        return p;
    }

    // A fresh reader over the same bounds, positioned at offset (failed when outside).
    ByteReader At(uint64_t offset) const {
        ByteReader r(data_, size_);
        r.Seek(offset);
        return r;
    }
    // A fresh reader whose offset 0 is `offset` here and which ends where this one ends,
    // or after `length` bytes when those are all inside (failed when they are not).
    ByteReader Sub(uint64_t offset) const {
        if (offset > size_) return Failed();
        return ByteReader(data_ + offset, size_ - size_t(offset));
    }
    ByteReader Sub(uint64_t offset, uint64_t length) const {
        if (!Fits(offset, length)) return Failed();
        return ByteReader(data_ + offset, size_t(length));
    }

private:
    static ByteReader Failed() {
        ByteReader r;
        r.failed_ = true;
        return r;
    }
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool failed_ = false;
};
