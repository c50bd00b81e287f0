#include "platform/desktop/scanner.h"

#include "platform/desktop/dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QThread>
#include <QVBoxLayout>

#include <sane/sane.h>

#include <cstring>
#include <poll.h>
#include <vector>

namespace scanner {

namespace {

// The user's wording of a SANE status; SANE's own texts are English.
QString statusText(SANE_Status s) {
    switch (s) {
    case SANE_STATUS_GOOD: return QStringLiteral("nessun errore");
    case SANE_STATUS_UNSUPPORTED: return QStringLiteral("operazione non supportata dallo scanner");
    case SANE_STATUS_CANCELLED: return QStringLiteral("acquisizione annullata");
    case SANE_STATUS_DEVICE_BUSY: return QStringLiteral("lo scanner è occupato");
    case SANE_STATUS_INVAL: return QStringLiteral("scanner non trovato o impostazioni non valide");
    case SANE_STATUS_EOF: return QStringLiteral("lo scanner non ha inviato dati");
    case SANE_STATUS_JAMMED: return QStringLiteral("carta inceppata");
    case SANE_STATUS_NO_DOCS: return QStringLiteral("nessun documento nell'alimentatore");
    case SANE_STATUS_COVER_OPEN: return QStringLiteral("il coperchio dello scanner è aperto");
    case SANE_STATUS_IO_ERROR: return QStringLiteral("errore di comunicazione con lo scanner");
    case SANE_STATUS_NO_MEM: return QStringLiteral("memoria insufficiente");
    case SANE_STATUS_ACCESS_DENIED: return QStringLiteral("accesso allo scanner negato");
    }
    return QStringLiteral("errore sconosciuto dello scanner (%1)").arg(int(s));
}

// One SANE session for the whole program, started on first use.
bool sessionOpen = false;

bool ensureSession(QString* error) {
    if (sessionOpen) return true;
    SANE_Int version = 0;
    const SANE_Status st = sane_init(&version, nullptr);
    if (st != SANE_STATUS_GOOD) {
        if (error) *error = QStringLiteral("impossibile avviare il sistema di acquisizione (%1)").arg(statusText(st));
        return false;
    }
    sessionOpen = true;
    static bool hooked = false;
    if (!hooked && QCoreApplication::instance()) {
        qAddPostRoutine(closeSession);
        hooked = true;
    }
    return true;
}

// Some backends read the device in a thread of their own, which sane_cancel
// stops at once, wherever it is: stopped inside the allocator, that thread
// dies holding its lock and the cancel waits for it forever. After a scan
// that failed midway the reader is given up to a second to finish the page
// on its own: the end of its data on the backend's descriptor says it has.
// A backend without a descriptor is cancelled straight away.
void letReaderFinish(SANE_Handle h) {
    SANE_Int fd = -1;
    if (sane_get_select_fd(h, &fd) != SANE_STATUS_GOOD || fd < 0) return;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 1000) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(1000 - waited.elapsed())) <= 0) return;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return;
        QThread::msleep(5);
    }
}

// Closes the device however the scan ends.
class OpenDevice {
public:
    ~OpenDevice() {
        if (!h) return;
        if (started && !finished) letReaderFinish(h);
        if (started) sane_cancel(h);
        sane_close(h);
    }
    SANE_Handle h = nullptr;
    bool started = false;
    bool finished = false; // the last frame was read to its end
};

struct Frame {
    SANE_Parameters p{};
    QByteArray data;
};

// A page larger than this is refused rather than exhausting memory
// (A3 at 1200 dpi in 16-bit colour stays below it).
constexpr qint64 kMaxFrameBytes = qint64(1) << 30;

bool readFrame(SANE_Handle h, Frame& f, QString* error) {
    SANE_Status st = sane_get_parameters(h, &f.p);
    if (st != SANE_STATUS_GOOD) {
        *error = statusText(st);
        return false;
    }
    if (f.p.bytes_per_line <= 0 || f.p.pixels_per_line <= 0) {
        *error = QStringLiteral("lo scanner ha indicato un formato d'immagine non valido");
        return false;
    }
    if (f.p.lines > 0) f.data.reserve(qsizetype(qMin<qint64>(kMaxFrameBytes, qint64(f.p.lines) * f.p.bytes_per_line)));
    std::vector<SANE_Byte> buf(64 * 1024);
    for (;;) {
        SANE_Int len = 0;
        st = sane_read(h, buf.data(), SANE_Int(buf.size()), &len);
        if (st == SANE_STATUS_EOF) break;
        if (st != SANE_STATUS_GOOD) {
            *error = statusText(st);
            return false;
        }
        if (f.data.size() + len > kMaxFrameBytes) {
            *error = QStringLiteral("l'immagine acquisita è troppo grande");
            return false;
        }
        f.data.append(reinterpret_cast<const char*>(buf.data()), len);
    }
    return true;
}

int lineCount(const Frame& f) {
    const qint64 whole = f.data.size() / f.p.bytes_per_line;
    return int(f.p.lines >= 0 ? qMin<qint64>(f.p.lines, whole) : whole);
}

// One sample of a line as 0..255; a set bit is full intensity.
uchar sample(const uchar* line, qsizetype i, int depth) {
    switch (depth) {
    case 1: return (line[i / 8] >> (7 - i % 8)) & 1 ? 255 : 0;
    case 8: return line[i];
    default: {
        quint16 v;
        std::memcpy(&v, line + 2 * i, 2); // host byte order
        return uchar(v >> 8);
    }
    }
}

bool depthSupported(int d) { return d == 1 || d == 8 || d == 16; }

// An image the size the scanner announced; false, with the reason, when it
// cannot be had (its lines would then be written through a null pointer).
// A page without lines is no image either, and is reported as such later.
bool allocated(const QImage& img, int w, int h, QString* error) {
    if (!img.isNull() || w <= 0 || h <= 0) return true;
    *error = QStringLiteral("memoria insufficiente per l'immagine acquisita");
    return false;
}

// The bytes a line of `samples` samples takes at the frame's depth.
qint64 bytesNeeded(const Frame& f, qint64 samples) {
    return f.p.depth == 1 ? (samples + 7) / 8 : samples * (f.p.depth / 8);
}

QImage grayImage(const Frame& f, QString* error) {
    const int w = f.p.pixels_per_line, h = lineCount(f);
    if (bytesNeeded(f, w) > f.p.bytes_per_line) {
        *error = QStringLiteral("lo scanner ha indicato un formato d'immagine non valido");
        return {};
    }
    if (f.p.depth == 1) {
        // Line art: a set bit is black, as in the bitmap's own 1-bit form.
        QImage img(w, h, QImage::Format_Mono);
        if (!allocated(img, w, h, error)) return {};
        img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), f.data.constData() + qsizetype(y) * f.p.bytes_per_line, (w + 7) / 8);
        return img;
    }
    QImage img(w, h, QImage::Format_Indexed8);
    if (!allocated(img, w, h, error)) return {};
    QList<QRgb> grays(256);
    for (int i = 0; i < 256; ++i) grays[i] = qRgb(i, i, i);
    img.setColorTable(grays);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const uchar*>(f.data.constData()) + qsizetype(y) * f.p.bytes_per_line;
        uchar* out = img.scanLine(y);
        for (int x = 0; x < w; ++x) out[x] = sample(line, x, f.p.depth);
    }
    return img;
}

QImage colourImage(const Frame& f, QString* error) {
    const int w = f.p.pixels_per_line, h = lineCount(f);
    if (bytesNeeded(f, qint64(w) * 3) > f.p.bytes_per_line) {
        *error = QStringLiteral("lo scanner ha indicato un formato d'immagine non valido");
        return {};
    }
    QImage img(w, h, QImage::Format_RGB32);
    if (!allocated(img, w, h, error)) return {};
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const uchar*>(f.data.constData()) + qsizetype(y) * f.p.bytes_per_line;
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = qRgb(sample(line, 3 * x, f.p.depth), sample(line, 3 * x + 1, f.p.depth),
                          sample(line, 3 * x + 2, f.p.depth));
    }
    return img;
}

// A scanner that sends red, green and blue as three frames.
QImage threePassImage(const std::vector<Frame>& frames, QString* error) {
    const Frame* band[3] = {nullptr, nullptr, nullptr};
    for (const Frame& f : frames) {
        const int i = f.p.format == SANE_FRAME_RED ? 0 : f.p.format == SANE_FRAME_GREEN ? 1 : 2;
        band[i] = &f;
    }
    if (!band[0] || !band[1] || !band[2]) {
        *error = QStringLiteral("lo scanner non ha inviato tutti i colori dell'immagine");
        return {};
    }
    int w = band[0]->p.pixels_per_line, h = lineCount(*band[0]);
    for (const Frame* f : band) {
        w = qMin(w, f->p.pixels_per_line);
        h = qMin(h, lineCount(*f));
        if (bytesNeeded(*f, f->p.pixels_per_line) > f->p.bytes_per_line) {
            *error = QStringLiteral("lo scanner ha indicato un formato d'immagine non valido");
            return {};
        }
    }
    QImage img(w, h, QImage::Format_RGB32);
    if (!allocated(img, w, h, error)) return {};
    for (int y = 0; y < h; ++y) {
        const uchar* line[3];
        for (int c = 0; c < 3; ++c)
            line[c] =
                reinterpret_cast<const uchar*>(band[c]->data.constData()) + qsizetype(y) * band[c]->p.bytes_per_line;
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = qRgb(sample(line[0], x, band[0]->p.depth), sample(line[1], x, band[1]->p.depth),
                          sample(line[2], x, band[2]->p.depth));
    }
    return img;
}

QImage imageOf(const std::vector<Frame>& frames, QString* error) {
    for (const Frame& f : frames) {
        if (!depthSupported(f.p.depth) || f.p.format > SANE_FRAME_BLUE) {
            *error = QStringLiteral("lo scanner usa un formato d'immagine non gestito");
            return {};
        }
    }
    QImage img;
    const Frame& first = frames.front();
    if (frames.size() == 1 && first.p.format == SANE_FRAME_GRAY)
        img = grayImage(first, error);
    else if (frames.size() == 1 && first.p.format == SANE_FRAME_RGB)
        img = colourImage(first, error);
    else if (frames.size() == 3)
        img = threePassImage(frames, error);
    else {
        *error = QStringLiteral("lo scanner usa un formato d'immagine non gestito");
        return {};
    }
    if (error->isEmpty() && (img.isNull() || img.width() == 0 || img.height() == 0)) {
        *error = QStringLiteral("lo scanner non ha restituito alcuna immagine");
        return {};
    }
    return img;
}

SourcePicker* currentPicker = nullptr;
QString chosen;

} // namespace

QString Device::label() const {
    QString s = (vendor + QLatin1Char(' ') + model).trimmed();
    return s.isEmpty() ? name : s + QStringLiteral(" (") + name + QLatin1Char(')');
}

QList<Device> devices(QString* error) {
    QList<Device> out;
    if (!ensureSession(error)) return out;
    const SANE_Device** list = nullptr;
    const SANE_Status st = sane_get_devices(&list, SANE_FALSE);
    if (st != SANE_STATUS_GOOD) {
        if (error) *error = statusText(st);
        return out;
    }
    for (int i = 0; list && list[i]; ++i) {
        const SANE_Device* d = list[i];
        auto text = [](const char* s) { return s ? QString::fromLocal8Bit(s) : QString(); };
        out.push_back({text(d->name), text(d->vendor), text(d->model), text(d->type)});
    }
    return out;
}

QImage scanPage(const QString& deviceName, QString* error) {
    QString why;
    QImage img = [&]() -> QImage {
        QString name = deviceName;
        if (name.isEmpty()) {
            const QList<Device> all = devices(&why);
            if (all.isEmpty()) {
                if (why.isEmpty()) why = QStringLiteral("nessuno scanner disponibile");
                return {};
            }
            name = all.front().name;
        }
        if (!ensureSession(&why)) return {};
        OpenDevice dev;
        const QByteArray raw = name.toLocal8Bit();
        SANE_Status st = sane_open(raw.constData(), &dev.h);
        if (st != SANE_STATUS_GOOD) {
            dev.h = nullptr;
            why = QStringLiteral("impossibile aprire lo scanner \"%1\": %2").arg(name, statusText(st));
            return {};
        }
        std::vector<Frame> frames;
        for (;;) {
            st = sane_start(dev.h);
            dev.started = true;
            if (st != SANE_STATUS_GOOD) {
                why = statusText(st);
                return {};
            }
            frames.emplace_back();
            if (!readFrame(dev.h, frames.back(), &why)) return {};
            if (frames.back().p.last_frame || frames.size() >= 3) break;
        }
        dev.finished = true;
        return imageOf(frames, &why);
    }();
    if (error) *error = img.isNull() ? why : QString();
    return img;
}

void closeSession() {
    if (!sessionOpen) return;
    sane_exit();
    sessionOpen = false;
}

std::optional<QString> DialogSourcePicker::pick(const QList<Device>& list, const QString& current, QWidget* owner) {
    QDialog dlg(owner);
    dlg.setWindowTitle(QStringLiteral("Seleziona origine"));
    auto* label = new QLabel(QStringLiteral("Scanner disponibili:"), &dlg);
    auto* view = new QListWidget(&dlg);
    for (const Device& d : list) {
        auto* item = new QListWidgetItem(d.label(), view);
        item->setData(Qt::UserRole, d.name);
        if (d.name == current) view->setCurrentItem(item);
    }
    if (!view->currentItem() && view->count() > 0) view->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    QObject::connect(view, &QListWidget::itemDoubleClicked, &dlg, &QDialog::accept);
    auto* lay = new QVBoxLayout(&dlg);
    lay->addWidget(label);
    lay->addWidget(view);
    lay->addWidget(buttons);
    if (dlg.exec() != QDialog::Accepted || !view->currentItem()) return std::nullopt;
    return view->currentItem()->data(Qt::UserRole).toString();
}

SourcePicker& sourcePicker() {
    static DialogSourcePicker dialog;
    return currentPicker ? *currentPicker : dialog;
}

void setSourcePicker(SourcePicker* picker) { currentPicker = picker; }

QString chosenSource() { return chosen; }
void setChosenSource(const QString& deviceName) { chosen = deviceName; }

} // namespace scanner

namespace EZTwain {

namespace {
// The reason of the last failed acquisition, until it has been reported.
QString lastError;
bool lastFailed = false;
} // namespace

int TWAIN_SelectImageSource(QWidget* hwnd) {
    QString why;
    const QList<scanner::Device> list = scanner::devices(&why);
    if (list.isEmpty()) {
        QString text = QStringLiteral("Nessuno scanner disponibile.");
        if (!why.isEmpty()) text += QStringLiteral("\r\n") + why;
        ui::dialogs().message(text, QStringLiteral("Velmora"), ui::MsgIcon::Information);
        return 0;
    }
    const std::optional<QString> picked = scanner::sourcePicker().pick(list, scanner::chosenSource(), hwnd);
    if (!picked) return 0;
    scanner::setChosenSource(*picked);
    return 1;
}

int TWAIN_AcquireToFilename(QWidget*, const QString& fileName) {
    lastFailed = false;
    lastError.clear();
    auto fail = [](const QString& why) {
        lastFailed = true;
        lastError = why;
        return -1;
    };
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString why;
    const QImage page = scanner::scanPage(scanner::chosenSource(), &why);
    QGuiApplication::restoreOverrideCursor();
    if (page.isNull()) return fail(why);

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("impossibile scrivere il file %1: %2").arg(fileName, file.errorString()));
    if (!page.save(&file, "BMP")) {
        file.cancelWriting();
        return fail(QStringLiteral("impossibile scrivere il file %1").arg(fileName));
    }
    if (!file.commit())
        return fail(QStringLiteral("impossibile scrivere il file %1: %2").arg(fileName, file.errorString()));
    return 0;
}

int TWAIN_LoadNativeFromFile(int) { return lastFailed ? 1 : 0; }

void TWAIN_ReportLastError(const QString& text) {
    QString shown = text;
    if (lastFailed && !lastError.isEmpty()) shown += QStringLiteral("\r\nErrore dello scanner: ") + lastError;
    lastFailed = false;
    lastError.clear();
    ui::dialogs().message(shown, QStringLiteral("Velmora"), ui::MsgIcon::Critical);
}

int SelectScannerSource(QWidget* hwnd) { return TWAIN_SelectImageSource(hwnd); }

} // namespace EZTwain
