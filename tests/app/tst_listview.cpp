// The report-style list the panels show: its columns and rows, rows read on
// demand from a source, the selection and the clicks, and the columns fitted
// to a narrow list.

#include "platform/desktop/controls.h"

#include <QSignalSpy>
#include <QTest>

#include <set>

namespace {

// Rows made up on demand, noting which were asked for.
class CountingRows final : public ListRows {
public:
    explicit CountingRows(int n) : n_(n) {}
    int rows() const override { return n_; }
    QString text(int row, int column) const override {
        read.insert(row);
        return QStringLiteral("r%1c%2").arg(row).arg(column);
    }
    mutable std::set<int> read;

private:
    int n_;
};

QStringList rowOf(const ListView& list, int row) {
    QStringList out;
    for (int c = 0; c < list.columnCount(); ++c) out << list.itemText(row, c);
    return out;
}

void threeColumns(ListView& list) {
    list.addColumn(QStringLiteral("Numero"), 1000);
    list.addColumn(QStringLiteral("Cliente"), 3000);
    list.addColumn(QStringLiteral("Importo"), 1500, Qt::AlignRight);
}

} // namespace

class TestListView : public QObject {
    Q_OBJECT
private slots:
    void columnsAndRows();
    void oneFillTellsTheViewOnce();
    void sourceIsReadOnlyWhereShown();
    void clicksSelectAndTellTheRow();
    void narrowListFitsItsColumns();
};

void TestListView::columnsAndRows() {
    ListView list;
    threeColumns(list);
    QCOMPARE(list.columnCount(), 3);
    QCOMPARE(list.columnCaption(1), QStringLiteral("Cliente"));
    QVERIFY(list.columnCaption(3).isEmpty());
    QCOMPARE(int(list.columnAlignment(2) & Qt::AlignHorizontal_Mask), int(Qt::AlignRight));
    QCOMPARE(int(list.columnAlignment(0) & Qt::AlignHorizontal_Mask), int(Qt::AlignLeft));
    // The header shows what the columns were given.
    QCOMPARE(list.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Numero"));
    QCOMPARE(list.naturalColumnWidth(1), 200);
    QCOMPARE(list.columnWidth(1), 200);

    // A short row leaves its last cells empty; a long one is cut at the columns.
    list.addItems({{"1", "ROSSI", "10,00"}, {"2"}});
    list.addItem({"3", "VERDI", "30,00", "in più"});
    QCOMPARE(list.itemCount(), 3);
    QCOMPARE(rowOf(list, 0), (QStringList{"1", "ROSSI", "10,00"}));
    QCOMPARE(rowOf(list, 1), (QStringList{"2", "", ""}));
    QCOMPARE(rowOf(list, 2), (QStringList{"3", "VERDI", "30,00"}));
    QVERIFY(list.itemText(2, 3).isEmpty());
    QVERIFY(list.itemText(3, 0).isEmpty());
    QCOMPARE(list.model()->data(list.model()->index(2, 2)).toString(), QStringLiteral("30,00"));
    QCOMPARE(int(list.model()->data(list.model()->index(2, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                 Qt::AlignHorizontal_Mask),
             int(Qt::AlignRight));
    // A flat list: no row has rows under it.
    QVERIFY(!list.model()->hasChildren(list.model()->index(0, 0)));

    list.removeItems();
    QCOMPARE(list.itemCount(), 0);
    QCOMPARE(list.columnCount(), 3);
    list.addItem({"4"});
    list.removeColumns();
    QCOMPARE(list.itemCount(), 0);
    QCOMPARE(list.columnCount(), 0);
    QVERIFY(list.itemText(0, 0).isEmpty());
}

void TestListView::oneFillTellsTheViewOnce() {
    ListView list;
    threeColumns(list);
    QSignalSpy inserted(list.model(), &QAbstractItemModel::rowsInserted);
    std::vector<QStringList> rows;
    for (int i = 0; i < 5000; ++i) rows.push_back({QString::number(i)});
    list.addItems(std::move(rows));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 4999);
    list.addItems({{"5000"}, {"5001"}});
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(list.itemCount(), 5002);
    QCOMPARE(list.itemText(5001), QStringLiteral("5001"));
    // Nothing to add tells nobody.
    list.addItems({});
    QCOMPARE(inserted.count(), 2);
}

void TestListView::sourceIsReadOnlyWhereShown() {
    ListView list;
    threeColumns(list);
    list.addItem({"vecchia"});
    auto source = std::make_shared<CountingRows>(30000);
    list.setRows(source);
    QCOMPARE(list.itemCount(), 30000);
    QVERIFY(source->read.empty());
    list.resize(600, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QApplication::processEvents();
    QVERIFY(!source->read.empty());
    QVERIFY2(source->read.size() < 100, qPrintable(QString::number(source->read.size())));
    QCOMPARE(*source->read.begin(), 0);
    // The row taken before the source is gone; rows added after follow it.
    QCOMPARE(rowOf(list, 0), (QStringList{"r0c0", "r0c1", "r0c2"}));
    QCOMPARE(list.itemText(29999, 2), QStringLiteral("r29999c2"));
    list.addItem({"dopo"});
    QCOMPARE(list.itemCount(), 30001);
    QCOMPARE(list.itemText(30000), QStringLiteral("dopo"));
    // Scrolled to the end, the rows there are read, not those between.
    source->read.clear();
    list.scrollToBottom();
    QApplication::processEvents();
    list.repaint();
    QVERIFY(source->read.count(29999));
    QVERIFY(!source->read.count(15000));

    list.removeItems();
    QCOMPARE(list.itemCount(), 0);
    QCOMPARE(source.use_count(), 1);
}

void TestListView::clicksSelectAndTellTheRow() {
    ListView list;
    threeColumns(list);
    for (int i = 0; i < 50; ++i) list.addItem({QString::number(i), QStringLiteral("CLIENTE %1").arg(i)});
    list.resize(500, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicked(&list, &ListView::rowClicked);
    QCOMPARE(list.selectedRow(), -1);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.rowRect(2).center());
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), 2);
    QCOMPARE(list.selectedRow(), 2);
    // The whole row is selected, wherever it was clicked.
    QVERIFY(list.selectionModel()->isRowSelected(2, {}));

    // A row out of view is scrolled to and clicked; only one stays selected.
    list.scrollTo(list.model()->index(40, 0));
    QVERIFY(list.rowRect(40).intersects(list.viewport()->rect()));
    const QPoint inLastColumn(list.columnViewportPosition(2) + 10, list.rowRect(40).center().y());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, inLastColumn);
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(clicked.at(1).at(0).toInt(), 40);
    QCOMPARE(list.selectedRow(), 40);
    QCOMPARE(list.selectionModel()->selectedRows().size(), 1);

    // Below the last row, or right of the last column: no row, nothing told.
    ListView few;
    threeColumns(few);
    few.addItem({"1"});
    few.resize(500, 200);
    few.show();
    QVERIFY(QTest::qWaitForWindowExposed(&few));
    QSignalSpy fewClicked(&few, &ListView::rowClicked);
    QTest::mouseClick(few.viewport(), Qt::LeftButton, {}, QPoint(10, few.rowRect(0).bottom() + 20));
    QTest::mouseClick(few.viewport(), Qt::LeftButton, {}, QPoint(450, few.rowRect(0).center().y()));
    QCOMPARE(fewClicked.count(), 0);
    QCOMPARE(few.selectedRow(), -1);
    QTest::mouseClick(few.viewport(), Qt::LeftButton, {}, QPoint(10, few.rowRect(0).center().y()));
    QCOMPARE(fewClicked.count(), 1);

    // Selected from code: no click told.
    list.selectRow(7);
    QCOMPARE(list.selectedRow(), 7);
    QCOMPARE(clicked.count(), 2);
    list.selectRow(500);
    QCOMPARE(list.selectedRow(), 7);
    QVERIFY(list.rowRect(500).isNull());

    // Emptied, the list has no selection left.
    list.removeItems();
    QCOMPARE(list.selectedRow(), -1);
}

void TestListView::narrowListFitsItsColumns() {
    ListView list;
    threeColumns(list); // 66 + 200 + 100 pixels
    list.setFitColumns(true);
    list.resize(250, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QVERIFY(QTest::qWaitFor([&] { return list.columnWidth(1) < 200; }, 2000));
    const int room = list.viewport()->width();
    QVERIFY(list.columnWidth(0) + list.columnWidth(1) + list.columnWidth(2) <= room);
    // In proportion to the widths given.
    QCOMPARE(list.columnWidth(1), 200 * room / 366);
    QCOMPARE(list.columnWidth(2), 100 * room / 366);
    QCOMPARE(list.naturalColumnWidth(1), 200);

    // With room enough, the widths given.
    list.resize(800, 200);
    QVERIFY(QTest::qWaitFor([&] { return list.columnWidth(1) == 200; }, 2000));
    QCOMPARE(list.columnWidth(0), 66);
    QCOMPARE(list.columnWidth(2), 100);

    // Off, a narrow list keeps them and scrolls.
    list.setFitColumns(false);
    list.resize(250, 200);
    QApplication::processEvents();
    QCOMPARE(list.columnWidth(1), 200);
    // A column added to a fitted list takes its share at once.
    list.setFitColumns(true);
    QVERIFY(list.columnWidth(1) < 200);
    list.addColumn(QStringLiteral("Note"), 3000);
    QVERIFY(list.columnWidth(3) < 200);
    QCOMPARE(list.naturalColumnWidth(3), 200);
}

QTEST_MAIN(TestListView)
#include "tst_listview.moc"
