#pragma once
// A private SANE configuration that holds only SANE's "test" backend, so that
// the tests scan its made-up pages and never reach a real scanner. It must
// exist before the first SANE call of the test program (SANE reads where its
// configuration lies once).

#include "platform/desktop/scanner.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTextStream>

namespace documentstest {

class SaneSandbox {
public:
    SaneSandbox() {
        qputenv("SANE_CONFIG_DIR", dir_.path().toLocal8Bit());
        configure();
    }
    ~SaneSandbox() { scanner::closeSession(); }

    // Writes the test backend's settings: small pages of solid black in
    // 8-bit gray, two devices, with `changes` over them; `withBackend` false
    // leaves SANE without any backend. The SANE session is ended, so that
    // the next call reads the new settings.
    void configure(const QMap<QString, QString>& changes = {}, bool withBackend = true) {
        scanner::closeSession();
        QMap<QString, QString> o{
            {QStringLiteral("number_of_devices"), QStringLiteral("2")},
            {QStringLiteral("mode"), QStringLiteral("Gray")},
            {QStringLiteral("depth"), QStringLiteral("8")},
            {QStringLiteral("hand-scanner"), QStringLiteral("false")},
            {QStringLiteral("three-pass"), QStringLiteral("false")},
            {QStringLiteral("three-pass-order"), QStringLiteral("RGB")},
            {QStringLiteral("resolution"), QStringLiteral("25.0")},
            {QStringLiteral("test-picture"), QStringLiteral("\"Solid black\"")},
            {QStringLiteral("read-status-code"), QStringLiteral("\"Default\"")},
            // Real backends offer the descriptor the scan waits on.
            {QStringLiteral("select-fd"), QStringLiteral("true")},
            {QStringLiteral("tl_x"), QStringLiteral("0.0")},
            {QStringLiteral("tl_y"), QStringLiteral("0.0")},
            {QStringLiteral("br_x"), QStringLiteral("40.0")},
            {QStringLiteral("br_y"), QStringLiteral("30.0")},
        };
        for (auto it = changes.begin(); it != changes.end(); ++it) o[it.key()] = it.value();
        write(QStringLiteral("dll.conf"), withBackend ? QStringLiteral("test\n") : QString());
        QString conf;
        for (auto it = o.begin(); it != o.end(); ++it)
            conf += it.key() + QLatin1Char(' ') + it.value() + QLatin1Char('\n');
        write(QStringLiteral("test.conf"), conf);
    }

    QString path() const { return dir_.path(); }

private:
    void write(const QString& name, const QString& text) {
        QFile f(dir_.path() + QLatin1Char('/') + name);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(text.toUtf8());
    }
    QTemporaryDir dir_;
};

// A source picker that answers as told and keeps what it was offered.
class ScriptedPicker : public scanner::SourcePicker {
public:
    ScriptedPicker() { scanner::setSourcePicker(this); }
    ~ScriptedPicker() override { scanner::setSourcePicker(nullptr); }
    std::optional<QString> pick(const QList<scanner::Device>& devices, const QString& current, QWidget*) override {
        ++calls;
        offered = devices;
        offeredCurrent = current;
        return answer;
    }
    std::optional<QString> answer;
    QList<scanner::Device> offered;
    QString offeredCurrent;
    int calls = 0;
};

// Every pixel of `img` has the colour `rgb`.
inline bool allPixels(const QImage& img, QRgb rgb) {
    const QImage c = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if ((c.pixel(x, y) & 0xffffff) != (rgb & 0xffffff)) return false;
    return !c.isNull();
}

} // namespace documentstest
