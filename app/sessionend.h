#pragma once
// The ends of the program that come from outside: SIGTERM (shutdown, kill),
// SIGHUP (logout, a closed terminal) and the desktop session's request to
// commit data. Each is turned into `requested`, emitted from the event loop:
// a signal handler only writes one byte into a socket pair, which a socket
// notifier reads back.

#include <QObject>

class QSocketNotifier;

class SessionEnd : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one watcher at a time. The destructor puts the
    // default handlers back.
    explicit SessionEnd(QObject* parent = nullptr);
    ~SessionEnd() override;

signals:
    void requested();

private:
    QSocketNotifier* notifier_ = nullptr;
};
