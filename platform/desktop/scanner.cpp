#include "platform/desktop/scanner.h"

#include "platform/desktop/dialogs.h"
#include "platform/desktop/scanwire.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <sane/sane.h>

#include <cstring>
#include <vector>

namespace scanner {

namespace {

// The user's wording of a SANE status; SANE's own texts are English.
QString statusText(int s) {
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

// One frame of a page, as the helper sent it.
struct Frame {
    scanwire::FrameHeader p{};
    QByteArray data;
};

// A page larger than this is refused rather than exhausting memory
// (A3 at 1200 dpi in 16-bit colour stays below it).
constexpr qint64 kMaxFrameBytes = qint64(1) << 30;

int lineCount(const Frame& f) {
    const qint64 whole = f.data.size() / f.p.bytesPerLine;
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
    const int w = f.p.pixelsPerLine, h = lineCount(f);
    if (bytesNeeded(f, w) > f.p.bytesPerLine) {
        *error = QStringLiteral("lo scanner ha indicato un formato d'immagine non valido");
        return {};
    }
    if (f.p.depth == 1) {
        // Line art: a set bit is black, as in the bitmap's own 1-bit form.
        QImage img(w, h, QImage::Format_Mono);
        if (!allocated(img, w, h, error)) return {};
        img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), f.data.constData() + qsizetype(y) * f.p.bytesPerLine, (w + 7) / 8);
        return img;
    }
    QImage img(w, h, QImage::Format_Indexed8);
    if (!allocated(img, w, h, error)) return {};
    QList<QRgb> grays(256);
    for (int i = 0; i < 256; ++i) grays[i] = qRgb(i, i, i);
    img.setColorTable(grays);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const uchar*>(f.data.constData()) + qsizetype(y) * f.p.bytesPerLine;
        uchar* out = img.scanLine(y);
        for (int x = 0; x < w; ++x) out[x] = sample(line, x, f.p.depth);
    }
    return img;
}

QImage colourImage(const Frame& f, QString* error) {
    const int w = f.p.pixelsPerLine, h = lineCount(f);
    if (bytesNeeded(f, qint64(w) * 3) > f.p.bytesPerLine) {
        *error = QStringLiteral("lo scanner ha indicato un formato d'immagine non valido");
        return {};
    }
    QImage img(w, h, QImage::Format_RGB32);
    if (!allocated(img, w, h, error)) return {};
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const uchar*>(f.data.constData()) + qsizetype(y) * f.p.bytesPerLine;
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
        const int i = f.p.format == scanwire::kRed ? 0 : f.p.format == scanwire::kGreen ? 1 : 2;
        band[i] = &f;
    }
    if (!band[0] || !band[1] || !band[2]) {
        *error = QStringLiteral("lo scanner non ha inviato tutti i colori dell'immagine");
        return {};
    }
    int w = band[0]->p.pixelsPerLine, h = lineCount(*band[0]);
    for (const Frame* f : band) {
        w = qMin(w, f->p.pixelsPerLine);
        h = qMin(h, lineCount(*f));
        if (bytesNeeded(*f, f->p.pixelsPerLine) > f->p.bytesPerLine) {
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
                reinterpret_cast<const uchar*>(band[c]->data.constData()) + qsizetype(y) * band[c]->p.bytesPerLine;
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = qRgb(sample(line[0], x, band[0]->p.depth), sample(line[1], x, band[1]->p.depth),
                          sample(line[2], x, band[2]->p.depth));
    }
    return img;
}

QImage imageOf(const std::vector<Frame>& frames, QString* error) {
    for (const Frame& f : frames) {
        if (!depthSupported(f.p.depth) || f.p.format > scanwire::kBlue) {
            *error = QStringLiteral("lo scanner usa un formato d'immagine non gestito");
            return {};
        }
    }
    QImage img;
    const Frame& first = frames.front();
    if (frames.size() == 1 && first.p.format == scanwire::kGray)
        img = grayImage(first, error);
    else if (frames.size() == 1 && first.p.format == scanwire::kRgb)
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

Helper helperInForce;

QString helperProgram() {
    if (!helperInForce.program.isEmpty()) return helperInForce.program;
    if (QCoreApplication::instance()) {
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/velmora-scan");
        if (QFileInfo(beside).isExecutable()) return beside;
    }
    // Not installed beside the program: the one built with it (tests).
    return QStringLiteral(VELMORA_SCAN_BUILT);
}

// An answer of the helper that is no answer.
QString garbled() { return QStringLiteral("il programma di acquisizione ha inviato dati non validi"); }

QString seconds(int ms) { return QString::number((ms + 999) / 1000); }

// One request served by a helper process: its answer read record by record,
// the process stopped however the request ends.
class HelperRun {
public:
    explicit HelperRun(int idleMs) : idleMs_(idleMs) {}
    ~HelperRun() { stop(); }

    bool start(const QStringList& request, QString* why) {
        const QString program = helperProgram();
        proc_.setProcessChannelMode(QProcess::ForwardedErrorChannel); // SANE's own notes
        proc_.setStandardInputFile(QProcess::nullDevice());
        proc_.start(program, helperInForce.arguments + request, QIODevice::ReadOnly);
        if (!proc_.waitForStarted(qMax(idleMs_, 1000))) {
            *why = QStringLiteral("impossibile avviare il programma di acquisizione %1 (%2)")
                       .arg(QDir::toNativeSeparators(program), proc_.errorString());
            return false;
        }
        QByteArray magic;
        if (!take(sizeof scanwire::kMagic, magic, why)) return false;
        if (std::memcmp(magic.constData(), scanwire::kMagic, sizeof scanwire::kMagic) != 0) {
            *why = garbled();
            return false;
        }
        return true;
    }

    // The next record; false, with the reason, when the helper hung, ended
    // before its answer was whole, or sent something that is no record.
    bool next(char& tag, QByteArray& payload, QString* why) {
        QByteArray head;
        if (!take(5, head, why)) return false;
        tag = head[0];
        quint32 size;
        std::memcpy(&size, head.constData() + 1, 4);
        if (size > scanwire::kMaxPayload) {
            *why = garbled();
            return false;
        }
        if (!take(size, payload, why)) return false;
        if (tag == scanwire::kDone || tag == scanwire::kFailure) answered_ = true;
        return true;
    }

    // A helper that answered is given a moment to close the device and end
    // on its own; one that did not, or sent what was not wanted, has
    // nothing left to say and is stopped at once.
    void stop() {
        if (proc_.state() == QProcess::NotRunning) return;
        if (answered_ && proc_.waitForFinished(helperInForce.exitWaitMs)) return;
        proc_.kill();
        proc_.waitForFinished(-1);
    }

private:
    // Exactly `n` bytes of the answer, waiting up to the idle time for each
    // piece.
    bool take(qsizetype n, QByteArray& out, QString* why) {
        while (buf_.size() - at_ < n) {
            if (at_ > 0) {
                buf_.remove(0, at_);
                at_ = 0;
            }
            if (proc_.bytesAvailable() == 0 && !proc_.waitForReadyRead(idleMs_)) {
                if (proc_.bytesAvailable() > 0) continue;
                if (proc_.state() == QProcess::NotRunning) {
                    *why = QStringLiteral("il programma di acquisizione si è interrotto prima di completare "
                                          "l'operazione");
                } else {
                    *why = QStringLiteral("lo scanner non risponde da %1 secondi; acquisizione interrotta")
                               .arg(seconds(idleMs_));
                }
                return false;
            }
            buf_ += proc_.read(qMax<qint64>(n - (buf_.size() - at_), proc_.bytesAvailable()));
        }
        out = buf_.mid(at_, n);
        at_ += n;
        return true;
    }

    QProcess proc_;
    QByteArray buf_;
    qsizetype at_ = 0;
    int idleMs_;
    bool answered_ = false;
};

// The reason of a failure the helper reported, in the user's words.
QString failureText(const QByteArray& payload) {
    scanwire::FailureHeader head{};
    if (payload.size() < qsizetype(sizeof head)) return garbled();
    std::memcpy(&head, payload.constData(), sizeof head);
    const QString name = QString::fromLocal8Bit(payload.mid(sizeof head));
    switch (head.failure) {
    case scanwire::kInitFailed:
        return QStringLiteral("impossibile avviare il sistema di acquisizione (%1)").arg(statusText(head.status));
    case scanwire::kStatus: return statusText(head.status);
    case scanwire::kOpenFailed:
        return QStringLiteral("impossibile aprire lo scanner \"%1\": %2").arg(name, statusText(head.status));
    case scanwire::kNoDevice: return QStringLiteral("nessuno scanner disponibile");
    }
    return garbled();
}

// The strings of a device record, in order; false when they do not fill it
// exactly.
bool readStrings(const QByteArray& payload, QString* out, int count) {
    qsizetype at = 0;
    for (int i = 0; i < count; ++i) {
        quint32 n;
        if (payload.size() - at < 4) return false;
        std::memcpy(&n, payload.constData() + at, 4);
        at += 4;
        if (quint64(payload.size() - at) < n) return false;
        out[i] = QString::fromLocal8Bit(payload.mid(at, n));
        at += n;
    }
    return at == payload.size();
}

// The frames of one page from the helper; false, with the reason, when
// the page did not arrive whole.
bool receivePage(const QString& deviceName, std::vector<Frame>& frames, QString* why) {
    HelperRun run(helperInForce.scanIdleMs);
    if (!run.start({QStringLiteral("scan"), deviceName}, why)) return false;
    char tag;
    QByteArray payload;
    while (run.next(tag, payload, why)) {
        switch (tag) {
        case scanwire::kFrame: {
            if (payload.size() != qsizetype(sizeof(scanwire::FrameHeader)) || frames.size() >= 3) break;
            Frame& f = frames.emplace_back();
            std::memcpy(&f.p, payload.constData(), sizeof f.p);
            if (f.p.bytesPerLine <= 0 || f.p.pixelsPerLine <= 0) {
                *why = QStringLiteral("lo scanner ha indicato un formato d'immagine non valido");
                return false;
            }
            if (f.p.lines > 0)
                f.data.reserve(qsizetype(qMin<qint64>(kMaxFrameBytes, qint64(f.p.lines) * f.p.bytesPerLine)));
            continue;
        }
        case scanwire::kData:
            if (frames.empty()) break;
            if (frames.back().data.size() + payload.size() > kMaxFrameBytes) {
                *why = QStringLiteral("l'immagine acquisita è troppo grande");
                return false;
            }
            frames.back().data += payload;
            continue;
        case scanwire::kFailure: *why = failureText(payload); return false;
        case scanwire::kDone:
            if (frames.empty()) break;
            return true;
        }
        *why = garbled();
        return false;
    }
    return false;
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
    QString why;
    HelperRun run(helperInForce.listTimeoutMs);
    bool whole = false;
    if (run.start({QStringLiteral("list")}, &why)) {
        char tag;
        QByteArray payload;
        while (!whole && run.next(tag, payload, &why)) {
            QString s[4];
            if (tag == scanwire::kDevice && readStrings(payload, s, 4)) {
                out.push_back({s[0], s[1], s[2], s[3]});
            } else if (tag == scanwire::kDone) {
                whole = true;
            } else {
                why = tag == scanwire::kFailure ? failureText(payload) : garbled();
                break;
            }
        }
    }
    // Half a list is no list: the devices missing from it may be the one
    // the user looks for.
    if (!whole) out.clear();
    if (error) *error = whole ? QString() : why;
    return out;
}

QImage scanPage(const QString& deviceName, QString* error) {
    QString why;
    std::vector<Frame> frames;
    QImage img;
    if (receivePage(deviceName, frames, &why)) img = imageOf(frames, &why);
    if (error) *error = img.isNull() ? why : QString();
    return img;
}

// Every request starts its own session in its own helper process.
void closeSession() {}

Helper helper() { return helperInForce; }
void setHelper(const Helper& h) { helperInForce = h; }

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
