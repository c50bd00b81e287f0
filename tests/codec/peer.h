#pragma once
// Running the independent programs the codec tests compare with: a
// command with a time limit, and the LibreOffice peer script (LO_PEER, set
// by the test's build).

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace codectest {

struct Run {
    int code = -1;
    QByteArray out, err;
};

inline Run run(const QString& program, const QStringList& args, int timeoutMs = 240000) {
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(20000)) return r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

#ifdef LO_PEER
inline Run peer(const QStringList& args, int timeoutMs = 240000) {
    return run(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(LO_PEER)} + args, timeoutMs);
}
#endif

} // namespace codectest
