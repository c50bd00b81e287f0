#pragma once
// Small widgets that give Qt controls the shape the panels expect: a
// multi-line text box with text()/setText() and a length limit, a report-style
// list addressed by row and column, and a picture that reports mouse
// presses.

#include "platform/desktop/listrows.h"

#include <QAbstractTableModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTreeView>
#include <initializer_list>
#include <memory>
#include <vector>

// Widths in the panels' descriptions are twips; 15 twips make a pixel at 96 dpi.
inline int twipsToPixels(int twips) { return twips / 15; }

// A panel is open when it has not been hidden; unlike isVisible() this does
// not depend on the window being on screen.
inline bool shown(const QWidget* w) { return w && !w->isHidden(); }

class QComboBox;
class QLineEdit;

// Controls (buttons of one row, the menu bar) get a least width, but one whose
// texts need more (a larger desktop font, now or later) is widened to show
// them whole instead of cutting them.
void setLeastWidth(std::initializer_list<QWidget*> controls, int width);

// A length limit on what the user types or pastes into a box. A record read
// from the workbook (which may have been edited in a spreadsheet program) is
// put in with setTextWhole, which never cuts it, so a later save writes back
// what was read; such a text can be shortened but not lengthened by typing.
void limitTyping(QLineEdit* box, int maxLength);
void setTextWhole(QLineEdit* box, const QString& text);

// Appends `items` to a combo box's list, as a list loader does: no entry gets
// chosen by the filling, so the box's text and its change handler are left
// alone (Qt would otherwise pick the first entry of an empty list).
void fillComboList(QComboBox* combo, const QStringList& items);

// A list loader's clear-and-fill: the box ends with `items` as its list, no
// entry chosen, and the signals a clear gives. When the box already holds
// the start of `items` (the common cases: the sheet behind it did not
// change, or a record was added at its end) that part is kept rather than
// rebuilt, which at thousands of entries is most of the cost of showing a
// panel.
void refillComboList(QComboBox* combo, const QStringList& items);
// What a clear does to a box's choice, its list kept: an entry that was
// chosen is let go, with the text that went with it; a text typed with no
// entry chosen stays.
void dropComboChoice(QComboBox* combo);

class MultiLineTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MultiLineTextBox(QWidget* parent = nullptr);
    // The text with the line breaks it came with: the editor keeps only
    // "\n", while notes stored in the workbook carry "\r\n" (the break a
    // line of a note gets everywhere else in the program), so those are put
    // back and a note read and written again keeps its bytes.
    QString text() const;
    void setText(const QString& t);
    // Limits typing only, as limitTyping() does for one-line boxes.
    void setMaxLength(int n) { maxLength_ = n; }
    int maxLength() const { return maxLength_; }

private:
    int maxLength_ = 0; // 0 = no limit
    QString last_;      // the text before the latest change
    bool crlf_ = true;  // line breaks are "\r\n" unless the text set had bare "\n"
};

// The texts of a report-style list: rows handed over whole, or read from a
// ListRows source, or both (the source's rows first).
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void addColumn(const QString& caption, Qt::Alignment align);
    void removeColumns();
    void clearRows();
    void appendRows(std::vector<QStringList> rows);
    void setSource(std::shared_ptr<const ListRows> source);
    // "" past the row's texts or the columns.
    QString text(int row, int column) const;
    QString caption(int column) const;
    Qt::Alignment alignment(int column) const;

private:
    struct Column {
        QString caption;
        Qt::Alignment align;
    };
    std::vector<Column> columns_;
    std::shared_ptr<const ListRows> source_;
    int sourceCount_ = 0; // the source's rows, counted once when it is set
    std::vector<QStringList> rows_;
};

// A report-style list: one row per item, in columns with captions, one row
// selected at a time. Rows are addressed by their index from 0.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);
    void removeItems();
    void removeColumns();
    void addColumn(const QString& caption, int widthTwips, Qt::Alignment align = Qt::AlignLeft);
    // Item text plus sub-items, as one row.
    void addItem(const QStringList& texts);
    // Many rows at once: the view is told once, not once a row.
    void addItems(std::vector<QStringList> rows);
    // Shows the source's rows (and drops those shown before); only the rows
    // painted are read from it.
    void setRows(std::shared_ptr<const ListRows> source);
    int itemCount() const { return model_->rowCount(); }
    QString itemText(int row, int column = 0) const { return model_->text(row, column); }
    int columnCount() const { return model_->columnCount(); }
    QString columnCaption(int column) const { return model_->caption(column); }
    // The alignment of the column's caption and texts.
    Qt::Alignment columnAlignment(int column) const { return model_->alignment(column); }
    // The row selected, -1 for none.
    int selectedRow() const;
    // Selects the row as a click would, without telling rowClicked.
    void selectRow(int row);
    // Where the row lies in the viewport (empty when out of the list).
    QRect rowRect(int row) const;

    // The width a column was given, in pixels; the shown width can be less
    // when the list fits its columns to its width.
    int naturalColumnWidth(int column) const;
    // When on, columns whose given widths add up to more than the list's
    // width are narrowed in proportion, so that every header stays in view;
    // with room enough they keep their given widths.
    void setFitColumns(bool on);

signals:
    // A row was clicked: pressed and released on it with any button.
    void rowClicked(int row);

protected:
    bool viewportEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void fitColumns();
    ListModel* model_;
    std::vector<int> natural_;
    bool fit_ = false;
};

class ImageLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void mouseDown();

protected:
    void mousePressEvent(QMouseEvent* e) override;
};
