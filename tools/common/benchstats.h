#pragma once
// Medians with their spread, and LibreOffice driven headless beside a
// benchmark so that each of our rounds is paired with one of its rounds.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

struct Series {
    std::vector<double> v;
    void add(double x) { v.push_back(x); }
    bool empty() const { return v.empty(); }
    double at(double q) const {
        if (v.empty()) return 0;
        std::vector<double> s = v;
        std::sort(s.begin(), s.end());
        const double pos = q * (s.size() - 1);
        const std::size_t lo = static_cast<std::size_t>(pos);
        const std::size_t hi = std::min(lo + 1, s.size() - 1);
        return s[lo] + (s[hi] - s[lo]) * (pos - lo);
    }
    double median() const { return at(0.5); }
    // "median [first quartile - third quartile]" in the unit given.
    QString show(double scale, const char* unit, int decimals = 1) const {
        return QStringLiteral("%1 %2 [%3-%4]")
            .arg(median() * scale, 0, 'f', decimals)
            .arg(QLatin1String(unit))
            .arg(at(0.25) * scale, 0, 'f', decimals)
            .arg(at(0.75) * scale, 0, 'f', decimals);
    }
};

// LibreOffice loading and storing one file, one round per call, after a
// warm-up load and store that is not counted.
class LibreOfficePeer {
public:
    bool start(const QString& script, const QString& file, const QString& password, const QString& out) {
        proc_.start(QStringLiteral("/usr/bin/python3"), {script, QStringLiteral("serve"), file, password, out});
        if (!proc_.waitForStarted(30000)) return fail("python3 non avviato");
        const QJsonObject ready = line();
        if (!ready.value(QStringLiteral("ready")).toBool())
            return fail(QString::fromUtf8(proc_.readAllStandardError()));
        return true;
    }
    // One load and store; false when the office failed.
    bool round(double* load, double* store, double* rssMb = nullptr) {
        if (proc_.state() != QProcess::Running) return false;
        proc_.write("round\n");
        const QJsonObject t = line();
        if (!t.contains(QStringLiteral("load"))) return fail(QString::fromUtf8(proc_.readAllStandardError()));
        *load = t.value(QStringLiteral("load")).toDouble();
        *store = t.value(QStringLiteral("store")).toDouble();
        if (rssMb) *rssMb = t.value(QStringLiteral("rssKb")).toDouble() / 1024.0;
        return true;
    }
    QString error() const { return error_; }
    ~LibreOfficePeer() {
        if (proc_.state() == QProcess::Running) {
            proc_.closeWriteChannel();
            if (!proc_.waitForFinished(60000)) proc_.kill();
        }
    }

private:
    QJsonObject line() {
        while (!proc_.canReadLine())
            if (!proc_.waitForReadyRead(600000)) return {};
        return QJsonDocument::fromJson(proc_.readLine()).object();
    }
    bool fail(const QString& why) {
        error_ = why.trimmed().isEmpty() ? QStringLiteral("LibreOffice non risponde") : why.trimmed();
        return false;
    }
    QProcess proc_;
    QString error_;
};

} // namespace bench
