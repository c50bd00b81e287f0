// The Qt dialogs the program shows: Italian buttons, the texts with their
// line breaks, the program's name on a box without a title. Each box is
// answered by a timer while it runs, so no test waits on it.

#include "platform/desktop/dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
struct Seen {
    QString title, text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Runs `answer` on the modal box as soon as it is up.
void whenUp(const std::function<void(QWidget*)>& answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(box);
        }
    });
    timer->start();
}

Seen read(QWidget* w) {
    Seen s;
    auto* box = qobject_cast<QMessageBox*>(w);
    s.title = w->windowTitle();
    if (box) {
        s.text = box->text();
        s.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) s.buttons << b->text().remove(QLatin1Char('&'));
        s.buttons.sort();
    }
    return s;
}
} // namespace

class TestQtDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QApplication::setApplicationName(QStringLiteral("Velmora"));
        QVERIFY2(ui::installItalianQtTranslations(), "Debian's Qt translations (qt6-translations-l10n) are missing");
    }

    void questionReadsSiAndNo() {
        ui::QtDialogs d;
        Seen seen;
        whenUp([&](QWidget* w) {
            seen = read(w);
            qobject_cast<QMessageBox*>(w)->button(QMessageBox::No)->click();
        });
        QVERIFY(!d.question(QStringLiteral(" Vuoi Inserire questa Pratica ?"), QStringLiteral("Velmora")));
        QCOMPARE(seen.title, QStringLiteral("Velmora"));
        QCOMPARE(seen.text, QStringLiteral(" Vuoi Inserire questa Pratica ?"));
        QCOMPARE(seen.buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Sì")}));
        QCOMPARE(seen.icon, QMessageBox::NoIcon);

        whenUp([&](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
        QVERIFY(d.question(QStringLiteral("?"), QStringLiteral("Velmora")));
    }

    void enterPressesTheDefaultAnswer() {
        // Enter on the box, as a reflexive keystroke would: Yes where nothing
        // is at stake, No where the question asks for it.
        ui::QtDialogs d;
        auto pressEnter = [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); };
        whenUp(pressEnter);
        QVERIFY(d.question(QStringLiteral("?"), QStringLiteral("Velmora")));
        whenUp(pressEnter);
        QVERIFY(!d.question(QStringLiteral("Vuoi uscire senza salvare?"), QStringLiteral("Velmora"),
                            ui::DefaultAnswer::No));
        QString defaultButton;
        whenUp([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            defaultButton = box->defaultButton() ? box->defaultButton()->text().remove(QLatin1Char('&')) : QString();
            box->button(QMessageBox::Yes)->click();
        });
        QVERIFY(d.question(QStringLiteral("?"), QStringLiteral("Velmora"), ui::DefaultAnswer::No));
        QCOMPARE(defaultButton, QStringLiteral("No"));
    }

    void messageKeepsLineBreaksAndTakesTheProgramName() {
        ui::QtDialogs d;
        Seen seen;
        whenUp([&](QWidget* w) {
            seen = read(w);
            qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
        });
        d.message(QStringLiteral("Impossibile eseguire il programma\r\nIl file x non è stato trovato."), QString(),
                  ui::MsgIcon::None);
        QCOMPARE(seen.title, QStringLiteral("Velmora"));
        QCOMPARE(seen.text, QStringLiteral("Impossibile eseguire il programma\nIl file x non è stato trovato."));
        QCOMPARE(seen.icon, QMessageBox::NoIcon);

        whenUp([&](QWidget* w) {
            seen = read(w);
            qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
        });
        d.message(QStringLiteral("<b>non</b> è HTML"), QStringLiteral("Velmora"), ui::MsgIcon::Critical);
        QCOMPARE(seen.icon, QMessageBox::Critical);
        // Shown as typed: a text is never read as markup.
        QCOMPARE(seen.text, QStringLiteral("<b>non</b> è HTML"));
    }

    void inputCancelGivesEmpty() {
        ui::QtDialogs d;
        QString shownDefault;
        whenUp([&](QWidget* w) {
            auto* dlg = qobject_cast<QInputDialog*>(w);
            QVERIFY(dlg);
            shownDefault = dlg->textValue();
            dlg->reject();
        });
        QCOMPARE(d.input(QStringLiteral("Nome del documento"), QStringLiteral("Velmora"), QStringLiteral("doc1")),
                 QString());
        QCOMPARE(shownDefault, QStringLiteral("doc1"));

        whenUp([&](QWidget* w) {
            auto* dlg = qobject_cast<QInputDialog*>(w);
            dlg->setTextValue(QStringLiteral("scansione"));
            dlg->accept();
        });
        QCOMPARE(d.input(QStringLiteral("Nome"), QStringLiteral("Velmora"), QString()), QStringLiteral("scansione"));
    }
};

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
