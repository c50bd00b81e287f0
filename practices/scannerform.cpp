#include "practices/scannerform.h"

#include "platform/desktop/dialogs.h"
#include "platform/desktop/named.h"
#include "platform/desktop/scanner.h"
#include "practices/messages.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace msg = practices::msg;

namespace {

// A flatbed scanner with its lid half open, drawn here so that the program
// carries no image files of its own.
QPixmap scannerPicture() {
    QPixmap pm(120, 72);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 70), 2));
    // Lid, raised at the back.
    p.setBrush(QColor(200, 204, 212));
    p.drawPolygon(QPolygonF({QPointF(14, 34), QPointF(106, 34), QPointF(96, 8), QPointF(24, 8)}));
    // Body with its glass.
    p.setBrush(QColor(170, 176, 188));
    p.drawRoundedRect(QRectF(6, 36, 108, 28), 5, 5);
    p.setBrush(QColor(120, 190, 230));
    p.drawRect(QRectF(16, 42, 70, 8));
    // The light bar under the glass.
    p.setPen(QPen(QColor(250, 240, 120), 3));
    p.drawLine(QPointF(48, 43), QPointF(48, 49));
    // Power light.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 200, 90));
    p.drawEllipse(QPointF(100, 56), 3, 3);
    return pm;
}

bool isPlainFileName(const QString& name) {
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\')) return false;
        const QChar::Category cat = c.category();
        if (cat == QChar::Other_Control || cat == QChar::Separator_Line || cat == QChar::Separator_Paragraph)
            return false;
    }
    return true;
}

} // namespace

Form5::Form5(QWidget* window, const QString& documentsFolder) : QWidget(window, Qt::Window), folder_(documentsFolder) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Scanner"));
    Text1 = named(new QLineEdit(this), "Text1");
    Command1 = named(new QPushButton(QStringLiteral("&Seleziona origine"), this), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("&Acquisizione"), this), "Command2");
    Image1 = named(new QLabel(this), "Image1");
    Image1->setPixmap(scannerPicture());
    Image1->setAlignment(Qt::AlignCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(Text1);
    lay->addLayout(buttons);
    lay->addWidget(Image1);
    setMinimumWidth(320);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void Form5::clearName() { Text1->setText(QString()); }

void Form5::Command1_Click() { EZTwain::SelectScannerSource(this); }

void Form5::Command2_Click() {
    const QString answer = ui::dialogs().input(msg::kAskDocumentName, msg::kTitle, QStringLiteral(".bmp"));
    if (answer.size() == 4) {
        ui::dialogs().message(msg::kNoDocumentName, QString(), ui::MsgIcon::None);
        return;
    }
    if (answer.size() > 4) {
        // The name is joined to the documents folder: a separator would let
        // it write anywhere on the disk. The note names the file on one line,
        // so a line break or any other control character cannot be in it.
        if (!isPlainFileName(answer)) {
            ui::dialogs().message(msg::kNoSeparators, msg::kTitle, ui::MsgIcon::Information);
            return;
        }
        const QString path = folder_ + answer;
        // Another practice's note may name the document already there.
        if (QFileInfo::exists(path) && !ui::dialogs().question(msg::askReplaceDocument(answer), msg::kTitle)) return;
        // Only a document actually written is noted on the practice; after a
        // failure the form stays up for another try and the check below
        // tells why.
        if (EZTwain::TWAIN_AcquireToFilename(this, path) == 0) {
            Text1->setText(answer);
            emit documentAcquired(Text1->text());
            hide();
        }
    }
    if (EZTwain::TWAIN_LoadNativeFromFile(0) != 0) EZTwain::TWAIN_ReportLastError(msg::kUnableToScan);
}

Form5* loadedForm5(QWidget& window) {
    return window.findChild<Form5*>(QStringLiteral("Form5"), Qt::FindDirectChildrenOnly);
}
