#include "platform/xls/crypto.h"
#include "platform/xls/bytes.h"
#include "platform/xls/records.h"

#include <QRandomGenerator>
#include <nettle/arcfour.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace xls::detail {

namespace {

constexpr std::size_t kBlock = 1024; // RC4 schemes rekey every 1024 stream bytes

QByteArray utf16le(const QString& s) {
    QByteArray out;
    out.reserve(s.size() * 2);
    for (QChar c : s) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

void randomBytes(unsigned char* p, std::size_t n) {
    auto* gen = QRandomGenerator::system();
    for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>(gen->generate() & 0xFF);
}

// --- RC4 keyed per 1024-byte block -----------------------------------------

class BlockRc4 : public StreamCipher {
public:
    void apply(unsigned char* buf, std::size_t from, std::size_t len, std::size_t, std::size_t, bool) override {
        seek(from);
        while (len > 0) {
            std::size_t inBlock = kBlock - (pos_ % kBlock);
            std::size_t n = std::min(len, inBlock);
            arcfour_crypt(&ctx_, n, buf + from, buf + from);
            from += n;
            pos_ += n;
            len -= n;
            if (pos_ % kBlock == 0) rekey(pos_ / kBlock);
        }
    }
    void reset() {
        rekey(0);
        pos_ = 0;
    }

    bool blockKeyed() const override { return true; }
    void blockKeystream(std::size_t block, unsigned char* out, std::size_t n) const override {
        unsigned char key[16];
        std::size_t keyLen = 16;
        blockKey(static_cast<std::uint32_t>(block), key, keyLen);
        arcfour_ctx ctx;
        arcfour_set_key(&ctx, keyLen, key);
        std::memset(out, 0, n);
        arcfour_crypt(&ctx, n, out, out);
    }

protected:
    virtual void blockKey(std::uint32_t block, unsigned char key[16], std::size_t& keyLen) const = 0;

    void rekey(std::size_t block) {
        unsigned char key[16];
        std::size_t keyLen = 16;
        blockKey(static_cast<std::uint32_t>(block), key, keyLen);
        arcfour_set_key(&ctx_, keyLen, key);
        block_ = block;
    }
    // Moves the keystream forward to stream offset `to`, discarding what is
    // skipped (the bytes of records that stay in clear still use it up).
    void seek(std::size_t to) {
        if (to < pos_) {
            reset();
        }
        if (to / kBlock != block_) {
            rekey(to / kBlock);
            pos_ = (to / kBlock) * kBlock;
        }
        unsigned char scratch[kBlock];
        std::size_t skip = to - pos_;
        if (skip > 0) {
            std::memset(scratch, 0, skip);
            arcfour_crypt(&ctx_, skip, scratch, scratch);
            pos_ = to;
        }
    }

    arcfour_ctx ctx_{};
    std::size_t pos_ = 0;
    std::size_t block_ = 0;
};

class Rc4Md5 : public BlockRc4 {
public:
    explicit Rc4Md5(const unsigned char h1[5]) {
        std::memcpy(h1_, h1, 5);
        reset();
    }

protected:
    void blockKey(std::uint32_t block, unsigned char key[16], std::size_t& keyLen) const override {
        unsigned char in[9];
        std::memcpy(in, h1_, 5);
        for (int i = 0; i < 4; ++i) in[5 + i] = static_cast<unsigned char>(block >> (8 * i));
        md5_ctx m;
        md5_init(&m);
        md5_update(&m, 9, in);
        md5_digest(&m, 16, key);
        keyLen = 16;
    }

private:
    unsigned char h1_[5];
};

class Rc4Sha1 : public BlockRc4 {
public:
    Rc4Sha1(const unsigned char h0[20], std::uint32_t keyBits) : keyBits_(keyBits) {
        std::memcpy(h0_, h0, 20);
        reset();
    }

protected:
    void blockKey(std::uint32_t block, unsigned char key[16], std::size_t& keyLen) const override {
        unsigned char in[24];
        std::memcpy(in, h0_, 20);
        for (int i = 0; i < 4; ++i) in[20 + i] = static_cast<unsigned char>(block >> (8 * i));
        unsigned char h[20];
        sha1_ctx s;
        sha1_init(&s);
        sha1_update(&s, 24, in);
        sha1_digest(&s, 20, h);
        if (keyBits_ == 40) {
            // A 40-bit key is used as 128 bits: the five bytes, then zeros.
            std::memset(key, 0, 16);
            std::memcpy(key, h, 5);
            keyLen = 16;
        } else {
            keyLen = keyBits_ / 8;
            std::memcpy(key, h, keyLen);
        }
    }

private:
    unsigned char h0_[20];
    std::uint32_t keyBits_;
};

// --- XOR obfuscation ---------------------------------------------------------

const std::uint16_t kInitialCode[15] = {0xE1F0, 0x1D0F, 0xCC9C, 0x84C0, 0x110C, 0x0E10, 0xF1CE, 0x313E,
                                        0x1872, 0xE139, 0xD40F, 0x84F9, 0x280C, 0xA96A, 0x4EC3};
const std::uint16_t kXorMatrix[105] = {
    0xAEFC, 0x4DD9, 0x9BB2, 0x2745, 0x4E8A, 0x9D14, 0x2A09, 0x7B61, 0xF6C2, 0xFDA5, 0xEB6B, 0xC6F7, 0x9DCF, 0x2BBF,
    0x4563, 0x8AC6, 0x05AD, 0x0B5A, 0x16B4, 0x2D68, 0x5AD0, 0x0375, 0x06EA, 0x0DD4, 0x1BA8, 0x3750, 0x6EA0, 0xDD40,
    0xD849, 0xA0B3, 0x5147, 0xA28E, 0x553D, 0xAA7A, 0x44D5, 0x6F45, 0xDE8A, 0xAD35, 0x4A4B, 0x9496, 0x390D, 0x721A,
    0xEB23, 0xC667, 0x9CEF, 0x29FF, 0x53FE, 0xA7FC, 0x5FD9, 0x47D3, 0x8FA6, 0x0F6D, 0x1EDA, 0x3DB4, 0x7B68, 0xF6D0,
    0xB861, 0x60E3, 0xC1C6, 0x93AD, 0x377B, 0x6EF6, 0xDDEC, 0x45A0, 0x8B40, 0x06A1, 0x0D42, 0x1A84, 0x3508, 0x6A10,
    0xAA51, 0x4483, 0x8906, 0x022D, 0x045A, 0x08B4, 0x1168, 0x76B4, 0xED68, 0xCAF1, 0x85C3, 0x1BA7, 0x374E, 0x6E9C,
    0x3730, 0x6E60, 0xDCC0, 0xA9A1, 0x4363, 0x86C6, 0x1DAD, 0x3331, 0x6662, 0xCCC4, 0x89A9, 0x0373, 0x06E6, 0x0DCC,
    0x1021, 0x2042, 0x4084, 0x8108, 0x1231, 0x2462, 0x48C4};
const std::uint8_t kPad[15] = {0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
                               0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00};

std::uint8_t ror1(std::uint8_t b) { return std::uint8_t((b >> 1) | (b << 7)); }
std::uint8_t xorRor(std::uint8_t a, std::uint8_t b) { return ror1(std::uint8_t(a ^ b)); }

std::array<std::uint8_t, 16> xorArrayMethod1(const QByteArray& pw) {
    std::array<std::uint8_t, 16> arr{};
    const std::uint16_t key = xorKeyMethod1(pw);
    const std::uint8_t hi = std::uint8_t(key >> 8), lo = std::uint8_t(key & 0xFF);
    int len = int(pw.size());
    int index = len;
    auto p = [&](int i) { return std::uint8_t(pw[i]); };
    if (len % 2 == 1) {
        arr[index] = xorRor(kPad[0], hi);
        --index;
        arr[index] = xorRor(p(len - 1), lo);
    }
    while (index > 0) {
        --index;
        arr[index] = xorRor(p(index), hi);
        --index;
        arr[index] = xorRor(p(index), lo);
    }
    index = 15;
    int padIndex = 15 - len;
    while (padIndex > 0) {
        arr[index] = xorRor(kPad[padIndex], hi);
        --index;
        --padIndex;
        arr[index] = xorRor(kPad[padIndex], lo);
        --index;
        --padIndex;
    }
    return arr;
}

class XorCipher : public StreamCipher {
public:
    explicit XorCipher(const std::array<std::uint8_t, 16>& arr) : arr_(arr) {}
    void apply(unsigned char* buf, std::size_t from, std::size_t len, std::size_t, std::size_t recSize,
               bool encrypt) override {
        for (std::size_t i = 0; i < len; ++i) {
            std::size_t idx = (from + i + recSize) % 16; // keyed on the record's offset and size
            std::uint8_t v = buf[from + i];
            if (encrypt) {
                v = std::uint8_t((v << 5) | (v >> 3));
                v ^= arr_[idx];
            } else {
                v ^= arr_[idx];
                v = std::uint8_t((v >> 5) | (v << 3));
            }
            buf[from + i] = v;
        }
    }

private:
    std::array<std::uint8_t, 16> arr_;
};

// RC4 1.1: MD5 of the password, folded with the salt, gives the 40-bit base.
void rc4Md5Base(const QString& password, const std::array<std::uint8_t, 16>& salt, unsigned char h1[5]) {
    QByteArray pw = utf16le(password);
    unsigned char h0[16];
    md5_ctx m;
    md5_init(&m);
    md5_update(&m, std::size_t(pw.size()), reinterpret_cast<const unsigned char*>(pw.constData()));
    md5_digest(&m, 16, h0);
    unsigned char buf[16 * 21];
    for (int i = 0; i < 16; ++i) {
        std::memcpy(buf + i * 21, h0, 5);
        std::memcpy(buf + i * 21 + 5, salt.data(), 16);
    }
    unsigned char h[16];
    md5_init(&m);
    md5_update(&m, sizeof buf, buf);
    md5_digest(&m, 16, h);
    std::memcpy(h1, h, 5);
}

void sha1Base(const QString& password, const std::array<std::uint8_t, 16>& salt, unsigned char h0[20]) {
    QByteArray pw = utf16le(password);
    sha1_ctx s;
    sha1_init(&s);
    sha1_update(&s, 16, salt.data());
    sha1_update(&s, std::size_t(pw.size()), reinterpret_cast<const unsigned char*>(pw.constData()));
    sha1_digest(&s, 20, h0);
}

bool clearRecord(std::uint16_t type) {
    switch (type) {
    case rec::kBof:
    case rec::kFilePass:
    case rec::kUsrExcl:
    case rec::kFileLock:
    case rec::kInterfaceHdr:
    case rec::kRrdInfo:
    case rec::kRrdHead: return true;
    default: return false;
    }
}

} // namespace

QByteArray xorPasswordBytes(const QString& password) {
    QByteArray out;
    for (QChar c : password) {
        if (out.size() >= 15) break;
        std::uint16_t u = c.unicode();
        std::uint8_t b = std::uint8_t(u & 0xFF);
        if (b == 0) b = std::uint8_t(u >> 8);
        out.append(char(b));
    }
    return out;
}

std::uint16_t xorKeyMethod1(const QByteArray& pw) {
    if (pw.isEmpty()) return 0;
    std::uint16_t key = kInitialCode[pw.size() - 1];
    int element = 0x68;
    for (int i = int(pw.size()) - 1; i >= 0; --i) {
        std::uint8_t ch = std::uint8_t(pw[i]);
        for (int bit = 0; bit < 7; ++bit) {
            if (ch & 0x40) key ^= kXorMatrix[element];
            ch = std::uint8_t(ch << 1);
            --element;
        }
    }
    return key;
}

std::uint16_t xorVerifierMethod1(const QByteArray& pw) {
    std::uint16_t v = 0;
    QByteArray arr;
    arr.append(char(pw.size()));
    arr.append(pw);
    for (int i = int(arr.size()) - 1; i >= 0; --i) {
        std::uint16_t i1 = (v & 0x4000) ? 1 : 0;
        std::uint16_t i2 = std::uint16_t((v * 2) & 0x7FFF);
        v = std::uint16_t((i1 | i2) ^ std::uint8_t(arr[i]));
    }
    return std::uint16_t(v ^ 0xCE4B);
}

std::optional<EncryptionInfo> parseFilePass(const unsigned char* data, std::size_t size) {
    try {
        ByteView v(data, size);
        EncryptionInfo info;
        std::uint16_t type = v.u16(0);
        if (type == 0) {
            info.scheme = Scheme::Xor;
            info.xorKey = v.u16(2);
            info.xorVerifier = v.u16(4);
            return info;
        }
        if (type != 1) return std::nullopt;
        info.versionMajor = v.u16(2);
        info.versionMinor = v.u16(4);
        if (info.versionMajor == 1 && info.versionMinor == 1) {
            info.scheme = Scheme::Rc4;
            v.need(6, 48);
            std::memcpy(info.salt.data(), data + 6, 16);
            std::memcpy(info.encryptedVerifier.data(), data + 22, 16);
            info.encryptedVerifierHash = QByteArray(reinterpret_cast<const char*>(data + 38), 16);
            return info;
        }
        if (info.versionMajor >= 2 && info.versionMajor <= 4 && info.versionMinor == 2) {
            info.scheme = Scheme::Rc4CryptoApi;
            std::uint32_t headerSize = v.u32(10);
            std::size_t h = 14;
            if (headerSize < 32 || headerSize > size) return std::nullopt;
            info.algId = v.u32(h + 8);
            info.algIdHash = v.u32(h + 12);
            info.keyBits = v.u32(h + 16);
            if (info.keyBits == 0) info.keyBits = 40;
            if ((info.algId != 0 && info.algId != 0x6801) || (info.algIdHash != 0 && info.algIdHash != 0x8004))
                return std::nullopt;
            if (info.keyBits < 40 || info.keyBits > 128 || info.keyBits % 8 != 0) return std::nullopt;
            std::size_t ver = h + headerSize;
            std::uint32_t saltSize = v.u32(ver);
            if (saltSize != 16) return std::nullopt;
            v.need(ver + 4, 16 + 16 + 4);
            std::memcpy(info.salt.data(), data + ver + 4, 16);
            std::memcpy(info.encryptedVerifier.data(), data + ver + 20, 16);
            std::uint32_t hashSize = v.u32(ver + 36);
            if (hashSize != 20) return std::nullopt;
            v.need(ver + 40, 20);
            info.encryptedVerifierHash = QByteArray(reinterpret_cast<const char*>(data + ver + 40), 20);
            return info;
        }
        return std::nullopt;
    } catch (const Truncated&) {
        return std::nullopt;
    }
}

std::unique_ptr<StreamCipher> makeCipher(const EncryptionInfo& info, const QString& password) {
    switch (info.scheme) {
    case Scheme::None: return nullptr;
    case Scheme::Xor: {
        QByteArray pw = xorPasswordBytes(password);
        if (pw.isEmpty() || xorVerifierMethod1(pw) != info.xorVerifier || xorKeyMethod1(pw) != info.xorKey)
            return nullptr;
        return std::make_unique<XorCipher>(xorArrayMethod1(pw));
    }
    case Scheme::Rc4:
    case Scheme::Rc4CryptoApi: {
        std::unique_ptr<BlockRc4> c;
        if (info.scheme == Scheme::Rc4) {
            unsigned char h1[5];
            rc4Md5Base(password, info.salt, h1);
            c = std::make_unique<Rc4Md5>(h1);
        } else {
            unsigned char h0[20];
            sha1Base(password, info.salt, h0);
            c = std::make_unique<Rc4Sha1>(h0, info.keyBits);
        }
        // The verifier and its hash are one RC4 run with the block-0 key.
        unsigned char buf[36];
        std::size_t hashLen = std::size_t(info.encryptedVerifierHash.size());
        std::memcpy(buf, info.encryptedVerifier.data(), 16);
        std::memcpy(buf + 16, info.encryptedVerifierHash.constData(), hashLen);
        c->apply(buf, 0, 16 + hashLen, 0, 0, false);
        unsigned char digest[20];
        if (info.scheme == Scheme::Rc4) {
            md5_ctx m;
            md5_init(&m);
            md5_update(&m, 16, buf);
            md5_digest(&m, 16, digest);
        } else {
            sha1_ctx s;
            sha1_init(&s);
            sha1_update(&s, 16, buf);
            sha1_digest(&s, 20, digest);
        }
        if (std::memcmp(digest, buf + 16, hashLen) != 0) return nullptr;
        c->reset();
        return c;
    }
    }
    return nullptr;
}

namespace {

QByteArray xorFilePass(const QString& password) {
    QByteArray out;
    ByteWriter w(out);
    QByteArray pw = xorPasswordBytes(password);
    w.u16(0);
    w.u16(xorKeyMethod1(pw));
    w.u16(xorVerifierMethod1(pw));
    return out;
}

// A fresh random verifier and its hash, both sealed with the key the
// password and salt make, into `buf`; returns the length of the hash.
std::size_t sealVerifier(Scheme scheme, const QString& password, const EncryptionInfo& info, unsigned char (&buf)[36]) {
    unsigned char verifier[16];
    randomBytes(verifier, 16);
    std::memcpy(buf, verifier, 16);
    std::unique_ptr<BlockRc4> c;
    std::size_t hashLen;
    if (scheme == Scheme::Rc4) {
        unsigned char h1[5];
        rc4Md5Base(password, info.salt, h1);
        c = std::make_unique<Rc4Md5>(h1);
        md5_ctx m;
        md5_init(&m);
        md5_update(&m, 16, verifier);
        md5_digest(&m, 16, buf + 16);
        hashLen = 16;
    } else {
        unsigned char h0[20];
        sha1Base(password, info.salt, h0);
        c = std::make_unique<Rc4Sha1>(h0, info.keyBits);
        sha1_ctx s;
        sha1_init(&s);
        sha1_update(&s, 16, verifier);
        sha1_digest(&s, 20, buf + 16);
        hashLen = 20;
    }
    c->apply(buf, 0, 16 + hashLen, 0, 0, true);
    return hashLen;
}

// The CryptoAPI header: RC4 with SHA-1 from the enhanced provider.
void writeCryptoApiHeader(ByteWriter& w, std::uint32_t keyBits) {
    static const char16_t kProvider[] = u"Microsoft Enhanced Cryptographic Provider v1.0";
    QByteArray csp;
    for (const char16_t* p = kProvider; *p; ++p) {
        csp.append(char(*p & 0xFF));
        csp.append(char(*p >> 8));
    }
    csp.append(2, '\0');
    const std::uint32_t flags = 0x04 | 0x08; // CryptoAPI; document properties left in clear
    w.u16(4);
    w.u16(2);
    w.u32(flags);
    w.u32(std::uint32_t(32 + csp.size()));
    w.u32(flags);
    w.u32(0);      // SizeExtra
    w.u32(0x6801); // RC4
    w.u32(0x8004); // SHA-1
    w.u32(keyBits);
    w.u32(1); // PROV_RSA_FULL
    w.u32(0);
    w.u32(0);
    w.bytes(csp.constData(), std::size_t(csp.size()));
}

} // namespace

QByteArray makeFilePass(Scheme scheme, const QString& password, std::uint32_t keyBits) {
    if (scheme == Scheme::Xor) return xorFilePass(password);
    EncryptionInfo info;
    info.scheme = scheme;
    info.keyBits = keyBits;
    randomBytes(info.salt.data(), 16);
    unsigned char buf[36];
    sealVerifier(scheme, password, info, buf);

    QByteArray out;
    ByteWriter w(out);
    w.u16(1);
    if (scheme == Scheme::Rc4) {
        w.u16(1);
        w.u16(1);
        w.bytes(info.salt.data(), 16);
        w.bytes(buf, 32);
        return out;
    }
    writeCryptoApiHeader(w, keyBits);
    w.u32(16);
    w.bytes(info.salt.data(), 16);
    w.bytes(buf, 16);
    w.u32(20);
    w.bytes(buf + 16, 20);
    return out;
}

namespace {

// Below this many blocks per thread, starting a thread costs more than the
// blocks it would take over.
constexpr std::size_t kBlocksPerThread = 256;

// The bytes of record data that a scheme protects, from `data` on.
std::size_t clearPrefix(std::uint16_t type, std::size_t len) {
    if (clearRecord(type)) return len;
    if (type == rec::kBoundSheet) return std::min<std::size_t>(4, len); // the sheet's stream offset
    return 0;
}

// XORs the keystream into the protected bytes of [from, to) of the stream,
// walking the records from `pos`, the start of the record that holds
// `from`, up to `limit`, where the whole records end. Each block's
// keystream is made once, when its first protected byte comes.
void sealRange(unsigned char* p, std::size_t pos, std::size_t from, std::size_t to, std::size_t limit,
               const StreamCipher& cipher) {
    unsigned char ks[kBlock];
    std::size_t ksBlock = std::size_t(-1);
    while (pos < to && pos + 4 <= limit) {
        const std::uint16_t type = le16(p + pos);
        const std::size_t len = le16(p + pos + 2);
        const std::size_t data = pos + 4;
        std::size_t at = std::max(from, data + clearPrefix(type, len));
        const std::size_t end = std::min(to, data + len);
        while (at < end) {
            const std::size_t block = at / kBlock, base = block * kBlock;
            if (block != ksBlock) {
                cipher.blockKeystream(block, ks, std::min(kBlock, limit - base));
                ksBlock = block;
            }
            const std::size_t stop = std::min(end, base + kBlock);
            for (; at < stop; ++at) p[at] ^= ks[at - base];
        }
        pos = data + len;
    }
}

// XORs the keystream into the protected bytes of the whole records of
// piece [p, p + n), which lies at stream offset `offset`.
void sealRecords(unsigned char* p, std::size_t n, std::size_t offset, const StreamCipher& cipher) {
    unsigned char ks[kBlock];
    std::size_t ksBlock = std::size_t(-1);
    std::size_t pos = 0;
    while (pos + 4 <= n) {
        const std::uint16_t type = le16(p + pos);
        const std::size_t len = le16(p + pos + 2);
        const std::size_t data = pos + 4;
        std::size_t at = offset + data + clearPrefix(type, len);
        const std::size_t end = offset + std::min(n, data + len);
        while (at < end) {
            const std::size_t block = at / kBlock, base = block * kBlock;
            if (block != ksBlock) {
                cipher.blockKeystream(block, ks, kBlock);
                ksBlock = block;
            }
            const std::size_t stop = std::min(end, base + kBlock);
            for (; at < stop; ++at) p[at - offset] ^= ks[at - base];
        }
        pos = data + len;
    }
}

} // namespace

std::vector<StreamPiece> cutPieces(const std::vector<StreamPiece>& pieces) {
    // Parts of about this many bytes, which threads take in turn.
    constexpr std::size_t kPart = kBlocksPerThread * kBlock / 2;
    std::vector<StreamPiece> parts;
    for (const StreamPiece& piece : pieces) {
        std::size_t from = 0, pos = 0;
        while (pos + 4 <= piece.size) {
            const std::size_t next = pos + 4 + le16(piece.data + pos + 2);
            if (next - from > kPart && pos > from) {
                parts.push_back({piece.data + from, pos - from, piece.offset + from});
                from = pos;
            }
            pos = next;
        }
        if (piece.size > from) parts.push_back({piece.data + from, piece.size - from, piece.offset + from});
    }
    return parts;
}

void transformPart(const StreamPiece& part, const StreamCipher& cipher) {
    sealRecords(part.data, part.size, part.offset, cipher);
}

void transformPieces(const std::vector<StreamPiece>& pieces, const StreamCipher& cipher, unsigned cores) {
    const std::vector<StreamPiece> parts = cutPieces(pieces);
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < parts.size(); i = next++) transformPart(parts[i], cipher);
    };
    const std::size_t threads =
        std::min<std::size_t>(cores ? cores : std::max(1u, std::thread::hardware_concurrency()), parts.size());
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (auto& th : pool) th.join();
}

bool transformStream(QByteArray& stream, StreamCipher& cipher, bool encrypt, unsigned cores) {
    if (cipher.blockKeyed() && cores != 1) {
        auto* p = reinterpret_cast<unsigned char*>(stream.data());
        const std::size_t n = std::size_t(stream.size());
        const std::size_t blocks = (n + kBlock - 1) / kBlock;
        const std::size_t threads = std::min<std::size_t>(
            cores ? cores : std::max(1u, std::thread::hardware_concurrency()), blocks / kBlocksPerThread + 1);
        const std::size_t per = (blocks + threads - 1) / threads * kBlock;
        // One pass over the headers finds where the whole records end and
        // the record each piece starts in; the pieces are then sealed side by
        // side (headers are only read, so the pieces never share a byte).
        std::vector<std::size_t> starts(threads, 0);
        std::size_t pos = 0, piece = 1;
        bool whole = true;
        while (pos + 4 <= n) {
            const std::size_t next = pos + 4 + le16(p + pos + 2);
            if (next > n) {
                whole = false;
                break;
            }
            for (; piece < threads && piece * per < next; ++piece) starts[piece] = pos;
            pos = next;
        }
        for (; piece < threads; ++piece) starts[piece] = pos;
        const std::size_t limit = pos;
        std::vector<std::thread> pool;
        for (std::size_t t = 1; t < threads; ++t)
            pool.emplace_back(sealRange, p, starts[t], t * per, std::min(limit, (t + 1) * per), limit,
                              std::cref(cipher));
        sealRange(p, 0, 0, std::min(limit, per), limit, cipher);
        for (auto& th : pool) th.join();
        return whole;
    }
    auto* p = reinterpret_cast<unsigned char*>(stream.data());
    const std::size_t n = std::size_t(stream.size());
    std::size_t pos = 0;
    while (pos + 4 <= n) {
        std::uint16_t type = le16(p + pos);
        std::size_t len = le16(p + pos + 2);
        std::size_t data = pos + 4;
        if (len > n - data) return false;
        if (!clearRecord(type) && len > 0) {
            std::size_t skip =
                (type == rec::kBoundSheet) ? std::min<std::size_t>(4, len) : 0; // BOUNDSHEET offset stays clear
            if (len > skip) cipher.apply(p, data + skip, len - skip, data, len, encrypt);
        }
        pos = data + len;
    }
    return true;
}

} // namespace xls::detail
