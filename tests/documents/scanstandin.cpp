// Stands in for the scanning helper and misbehaves as told by its first
// argument, so the tests see what the program makes of a helper that dies,
// hangs, or answers something cut short or malformed. The request's own
// arguments follow. With SCAN_STANDIN_PID set, it first writes its process
// id into that file.

#include "platform/desktop/scanwire.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace scanwire;

namespace {

constexpr int kOut = 1;

void record(Tag tag, const void* payload, uint32_t size) { writeRecord(kOut, tag, payload, size); }

void magic() { writeAll(kOut, kMagic, sizeof kMagic); }

// A gray page of `lines` lines of 40 pixels, all of value `gray`, of which
// only `sent` lines are sent.
void page(int lines, int sent, unsigned char gray) {
    const FrameHeader head{kGray, 1, 40, 40, lines, 8};
    record(kFrame, &head, sizeof head);
    const std::vector<unsigned char> data(size_t(sent) * 40, gray);
    if (!data.empty()) record(kData, data.data(), uint32_t(data.size()));
}

void device(const char* name) {
    std::string payload;
    appendString(payload, name);
    appendString(payload, "Finto");
    appendString(payload, "Scanner");
    appendString(payload, "flatbed scanner");
    record(kDevice, payload.data(), uint32_t(payload.size()));
}

[[noreturn]] void hang() {
    for (;;) pause();
}

} // namespace

int main(int argc, char** argv) {
    if (const char* pidFile = std::getenv("SCAN_STANDIN_PID")) {
        if (FILE* f = std::fopen(pidFile, "w")) {
            std::fprintf(f, "%d\n", int(getpid()));
            std::fclose(f);
        }
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string request = argc > 2 ? argv[2] : "";
    if (mode == "silent") hang(); // started, then not a byte
    if (mode == "garbage") {
        const char text[] = "sane_init: not a scanner answer\n";
        writeAll(kOut, text, sizeof text - 1);
        return 0;
    }
    magic();
    if (mode == "good" || mode == "answer-then-hang") {
        if (request == "list") {
            device("finto:0");
            device("finto:1");
        } else {
            page(30, 30, 0x80);
        }
        record(kDone, nullptr, 0);
        if (mode == "answer-then-hang") hang(); // as a backend frozen while closing
        return 0;
    }
    if (mode == "dies-midway") {
        if (request == "list") {
            device("finto:0");
        } else {
            page(30, 12, 0x80);
        }
        std::signal(SIGABRT, SIG_DFL);
        std::abort();
    }
    if (mode == "hangs-midway") {
        page(30, 12, 0x80);
        hang();
    }
    if (mode == "truncated-frame") {
        // The data record announces the whole page, the stream stops halfway.
        const FrameHeader head{kGray, 1, 40, 40, 30, 8};
        record(kFrame, &head, sizeof head);
        const uint32_t size = 30 * 40;
        char lead[5] = {kData};
        std::memcpy(lead + 1, &size, 4);
        writeAll(kOut, lead, sizeof lead);
        const std::vector<unsigned char> half(size / 2, 0x80);
        writeAll(kOut, half.data(), half.size());
        return 0;
    }
    if (mode == "no-end") {
        // Every frame whole, but the answer never says it is done.
        page(30, 30, 0x80);
        return 0;
    }
    if (mode == "oversized-record") {
        const FrameHeader head{kGray, 1, 40, 40, 30, 8};
        record(kFrame, &head, sizeof head);
        char lead[5] = {kData};
        const uint32_t size = kMaxPayload + 1;
        std::memcpy(lead + 1, &size, 4);
        writeAll(kOut, lead, sizeof lead);
        hang();
    }
    if (mode == "bad-format") {
        // Lines of no bytes: no image can be made of them.
        const FrameHeader head{kGray, 1, 0, 40, 30, 8};
        record(kFrame, &head, sizeof head);
        record(kDone, nullptr, 0);
        return 0;
    }
    if (mode == "data-before-frame") {
        const unsigned char bytes[40] = {};
        record(kData, bytes, sizeof bytes);
        record(kDone, nullptr, 0);
        return 0;
    }
    return 3;
}
