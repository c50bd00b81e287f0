#pragma once
// The password schemes a workbook stream may be protected with: XOR
// obfuscation, RC4 with an MD5 key (version 1.1) and RC4 with a SHA-1 key
// through the CryptoAPI layout (versions 2.2, 3.2, 4.2; 40- to 128-bit
// keys). Hashes and the cipher come from nettle.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace xls::detail {

enum class Scheme { None, Xor, Rc4, Rc4CryptoApi };

// What the FILEPASS record of a file says, parsed.
struct EncryptionInfo {
    Scheme scheme = Scheme::None;
    // XOR
    std::uint16_t xorKey = 0, xorVerifier = 0;
    // RC4 and RC4 CryptoAPI
    std::uint16_t versionMajor = 0, versionMinor = 0;
    std::array<std::uint8_t, 16> salt{};
    std::array<std::uint8_t, 16> encryptedVerifier{};
    QByteArray encryptedVerifierHash; // 16 bytes (MD5) or 20 (SHA-1)
    std::uint32_t keyBits = 128;      // CryptoAPI key size
    std::uint32_t algId = 0x6801, algIdHash = 0x8004;
};

// Parses FILEPASS record data; nullopt when the layout is not one we know
// (the caller reports an unsupported scheme).
std::optional<EncryptionInfo> parseFilePass(const unsigned char* data, std::size_t size);

// Builds FILEPASS record data for a new file protected with `password`.
// Fresh random salt and verifier; Rc4CryptoApi writes version 4.2 with the
// given key size (40 or 128 bits).
QByteArray makeFilePass(Scheme scheme, const QString& password, std::uint32_t keyBits = 128);

// The keystream of one protected stream, positioned by stream offset. The
// same object encrypts and decrypts (both are XOR with the keystream).
class StreamCipher {
public:
    virtual ~StreamCipher() = default;
    // Transforms bytes [from, from+len) of the stream in place; calls must
    // come in increasing stream order. `recordDataStart` and `recordSize`
    // locate the record the bytes belong to (XOR obfuscation keys on them).
    virtual void apply(unsigned char* buf, std::size_t from, std::size_t len, std::size_t recordDataStart,
                       std::size_t recordSize, bool encrypt) = 0;
    // Block-keyed ciphers (the RC4 schemes, keyed afresh every 1024 stream
    // bytes) give the keystream of any block on its own, so a whole stream
    // can be done in pieces side by side; `n` is at most 1024.
    virtual bool blockKeyed() const { return false; }
    virtual void blockKeystream(std::size_t block, unsigned char* out, std::size_t n) const {
        (void)block;
        (void)out;
        (void)n;
    }
};

// A cipher when the password matches the verifier, nullptr otherwise.
std::unique_ptr<StreamCipher> makeCipher(const EncryptionInfo& info, const QString& password);

// The password as the XOR scheme sees it: one byte per character, at most 15.
QByteArray xorPasswordBytes(const QString& password);
std::uint16_t xorKeyMethod1(const QByteArray& pw);
std::uint16_t xorVerifierMethod1(const QByteArray& pw);

// Walks a workbook stream and transforms every byte that the format
// protects: record data except the records that stay in clear (BOF,
// FILEPASS, INTERFACEHDR, USREXCL, FILELOCK, RRDINFO, RRDHEAD) and the
// stream-offset field of BOUNDSHEET. Record headers are never touched.
// Returns false when a record header runs past the end of the stream.
// `threads` 0 uses every core for a block-keyed cipher; 1 walks the records
// on the calling thread.
bool transformStream(QByteArray& stream, StreamCipher& cipher, bool encrypt, unsigned threads = 0);

// A piece of a stream: whole records, starting at stream offset `offset`.
struct StreamPiece {
    unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
};
// Transforms the pieces of one stream as transformStream would the stream
// they make together, for a block-keyed cipher only; the pieces (large ones
// cut at their records) are done side by side on up to `threads` threads
// (0: one per core).
void transformPieces(const std::vector<StreamPiece>& pieces, const StreamCipher& cipher, unsigned threads = 0);
// The parts transformPieces does one at a time, in stream order: the
// pieces, large ones cut at their records.
std::vector<StreamPiece> cutPieces(const std::vector<StreamPiece>& pieces);
// Transforms one such part, for a block-keyed cipher.
void transformPart(const StreamPiece& part, const StreamCipher& cipher);

} // namespace xls::detail
