#include "store/keeporiginal.h"

#include "platform/desktop/dialogs.h"
#include "platform/engine/workbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace store {

QString originalCopyName(const QString& workbookPath) {
    const QFileInfo info(workbookPath);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("xls") : info.suffix();
    return info.completeBaseName() + QStringLiteral("-originale-prima-del-salvataggio.") + suffix;
}

namespace {

// The first free name in the folder, or one that already holds these bytes.
QString copyTarget(const QDir& folder, const QString& name, const QByteArray& bytes, bool* already) {
    const QFileInfo info(name);
    for (int n = 1; n < 1000; ++n) {
        const QString candidate = folder.filePath(
            n == 1 ? name : QStringLiteral("%1 (%2).%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
        QFile existing(candidate);
        if (!existing.exists()) {
            *already = false;
            return candidate;
        }
        if (existing.size() == bytes.size() && existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes) {
            *already = true;
            return candidate;
        }
    }
    return QString();
}

} // namespace

bool keepOriginalBeforeSave(xl::Workbook& book, const QString& backupFolder, QString* why, bool tell) {
    if (book.notKept.isEmpty()) return true;
    const QString source = book.FullName();
    const QString name = originalCopyName(source);
    auto fail = [&](const QString& reason) {
        if (why) {
            *why = QStringLiteral(
                       "non è stato possibile copiare il file com'era in %1 (%2); il file non è stato modificato")
                       .arg(QDir::toNativeSeparators(QDir(backupFolder).filePath(name)), reason);
        }
        return false;
    };

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return fail(QStringLiteral("il file non si può leggere"));
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) return fail(QStringLiteral("il file non si può leggere"));
    in.close();

    if (!QDir().mkpath(backupFolder)) return fail(QStringLiteral("la cartella non si può creare"));
    bool already = false;
    const QString target = copyTarget(QDir(backupFolder), name, bytes, &already);
    if (target.isEmpty()) return fail(QStringLiteral("troppe copie con lo stesso nome"));
    if (!already) {
        // Written whole and flushed to disk before the save replaces the file.
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            return fail(out.errorString());
    }

    QString list;
    for (const QString& line : std::as_const(book.notKept)) list += QStringLiteral("\n- ") + line;
    const QString text = QStringLiteral("Il database %1 contiene elementi che questo programma non sa conservare; "
                                        "con questo salvataggio non saranno più nel file:%2\n\n"
                                        "Il file com'era prima del salvataggio è stato copiato intatto in:\n%3")
                             .arg(QFileInfo(source).fileName(), list, QDir::toNativeSeparators(target));
    if (tell)
        ui::dialogs().message(text, QStringLiteral("Velmora"), ui::MsgIcon::Information);
    else
        qWarning("Velmora: %s", qPrintable(text));
    book.notKept.clear();
    return true;
}

} // namespace store
