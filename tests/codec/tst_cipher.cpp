// The RC4 schemes seal a large stream on several threads at once; the
// bytes must be the very ones a single keystream walking the records gives,
// and the ones the format's own definition of the keys gives for a known
// salt, whatever the stream's size and however its blocks split.

#include "platform/xls/bytes.h"
#include "platform/xls/crypto.h"
#include "platform/xls/records.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QtTest>

#include <nettle/arcfour.h>
#include <nettle/sha1.h>

#include <cstring>

using namespace xls::detail;

namespace {

// The cipher without its block-keyed shortcut: the stream is then walked
// record by record with one keystream.
class RecordWalk : public StreamCipher {
public:
    explicit RecordWalk(StreamCipher& c) : c_(c) {}
    void apply(unsigned char* buf, std::size_t from, std::size_t len, std::size_t recordDataStart,
               std::size_t recordSize, bool encrypt) override {
        c_.apply(buf, from, len, recordDataStart, recordSize, encrypt);
    }

private:
    StreamCipher& c_;
};

void record(QByteArray& s, std::uint16_t type, const QByteArray& data) {
    ByteWriter w(s);
    w.u16(type);
    w.u16(std::uint16_t(data.size()));
    s.append(data);
}

QByteArray noise(QRandomGenerator& g, int n) {
    QByteArray b(n, Qt::Uninitialized);
    for (char& c : b) c = char(g.generate() & 0xFF);
    return b;
}

// About `size` bytes of records laid out as a workbook's are: the records
// that stay in clear, sheet entries whose offset stays in clear, empty
// records, full-length ones that cross block boundaries, and odd lengths.
QByteArray sampleStream(std::size_t size, quint32 seed) {
    QRandomGenerator g(seed);
    QByteArray s;
    record(s, rec::kBof, noise(g, 16));
    record(s, rec::kFilePass, noise(g, 54));
    record(s, rec::kInterfaceHdr, noise(g, 2));
    for (int i = 0; i < 3; ++i) record(s, rec::kBoundSheet, noise(g, 12));
    record(s, rec::kBoundSheet, noise(g, 3)); // shorter than its offset field
    while (std::size_t(s.size()) < size) {
        switch (g.bounded(6)) {
        case 0: record(s, 0x00FC, noise(g, 8224)); break;
        case 1: record(s, rec::kContinue, QByteArray()); break;
        case 2: record(s, rec::kBof, noise(g, 16)); break;
        default: record(s, 0x0203, noise(g, int(g.bounded(1, 2000)))); break;
        }
    }
    record(s, rec::kEof, QByteArray());
    return s;
}

QByteArray utf16le(const QString& s) {
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}

// The key of one 1024-byte block, as the CryptoAPI layout defines it:
// SHA-1 of the base hash and the block number, cut to the key size (a
// 40-bit key padded with zeros to 16 bytes).
QByteArray blockKey(const QByteArray& base, std::uint32_t block, std::uint32_t keyBits) {
    QByteArray in = base;
    ByteWriter(in).u32(block);
    QByteArray h(20, '\0');
    sha1_ctx s;
    sha1_init(&s);
    sha1_update(&s, std::size_t(in.size()), reinterpret_cast<const unsigned char*>(in.constData()));
    sha1_digest(&s, 20, reinterpret_cast<unsigned char*>(h.data()));
    if (keyBits == 40) return h.left(5) + QByteArray(11, '\0');
    return h.left(int(keyBits / 8));
}

QByteArray rc4(const QByteArray& key, QByteArray data) {
    arcfour_ctx c;
    arcfour_set_key(&c, std::size_t(key.size()), reinterpret_cast<const unsigned char*>(key.constData()));
    arcfour_crypt(&c, std::size_t(data.size()), reinterpret_cast<unsigned char*>(data.data()),
                  reinterpret_cast<const unsigned char*>(data.constData()));
    return data;
}

// A CryptoAPI cipher for a fixed salt and verifier, built from the
// definition, with the base hash it keys on.
struct Known {
    std::unique_ptr<StreamCipher> cipher;
    QByteArray base;
};

Known knownCipher(const QString& password, std::uint32_t keyBits) {
    EncryptionInfo info;
    info.scheme = Scheme::Rc4CryptoApi;
    info.versionMajor = 4;
    info.versionMinor = 2;
    info.keyBits = keyBits;
    for (int i = 0; i < 16; ++i) info.salt[std::size_t(i)] = std::uint8_t(0x30 + 7 * i);
    const QByteArray salt(reinterpret_cast<const char*>(info.salt.data()), 16);
    const QByteArray base = QCryptographicHash::hash(salt + utf16le(password), QCryptographicHash::Sha1);
    const QByteArray verifier = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const QByteArray sealed =
        rc4(blockKey(base, 0, keyBits), verifier + QCryptographicHash::hash(verifier, QCryptographicHash::Sha1));
    std::memcpy(info.encryptedVerifier.data(), sealed.constData(), 16);
    info.encryptedVerifierHash = sealed.mid(16);
    return {makeCipher(info, password), base};
}

// The stream sealed by the definition: every byte the format protects is
// XORed with the keystream of its block at its place in the block.
QByteArray sealedByDefinition(const QByteArray& clear, const QByteArray& base, std::uint32_t keyBits) {
    QByteArray out = clear;
    const auto* p = reinterpret_cast<const unsigned char*>(clear.constData());
    const std::size_t n = std::size_t(clear.size());
    std::vector<bool> isProtected(n, false);
    for (std::size_t pos = 0; pos + 4 <= n;) {
        const std::uint16_t type = le16(p + pos);
        const std::size_t len = le16(p + pos + 2);
        const bool clearRec = type == rec::kBof || type == rec::kFilePass || type == rec::kInterfaceHdr;
        const std::size_t from = pos + 4 + (type == rec::kBoundSheet ? std::min<std::size_t>(4, len) : 0);
        if (!clearRec)
            for (std::size_t i = from; i < pos + 4 + len; ++i) isProtected[i] = true;
        pos += 4 + len;
    }
    for (std::size_t block = 0; block * 1024 < n; ++block) {
        const QByteArray ks = rc4(blockKey(base, std::uint32_t(block), keyBits), QByteArray(1024, '\0'));
        for (std::size_t i = 0; i < 1024 && block * 1024 + i < n; ++i)
            if (isProtected[block * 1024 + i]) {
                const auto at = qsizetype(block * 1024 + i);
                out[at] = char(out[at] ^ ks[qsizetype(i)]);
            }
    }
    return out;
}

// Stream sizes around the points where the work is split: a single
// block, one thread's share and a little more, many threads' worth with a
// ragged last block.
const std::size_t kSizes[] = {700, 256 * 1024 + 17, 2 * 1024 * 1024 + 333, 5 * 1024 * 1024 + 1};

} // namespace

class TestCipher : public QObject {
    Q_OBJECT
private slots:
    // The whole-stream path a save takes gives the bytes the record walk
    // gives, for every RC4 scheme and key size, and reading undoes it.
    void wholeStreamAgreesWithRecordWalk() {
        const QString pw = QStringLiteral("Kemi4417");
        struct Case {
            Scheme scheme;
            std::uint32_t keyBits;
        };
        for (const Case& c : {Case{Scheme::Rc4CryptoApi, 128}, Case{Scheme::Rc4CryptoApi, 40}, Case{Scheme::Rc4, 128}}) {
            const QByteArray fp = makeFilePass(c.scheme, pw, c.keyBits);
            auto info = parseFilePass(reinterpret_cast<const unsigned char*>(fp.constData()), std::size_t(fp.size()));
            QVERIFY(info);
            auto cipher = makeCipher(*info, pw);
            QVERIFY(cipher);
            for (std::size_t size : kSizes) {
                const QByteArray clear = sampleStream(size, quint32(size));
                QByteArray whole = clear, walked = clear;
                QVERIFY(transformStream(whole, *cipher, true));
                RecordWalk walk(*cipher);
                QVERIFY(transformStream(walked, walk, true));
                QVERIFY2(whole == walked, qPrintable(QStringLiteral("size %1, %2 bits").arg(size).arg(c.keyBits)));
                QVERIFY(whole != clear);
                QVERIFY(transformStream(whole, *cipher, false));
                QVERIFY(whole == clear);
            }
        }
    }

    // For a fixed salt and password, the sealed stream is the one the
    // format's definition of the keys gives, byte for byte, at both key sizes.
    void knownSaltGivesTheDefinedBytes() {
        const QString pw = QStringLiteral("VelmoraPratiche");
        for (std::uint32_t bits : {128u, 40u}) {
            Known k = knownCipher(pw, bits);
            QVERIFY(k.cipher);
            for (std::size_t size : kSizes) {
                const QByteArray clear = sampleStream(size, quint32(size) ^ 0x5A5Au);
                QByteArray sealed = clear;
                QVERIFY(transformStream(sealed, *k.cipher, true));
                QVERIFY2(sealed == sealedByDefinition(clear, k.base, bits),
                         qPrintable(QStringLiteral("size %1, %2 bits").arg(size).arg(bits)));
            }
        }
    }

    // A record that runs past the end of the stream is reported on both
    // paths, and both leave the same bytes behind.
    void truncatedStreamIsReportedAlike() {
        Known k = knownCipher(QStringLiteral("Kemi4417"), 128);
        QVERIFY(k.cipher);
        QByteArray broken = sampleStream(600 * 1024, 7);
        broken.chop(4); // the EOF record
        ByteWriter w(broken);
        w.u16(0x0203);
        w.u16(100);
        broken.append(QByteArray(10, 'x'));
        QByteArray whole = broken, walked = broken;
        QVERIFY(!transformStream(whole, *k.cipher, true));
        RecordWalk walk(*k.cipher);
        QVERIFY(!transformStream(walked, walk, true));
        QVERIFY(whole == walked);
        QVERIFY(whole.right(14) == broken.right(14));
    }
};

QTEST_GUILESS_MAIN(TestCipher)
#include "tst_cipher.moc"
