#pragma once
// Little-endian byte access for the record codec. Every read is bounded by
// the buffer it reads from; a read past the end raises Truncated, which the
// reader turns into a "damaged file" error.

#include <QByteArray>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace xls::detail {

struct Truncated : std::runtime_error {
    Truncated() : std::runtime_error("truncated record") {}
};

inline std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
inline double leDouble(const unsigned char* p) {
    std::uint64_t v = std::uint64_t(le32(p)) | (std::uint64_t(le32(p + 4)) << 32);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}

// A bounded view over record data.
class ByteView {
public:
    ByteView() = default;
    ByteView(const unsigned char* data, std::size_t size) : p_(data), n_(size) {}
    std::size_t size() const { return n_; }
    const unsigned char* data() const { return p_; }
    void need(std::size_t off, std::size_t len) const {
        if (off > n_ || len > n_ - off) throw Truncated();
    }
    std::uint8_t u8(std::size_t off) const {
        need(off, 1);
        return p_[off];
    }
    std::uint16_t u16(std::size_t off) const {
        need(off, 2);
        return le16(p_ + off);
    }
    std::uint32_t u32(std::size_t off) const {
        need(off, 4);
        return le32(p_ + off);
    }
    double f64(std::size_t off) const {
        need(off, 8);
        return leDouble(p_ + off);
    }

private:
    const unsigned char* p_ = nullptr;
    std::size_t n_ = 0;
};

// Appends little-endian values to a growing buffer.
class ByteWriter {
public:
    explicit ByteWriter(QByteArray& out) : out_(out) {}
    void u8(std::uint8_t v) { out_.append(char(v)); }
    void u16(std::uint16_t v) {
        char b[2] = {char(v & 0xFF), char(v >> 8)};
        out_.append(b, 2);
    }
    void u32(std::uint32_t v) {
        char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        out_.append(b, 4);
    }
    void f64(double d) {
        std::uint64_t v;
        std::memcpy(&v, &d, 8);
        u32(std::uint32_t(v));
        u32(std::uint32_t(v >> 32));
    }
    void bytes(const void* p, std::size_t n) { out_.append(static_cast<const char*>(p), qsizetype(n)); }
    void zeros(std::size_t n) { out_.append(qsizetype(n), '\0'); }
    qsizetype pos() const { return out_.size(); }
    void put16(qsizetype at, std::uint16_t v) {
        out_[at] = char(v & 0xFF);
        out_[at + 1] = char(v >> 8);
    }
    void put32(qsizetype at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out_[at + i] = char((v >> (8 * i)) & 0xFF);
    }
    QByteArray& buffer() { return out_; }

private:
    QByteArray& out_;
};

} // namespace xls::detail
