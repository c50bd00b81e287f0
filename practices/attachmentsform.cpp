#include "practices/attachmentsform.h"

#include "platform/desktop/dialogs.h"
#include "platform/desktop/named.h"
#include "practices/messages.h"

#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

QString CommonDialog::dialogFilter() const {
    // "a|*.x|b|*.y" pairs a description with its pattern; the pair chosen by
    // FilterIndex goes first, as the dialog offers its first filter.
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    if (FilterIndex > 1 && FilterIndex <= filters.size()) filters.move(FilterIndex - 1, 0);
    return filters.join(QStringLiteral(";;"));
}

bool CommonDialog::ShowOpen() {
    FileName = ui::dialogs().openFile(DialogTitle, dialogFilter(), InitDir);
    return !FileName.isEmpty();
}

Form3::Form3(QWidget* window, const QString& documentsFolder) : QWidget(window, Qt::Window), folder_(documentsFolder) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Visualizza Allegati "));
    Command1 = named(new QPushButton(QStringLiteral("&Seleziona Allegato Pratica"), this), "Command1");
    CommonDialog1 = named(new CommonDialog(this), "CommonDialog1");
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(Command1);
    setMinimumWidth(300);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void Form3::Command1_Click() {
    CommonDialog1->DialogTitle = practices::msg::kPickTitle;
    CommonDialog1->Filter = practices::msg::kBitmapFilter;
    CommonDialog1->InitDir = folder_;
    CommonDialog1->FilterIndex = 1;
    // A cancelled dialog gives no name, and there is nothing to open.
    if (CommonDialog1->ShowOpen()) emit documentChosen(CommonDialog1->FileName);
    Unload();
}

void Form3::Unload() {
    hide();
    // Out of the lookup at once; the object itself goes once this click has
    // been handled.
    setObjectName(QString());
    deleteLater();
}

Form3* loadedForm3(QWidget& window) {
    return window.findChild<Form3*>(QStringLiteral("Form3"), Qt::FindDirectChildrenOnly);
}
