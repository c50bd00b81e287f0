#include "platform/desktop/controls.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

void fillComboList(QComboBox* combo, const QStringList& items) {
    const int index = combo->currentIndex();
    const QString text = combo->isEditable() ? combo->currentText() : QString();
    {
        QSignalBlocker blockCombo(combo);
        QSignalBlocker blockEdit(combo->lineEdit());
        combo->addItems(items);
        combo->setCurrentIndex(index);
        if (combo->isEditable()) combo->setEditText(text);
    }
}

namespace {
bool holds(const QComboBox* combo, const QStringList& items) {
    if (combo->count() != items.size()) return false;
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i) != items[i]) return false;
    return true;
}
} // namespace

void dropComboChoice(QComboBox* combo) {
    if (combo->currentIndex() != -1) combo->setCurrentIndex(-1);
}

void refillComboList(QComboBox* combo, const QStringList& items) {
    if (holds(combo, items)) {
        dropComboChoice(combo);
        return;
    }
    combo->clear();
    fillComboList(combo, items);
}

MultiLineTextBox::MultiLineTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        const QString now = toPlainText();
        const int allowed = qMax(maxLength_, int(last_.size()));
        if (maxLength_ > 0 && now.size() > allowed) {
            // What was typed or pasted ends at the caret: take back the part
            // that does not fit, leaving the rest of the text as it was.
            const int excess = int(now.size()) - allowed;
            QTextCursor c = textCursor();
            const int end = c.position();
            c.setPosition(qMax(0, end - excess));
            c.setPosition(end, QTextCursor::KeepAnchor);
            c.removeSelectedText(); // runs this handler again, within the limit
            return;
        }
        last_ = now;
    });
}

QString MultiLineTextBox::text() const {
    QString t = toPlainText();
    if (crlf_) t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t;
}

void MultiLineTextBox::setText(const QString& t) {
    crlf_ = t.contains(QStringLiteral("\r\n")) || !t.contains(QLatin1Char('\n'));
    QString plain = t;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (plain == toPlainText()) return;
    last_ = plain; // set from code: kept whole, whatever its length
    setPlainText(plain);
}

namespace {

class LeastWidth : public QObject {
public:
    LeastWidth(QWidget* control, int width) : QObject(control), control_(control), width_(width) { apply(); }
    void apply() { control_->setMinimumWidth(std::max(width_, control_->sizeHint().width())); }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        // The control measures its texts anew once it has taken the change in.
        if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
            QMetaObject::invokeMethod(
                this, [this] { apply(); }, Qt::QueuedConnection);
        return false;
    }

private:
    QWidget* control_;
    int width_;
};

} // namespace

void setLeastWidth(std::initializer_list<QWidget*> controls, int width) {
    for (QWidget* c : controls) c->installEventFilter(new LeastWidth(c, width));
}

void limitTyping(QLineEdit* box, int maxLength) {
    box->setMaxLength(maxLength);
    // Once a whole text set from code has been shortened to fit, the limit
    // holds again.
    QObject::connect(box, &QLineEdit::textChanged, box, [box, maxLength](const QString& t) {
        if (t.size() <= maxLength && box->maxLength() != maxLength) box->setMaxLength(maxLength);
    });
}

void setTextWhole(QLineEdit* box, const QString& text) {
    if (text.size() > box->maxLength()) box->setMaxLength(int(text.size()));
    box->setText(text);
}

ListView::ListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setColumnCount(0);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(16);
}

void ListView::removeColumns() {
    clear();
    setColumnCount(0);
    setHeaderLabels({});
    natural_.clear();
}

int ListView::naturalColumnWidth(int column) const {
    return column >= 0 && column < int(natural_.size()) ? natural_[column] : columnWidth(column);
}

void ListView::setFitColumns(bool on) {
    fit_ = on;
    fitColumns();
}

bool ListView::viewportEvent(QEvent* e) {
    const bool handled = QTreeWidget::viewportEvent(e);
    // The room changes with the list's size and with its scroll bars.
    if (e->type() == QEvent::Resize) fitColumns();
    return handled;
}

void ListView::showEvent(QShowEvent* e) {
    QTreeWidget::showEvent(e);
    fitColumns();
}

void ListView::fitColumns() {
    const int n = std::min<int>(columnCount(), int(natural_.size()));
    if (n == 0) return;
    long total = 0;
    for (int i = 0; i < n; ++i) total += natural_[i];
    const int room = viewport()->width();
    const bool narrow = fit_ && isVisible() && room > 0 && total > room;
    for (int i = 0; i < n; ++i)
        setColumnWidth(i, narrow ? std::max(16, int(natural_[i] * long(room) / total)) : natural_[i]);
}

void ListView::addColumn(const QString& caption, int widthTwips, Qt::Alignment align) {
    const int n = columnCount();
    setColumnCount(n + 1);
    QTreeWidgetItem* h = headerItem();
    h->setText(n, caption);
    h->setTextAlignment(n, align | Qt::AlignVCenter);
    natural_.resize(n + 1);
    natural_[n] = twipsToPixels(widthTwips);
    setColumnWidth(n, natural_[n]);
    if (fit_) fitColumns();
}

namespace {
// A row not yet in a view, so that filling it notifies nobody.
QTreeWidgetItem* detachedRow(const QStringList& texts, const QTreeWidgetItem* header, int columns) {
    auto* item = new QTreeWidgetItem;
    for (int i = 0; i < texts.size() && i < columns; ++i) {
        item->setText(i, texts[i]);
        item->setTextAlignment(i, Qt::Alignment(header->textAlignment(i)));
    }
    return item;
}
} // namespace

QTreeWidgetItem* ListView::addItem(const QStringList& texts) {
    QTreeWidgetItem* item = detachedRow(texts, headerItem(), columnCount());
    addTopLevelItem(item);
    return item;
}

void ListView::addItems(const std::vector<QStringList>& rows) {
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    const QTreeWidgetItem* h = headerItem();
    const int columns = columnCount();
    for (const QStringList& row : rows) items.append(detachedRow(row, h, columns));
    addTopLevelItems(items);
}

QString ListView::itemText(int row, int column) const {
    const QTreeWidgetItem* it = topLevelItem(row);
    return it ? it->text(column) : QString();
}

void ImageLabel::mousePressEvent(QMouseEvent* e) {
    QLabel::mousePressEvent(e);
    emit mouseDown();
}
