#pragma once
// What the scanning helper (velmora-scan) tells the program on its standard
// output. SANE runs in that helper rather than in the program, because some
// backends stop their reader thread wherever it is: a thread stopped while
// holding a C-library lock freezes every later call of its process, and the
// process that freezes must not be the user's.
//
// The answer opens with kMagic, then records: a tag byte, the payload's
// length (32 bits, host order: both ends run on the same machine) and the
// payload. It ends with a Done record or a Failure record; anything cut
// short or malformed counts as a failed request.
//
// Requests, as arguments: "list" (Device records, then Done) and
// "scan NAME" (per frame, one Frame record then its Data records; then
// Done). An empty NAME scans with the first device found.
//
// Plain C++ and POSIX only: the helper carries no Qt.

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>

namespace scanwire {

inline constexpr char kMagic[8] = {'V', 'E', 'L', 'S', 'C', 'A', 'N', '1'};

enum Tag : char {
    kDevice = 'D',  // four strings: name, vendor, model, type
    kFrame = 'P',   // FrameHeader
    kData = 'B',    // bytes of the current frame
    kFailure = 'E', // FailureHeader, then a text (the device name, if any)
    kDone = 'K',    // empty: the request was served
};

// No record is longer: a frame comes in many Data records.
inline constexpr uint32_t kMaxPayload = 1u << 20;

// Frame formats, as SANE numbers them.
enum FrameFormat : int32_t { kGray = 0, kRgb = 1, kRed = 2, kGreen = 3, kBlue = 4 };

struct FrameHeader {
    int32_t format;
    int32_t lastFrame;
    int32_t bytesPerLine;
    int32_t pixelsPerLine;
    int32_t lines; // -1 when the scanner does not know before the end
    int32_t depth;
};

// Why a request failed; the program words it.
enum Failure : int32_t {
    kInitFailed = 1, // SANE could not start (status)
    kStatus = 2,     // a SANE call failed (status)
    kOpenFailed = 3, // the device named could not be opened (status, name)
    kNoDevice = 4,   // no device to scan with
    kBadRequest = 5, // the helper was asked something it does not know
};

struct FailureHeader {
    int32_t failure;
    int32_t status; // SANE's status code, 0 when there is none
};

// Writes every byte of a buffer to a descriptor; false when the reader has
// gone away.
inline bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

inline bool writeRecord(int fd, Tag tag, const void* payload, uint32_t size) {
    char head[5];
    head[0] = tag;
    std::memcpy(head + 1, &size, 4);
    return writeAll(fd, head, sizeof head) && (size == 0 || writeAll(fd, payload, size));
}

// Appends a string as its length (32 bits) and its bytes.
inline void appendString(std::string& out, const char* s) {
    const uint32_t n = s ? uint32_t(std::strlen(s)) : 0;
    out.append(reinterpret_cast<const char*>(&n), 4);
    if (n) out.append(s, n);
}

} // namespace scanwire
