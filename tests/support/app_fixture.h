#pragma once
// A program folder in a temporary directory with a workbook in it, and the
// main window started on it with the scripted dialogs installed: what every
// test of the window and its panels starts from.

#include "tests/support/scripted_dialogs.h"

#include "platform/engine/workbook.h"

#include <QObject>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <stdexcept>

class Form1;

namespace testsupport {

// The one control of type W named `name` under `root` (a window or a panel),
// found as a user's script would: by its name. A missing or doubled name is
// a broken test, so it throws instead of answering null.
template <typename W = QWidget>
W* control(const QObject* root, const QString& name) {
    const QList<W*> found = root->findChildren<W*>(name);
    if (found.size() != 1)
        throw std::runtime_error(QStringLiteral("%1 controls named %2 under %3")
                                     .arg(found.size())
                                     .arg(name, root->objectName())
                                     .toStdString());
    return found.front();
}
// The control named `name` inside the panel named `panel` under `root`.
template <typename W = QWidget>
W* control(const QObject* root, const QString& panel, const QString& name) {
    return control<W>(control<QWidget>(root, panel), name);
}

// The box of a refused start-up: the workbook is in use elsewhere.
QString alreadyOpenMessage();
// SHA-256 of a file's bytes; empty when it cannot be read.
QByteArray fileDigest(const QString& path);

class AppFixture {
public:
    AppFixture();
    ~AppFixture();

    QString folder() const { return dir_.path(); }
    QString workbookPath() const;

    // Writes a starter workbook (the five sheets with their headers) to the
    // folder as Pratiche.xls with the workbook password, after `prepare` has
    // changed it in memory (records, counters...).
    void writeWorkbook(const std::function<void(xl::Workbook&)>& prepare = {});

    // Builds Form1 on the folder, runs its start-up and shows it, so that the
    // first activation runs. False when start-up ended the program.
    bool start();

    Form1& form() { return *form_; }
    // Destroys the window, as the program's end does.
    void closeForm();
    ScriptedDialogs& dialogs() { return *dialogs_; }
    // A sheet of the workbook open in the program.
    xl::Worksheet& sheet(const QString& name);
    // The workbook as it stands on disk now, read back through the codec.
    std::unique_ptr<xl::Workbook> onDisk() const;

private:
    QTemporaryDir dir_;
    ScopedDialogs dialogs_;
    std::unique_ptr<Form1> form_;
};

} // namespace testsupport
