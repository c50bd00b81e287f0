#include "platform/desktop/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace ui {

namespace {
QtDialogs& qtDialogs() {
    static QtDialogs d;
    return d;
}
Dialogs* current = nullptr;

QWidget* owner() { return QApplication::activeWindow(); }

// The texts keep the line breaks the program has always used ("\r\n" in
// places); a Qt label wants plain "\n".
QString displayed(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

// A box without a title of its own carries the program's name.
QString titled(const QString& title) { return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title; }
} // namespace

bool installItalianQtTranslations() {
    static QTranslator* italian = nullptr;
    if (italian) return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    italian = t;
    return true;
}

Dialogs& dialogs() { return current ? *current : qtDialogs(); }
void setDialogs(Dialogs* d) { current = d; }

void QtDialogs::message(const QString& text, const QString& title, MsgIcon icon) {
    QMessageBox box(owner());
    box.setWindowTitle(titled(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(displayed(text));
    box.setIcon(icon == MsgIcon::Critical      ? QMessageBox::Critical
                : icon == MsgIcon::Information ? QMessageBox::Information
                                               : QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool QtDialogs::question(const QString& text, const QString& title, DefaultAnswer defaultAnswer) {
    QMessageBox box(owner());
    box.setWindowTitle(titled(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(displayed(text));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultAnswer == DefaultAnswer::No ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(owner(), titled(title), displayed(prompt), QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString QtDialogs::openFile(const QString& title, const QString& filter, const QString& folder) {
    return QFileDialog::getOpenFileName(owner(), title, folder, filter);
}

} // namespace ui
