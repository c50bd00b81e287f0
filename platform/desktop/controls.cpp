#include "platform/desktop/controls.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
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

// The list a refill last put into a box, good as long as nothing else has
// changed the box's entries since: comparing a list loaded again with it
// costs next to nothing where the entries share their texts, whereas asking
// the box for thousands of entries does not.
class HeldItems : public QObject {
public:
    explicit HeldItems(QComboBox* combo) : QObject(combo) { setObjectName(QLatin1String(kName)); }
    static constexpr const char* kName = "heldItems";

    // The held list, or nullptr when the box's entries may differ from it.
    const QStringList* items(const QComboBox* combo) const {
        return model_ && model_ == combo->model() && combo->count() == items_.size() ? &items_ : nullptr;
    }
    void hold(QComboBox* combo, const QStringList& items) {
        if (model_ != combo->model()) {
            if (model_) QObject::disconnect(model_, nullptr, this, nullptr);
            model_ = combo->model();
            auto drop = [this] { model_ = nullptr; };
            // Any change to the entries not made by a refill lets the list go.
            connect(model_, &QAbstractItemModel::rowsInserted, this, drop);
            connect(model_, &QAbstractItemModel::rowsRemoved, this, drop);
            connect(model_, &QAbstractItemModel::rowsMoved, this, drop);
            connect(model_, &QAbstractItemModel::dataChanged, this, drop);
            connect(model_, &QAbstractItemModel::modelReset, this, drop);
            connect(model_, &QAbstractItemModel::layoutChanged, this, drop);
            connect(model_, &QObject::destroyed, this, drop);
        }
        items_ = items;
    }

private:
    QPointer<QAbstractItemModel> model_;
    QStringList items_;
};

HeldItems* heldItems(QComboBox* combo) {
    // Not a Q_OBJECT class: found by its name, then by its type.
    for (QObject* child : combo->children())
        if (child->objectName() == QLatin1String(HeldItems::kName))
            if (auto* held = dynamic_cast<HeldItems*>(child)) return held;
    return new HeldItems(combo);
}

bool sameText(const QString& a, const QString& b) {
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

// Whether the box's list is the start of `items` (all of it included).
bool startsList(const QComboBox* combo, const QStringList* held, const QStringList& items) {
    if (combo->count() > items.size()) return false;
    if (held) return std::equal(held->begin(), held->end(), items.begin(), sameText);
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i) != items[i]) return false;
    return true;
}
} // namespace

void dropComboChoice(QComboBox* combo) {
    if (combo->currentIndex() != -1) combo->setCurrentIndex(-1);
}

void refillComboList(QComboBox* combo, const QStringList& items) {
    HeldItems* held = heldItems(combo);
    if (startsList(combo, held->items(combo), items)) {
        dropComboChoice(combo);
        fillComboList(combo, items.mid(combo->count()));
    } else {
        combo->clear();
        fillComboList(combo, items);
    }
    // Held after the filling, whose own changes to the entries let go of
    // the list held before.
    held->hold(combo, items);
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

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : sourceCount_ + int(rows_.size());
}

int ListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QString ListModel::text(int row, int column) const {
    if (row < 0 || column < 0 || column >= int(columns_.size())) return {};
    if (row < sourceCount_) return source_->text(row, column);
    const std::size_t own = std::size_t(row - sourceCount_);
    if (own >= rows_.size() || column >= rows_[own].size()) return {};
    return rows_[own][column];
}

QString ListModel::caption(int column) const {
    return column >= 0 && column < int(columns_.size()) ? columns_[column].caption : QString();
}

Qt::Alignment ListModel::alignment(int column) const {
    return column >= 0 && column < int(columns_.size()) ? columns_[column].align : Qt::Alignment();
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(columns_[index.column()].align);
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(columns_.size())) return {};
    if (role == Qt::DisplayRole) return columns_[section].caption;
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(columns_[section].align);
    return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void ListModel::addColumn(const QString& caption, Qt::Alignment align) {
    const int n = int(columns_.size());
    beginInsertColumns({}, n, n);
    columns_.push_back({caption, align | Qt::AlignVCenter});
    endInsertColumns();
}

void ListModel::removeColumns() {
    beginResetModel();
    columns_.clear();
    source_.reset();
    sourceCount_ = 0;
    rows_.clear();
    endResetModel();
}

void ListModel::clearRows() {
    if (rowCount() == 0) return;
    beginResetModel();
    source_.reset();
    sourceCount_ = 0;
    rows_.clear();
    endResetModel();
}

void ListModel::appendRows(std::vector<QStringList> rows) {
    if (rows.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    if (rows_.empty())
        rows_ = std::move(rows);
    else
        rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void ListModel::setSource(std::shared_ptr<const ListRows> source) {
    beginResetModel();
    rows_.clear();
    source_ = std::move(source);
    sourceCount_ = source_ ? std::max(0, source_->rows()) : 0;
    endResetModel();
}

ListView::ListView(QWidget* parent) : QTreeView(parent), model_(new ListModel(this)) {
    setModel(model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(16);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) emit rowClicked(index.row());
    });
}

void ListView::removeItems() { model_->clearRows(); }

void ListView::removeColumns() {
    model_->removeColumns();
    natural_.clear();
}

void ListView::addItem(const QStringList& texts) { model_->appendRows({texts}); }

void ListView::addItems(std::vector<QStringList> rows) { model_->appendRows(std::move(rows)); }

void ListView::setRows(std::shared_ptr<const ListRows> source) { model_->setSource(std::move(source)); }

int ListView::selectedRow() const {
    // In list order, as the row clicked is the only one selected.
    int first = -1;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        if (r.isValid() && (first < 0 || r.top() < first)) first = r.top();
    return first;
}

void ListView::selectRow(int row) {
    const QModelIndex index = model_->index(row, 0);
    if (!index.isValid()) return;
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QRect ListView::rowRect(int row) const {
    const QModelIndex index = model_->index(row, 0);
    if (!index.isValid()) return {};
    const QRect first = visualRect(index);
    return QRect(0, first.top(), viewport()->width(), first.height());
}

int ListView::naturalColumnWidth(int column) const {
    return column >= 0 && column < int(natural_.size()) ? natural_[column] : columnWidth(column);
}

void ListView::setFitColumns(bool on) {
    fit_ = on;
    fitColumns();
}

bool ListView::viewportEvent(QEvent* e) {
    const bool handled = QTreeView::viewportEvent(e);
    // The room changes with the list's size and with its scroll bars.
    if (e->type() == QEvent::Resize) fitColumns();
    return handled;
}

void ListView::showEvent(QShowEvent* e) {
    QTreeView::showEvent(e);
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
    model_->addColumn(caption, align);
    natural_.resize(n + 1);
    natural_[n] = twipsToPixels(widthTwips);
    setColumnWidth(n, natural_[n]);
    if (fit_) fitColumns();
}

void ImageLabel::mousePressEvent(QMouseEvent* e) {
    QLabel::mousePressEvent(e);
    emit mouseDown();
}
