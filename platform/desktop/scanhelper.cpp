// velmora-scan: serves one scanning request of the program through SANE and
// answers on its standard output (see scanwire.h), then ends. The program
// starts one per request, so a backend that leaves this process frozen costs
// only this process, which the program stops.

#include "platform/desktop/scanwire.h"

#include <sane/sane.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

constexpr int kOut = 1;

// False once the program stopped listening; the helper then only tidies up.
bool listening = true;

void send(scanwire::Tag tag, const void* payload, uint32_t size) {
    if (listening) listening = scanwire::writeRecord(kOut, tag, payload, size);
}

void fail(scanwire::Failure why, SANE_Status status, const char* name = nullptr) {
    std::string payload;
    const scanwire::FailureHeader head{why, int32_t(status)};
    payload.append(reinterpret_cast<const char*>(&head), sizeof head);
    if (name) payload.append(name);
    send(scanwire::kFailure, payload.data(), uint32_t(payload.size()));
}

// The answer is complete: the program no longer waits for this process, so
// whatever the backend does while it is closed cannot hold the program up.
void done() {
    send(scanwire::kDone, nullptr, 0);
    ::close(kOut);
    listening = false;
}

// The threads of this process: the main one, and whatever the backend
// started.
int threadCount() {
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir) return -1;
    int n = 0;
    while (const dirent* e = ::readdir(dir))
        if (e->d_name[0] != '.') ++n;
    ::closedir(dir);
    return n;
}

// Some backends read the device in a thread that ends on its own once it
// has passed on the frame, and stop it at once, wherever it is, when asked
// for the frame's end or when cancelled: stopped inside the allocator or
// the loader, that thread leaves its lock held, and the next thread started
// or memory freed here waits forever. Asking only once the backend's
// threads have ended (or after a second, for a backend that keeps one)
// leaves nothing to stop. The helper has no thread of its own, so the count
// says exactly when that is.
void letReaderEnd(int threadsBefore) {
    if (threadsBefore < 1) return;
    for (int i = 0; i < 200 && threadCount() > threadsBefore; ++i) ::usleep(5000);
}

int listDevices() {
    const SANE_Device** list = nullptr;
    const SANE_Status st = sane_get_devices(&list, SANE_FALSE);
    if (st != SANE_STATUS_GOOD) {
        fail(scanwire::kStatus, st);
        return 0;
    }
    for (int i = 0; list && list[i]; ++i) {
        std::string payload;
        scanwire::appendString(payload, list[i]->name);
        scanwire::appendString(payload, list[i]->vendor);
        scanwire::appendString(payload, list[i]->model);
        scanwire::appendString(payload, list[i]->type);
        send(scanwire::kDevice, payload.data(), uint32_t(payload.size()));
    }
    done();
    return 0;
}

// Streams every frame of one page as it is read.
int scan(std::string name) {
    if (name.empty()) {
        const SANE_Device** list = nullptr;
        const SANE_Status st = sane_get_devices(&list, SANE_FALSE);
        if (st != SANE_STATUS_GOOD) {
            fail(scanwire::kStatus, st);
            return 0;
        }
        if (!list || !list[0] || !list[0]->name) {
            fail(scanwire::kNoDevice, SANE_STATUS_GOOD);
            return 0;
        }
        name = list[0]->name;
    }
    SANE_Handle h = nullptr;
    SANE_Status st = sane_open(name.c_str(), &h);
    if (st != SANE_STATUS_GOOD) {
        fail(scanwire::kOpenFailed, st, name.c_str());
        return 0;
    }
    std::vector<SANE_Byte> buf(64 * 1024);
    int threadsBefore = threadCount();
    for (int frames = 1; listening; ++frames) {
        threadsBefore = threadCount();
        st = sane_start(h);
        if (st == SANE_STATUS_GOOD) {
            SANE_Parameters p{};
            st = sane_get_parameters(h, &p);
            if (st == SANE_STATUS_GOOD) {
                const scanwire::FrameHeader head{
                    int32_t(p.format), int32_t(p.last_frame), p.bytes_per_line, p.pixels_per_line, p.lines, p.depth};
                send(scanwire::kFrame, &head, sizeof head);
                // A frame whose size was announced is whole once that much
                // has come. The last one is then handed over without asking
                // for its end; before asking for the end of another, the
                // reader thread is let go on its own (see letReaderEnd).
                const long long whole = p.lines > 0 ? (long long)p.lines * p.bytes_per_line : -1;
                long long got = 0;
                while (listening) {
                    if (got == whole) {
                        if (p.last_frame) break;
                        letReaderEnd(threadsBefore);
                    }
                    SANE_Int len = 0;
                    const SANE_Int want =
                        got < whole ? SANE_Int(std::min<long long>(buf.size(), whole - got)) : SANE_Int(buf.size());
                    st = sane_read(h, buf.data(), want, &len);
                    if (st != SANE_STATUS_GOOD) break;
                    got += len;
                    if (len > 0) send(scanwire::kData, buf.data(), uint32_t(len));
                }
                if (st == SANE_STATUS_EOF) st = SANE_STATUS_GOOD;
            }
            if (st == SANE_STATUS_GOOD && (p.last_frame || frames >= 3)) {
                done();
                break;
            }
        }
        if (st != SANE_STATUS_GOOD) {
            fail(scanwire::kStatus, st);
            break;
        }
    }
    letReaderEnd(threadsBefore);
    sane_cancel(h);
    sane_close(h);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // A program that stops listening must not kill the helper before it has
    // told the scanner to stop.
    std::signal(SIGPIPE, SIG_IGN);
    if (!scanwire::writeAll(kOut, scanwire::kMagic, sizeof scanwire::kMagic)) return 1;
    const std::string request = argc > 1 ? argv[1] : "";
    if (request != "list" && !(request == "scan" && argc == 3)) {
        fail(scanwire::kBadRequest, SANE_STATUS_GOOD);
        return 2;
    }
    SANE_Int version = 0;
    const SANE_Status st = sane_init(&version, nullptr);
    if (st != SANE_STATUS_GOOD) {
        fail(scanwire::kInitFailed, st);
        return 0;
    }
    const int rc = request == "list" ? listDevices() : scan(argv[2]);
    sane_exit();
    return rc;
}
