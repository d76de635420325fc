#include "ui/ReportList.h"
#include "ui/ReportListModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <ctime>

Q_DECLARE_METATYPE(ReportRow)

// The report list's rows: what each cell shows, how rows arrive and how little they take.
class TestReportList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cells_data();
    void cells();
    void appendIsOneInsertionPerBatch();
    void clearEmptiesTheList();
    void namesSurviveBlockBoundaries();
    void slowRunsStayCompactToo();
    void rowsStayCompact();
    void clicksSelectNothing_data();
    void clicksSelectNothing();
    void newestRowStaysInView();
    void columnWidthsComeFromAndGoToTheLayout();
};

namespace {

const QString NoTime = QStringLiteral("--/--/-- --:--:--");
constexpr qint64 January31 = 1706742309;   // 2024-01-31 23:05:09 UTC
constexpr qint64 March4 = 1267679167;      // 2010-03-04 05:06:07 UTC

ReportRow Row(const QString &name, qint64 master = 0, qint64 backup = 0, bool sized = false, quint64 size = 0)
{
    return {.operation = QStringLiteral(u"作成"), .name = name, .masterTime = master, .backupTime = backup,
            .sizeShown = sized, .size = size};
}

} // namespace

void TestReportList::initTestCase()
{
    // Times are shown in local time: make it known.
    qputenv("TZ", "UTC");
    tzset();
}

void TestReportList::cells_data()
{
    QTest::addColumn<ReportRow>("row");
    QTest::addColumn<QStringList>("expected");   // operation, name, master, backup, size
    const QString op = QStringLiteral(u"作成");
    QTest::newRow("start row: no times, no size")
        << ReportRow{.operation = QStringLiteral(u"開始"), .name = QStringLiteral("--- x ---")}
        << QStringList{QStringLiteral(u"開始"), "--- x ---", "", "", ""};
    QTest::newRow("no times but a size still shows nothing")
        << Row("a", 0, 0, true, 5) << QStringList{op, "a", "", "", ""};
    QTest::newRow("master only: a file created on the backup side")
        << Row("dir/a.txt", January31, 0, true, 1023)
        << QStringList{op, "dir/a.txt", "2024/01/31 23:05:09", NoTime, "1,023 B"};
    QTest::newRow("backup only") << Row("b", 0, March4, true, 1536)
                                 << QStringList{op, "b", NoTime, "2010/03/04 05:06:07", "1.5 KB"};
    QTest::newRow("both times, no size: a single blank")
        << Row("c", January31, March4) << QStringList{op, "c", "2024/01/31 23:05:09", "2010/03/04 05:06:07", " "};
    QTest::newRow("a size of nothing") << Row("d", January31, January31, true, 0)
                                       << QStringList{op, "d", "2024/01/31 23:05:09", "2024/01/31 23:05:09", "0 B"};
    QTest::newRow("large size") << Row("e", March4, 0, true, 5ull << 40)
                                << QStringList{op, "e", "2010/03/04 05:06:07", NoTime, "5.0 TB"};
    QTest::newRow("a time before 1970") << Row("f", -86400, 0)
                                        << QStringList{op, "f", "1969/12/31 00:00:00", NoTime, " "};
}

void TestReportList::cells()
{
    QFETCH(ReportRow, row);
    QFETCH(QStringList, expected);
    CReportListModel model;
    model.Append(std::span(&row, 1));
    QStringList shown;
    for (int column = 0; column < CReportListModel::ColumnCount; ++column)
        shown << model.data(model.index(0, column)).toString();
    QCOMPARE(shown, expected);
    QCOMPARE(model.Row(0).name, row.name);
    QCOMPARE(model.Row(0).size, row.size);
    const auto sizeAlignment = model.data(model.index(0, CReportListModel::Size), Qt::TextAlignmentRole).value<Qt::Alignment>();
    QVERIFY(sizeAlignment & Qt::AlignRight);
}

void TestReportList::appendIsOneInsertionPerBatch()
{
    CReportListModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    std::vector<ReportRow> first(1000, Row("x"));
    std::vector<ReportRow> second{Row("y"), Row("z")};
    model.Append(first);
    model.Append(second);
    model.Append(std::span<const ReportRow>());
    model.Append(CReportListModel::Blocks());
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 999);
    QCOMPARE(inserted.at(1).at(1).toInt(), 1000);
    QCOMPARE(inserted.at(1).at(2).toInt(), 1001);
    QCOMPARE(model.rowCount(), 1002);
    QCOMPARE(model.Text(1001, CReportListModel::Name), QStringLiteral("z"));
}

void TestReportList::clearEmptiesTheList()
{
    CReportListModel model;
    std::vector<ReportRow> rows{Row("one"), Row("two")};
    model.Append(rows);
    model.Clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.NameBytes(), size_t(0));
    rows = {ReportRow{.operation = QStringLiteral(u"削除"), .name = QStringLiteral("three")}};
    model.Append(rows);
    QCOMPARE(model.Text(0, CReportListModel::Operation), QStringLiteral(u"削除"));
    QCOMPARE(model.Text(0, CReportListModel::Name), QStringLiteral("three"));
}

void TestReportList::namesSurviveBlockBoundaries()
{
    CReportListModel model;
    std::vector<ReportRow> rows;
    const QStringList operations{QStringLiteral(u"作成"), QStringLiteral(u"更新"), QStringLiteral(u"削除"),
                                 QStringLiteral(u"エラー")};
    for (int i = 0; i < 20000; ++i) {
        ReportRow row = Row(QStringLiteral(u"フォルダ/%1/").arg(i).repeated(1 + i % 7));
        row.operation = operations[i % operations.size()];
        rows.push_back(row);
    }
    rows.push_back(Row(QString(100000, u'x')));
    rows.push_back(Row(QString()));
    model.Append(rows);
    for (int i = 0; i < int(rows.size()); ++i) {
        QCOMPARE(model.Text(i, CReportListModel::Name), rows[size_t(i)].name);
        QCOMPARE(model.Text(i, CReportListModel::Operation), rows[size_t(i)].operation);
    }
}

void TestReportList::slowRunsStayCompactToo()
{
    // A slow run hands over a row or two per paint: small blocks join the last one.
    CReportListModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 20000; ++i) {
        CReportListModel::Blocks blocks;
        blocks.push_back(std::make_unique<CReportRowBlock>());
        blocks.back()->Add(Row(QStringLiteral("file%1").arg(i), January31, 0, true, quint64(i)));
        if (i % 3 == 0)
            blocks.back()->Add(ReportRow{.operation = QStringLiteral(u"エラー"), .name = QStringLiteral("e%1").arg(i)});
        model.Append(std::move(blocks));
    }
    QCOMPARE(inserted.count(), 20000);
    const double perRow = double(model.StorageBytes() - model.NameBytes()) / double(model.rowCount());
    qInfo("slow run: %.1f bytes per row beyond the names' characters", perRow);
    // A block of its own per row would cost well over a hundred bytes each, before malloc's share.
    QVERIFY2(perRow <= 100, qPrintable(QString::number(perRow)));
    for (int i = 0, row = 0; i < 20000; ++i, ++row) {
        QCOMPARE(model.Text(row, CReportListModel::Name), QStringLiteral("file%1").arg(i));
        QCOMPARE(model.Text(row, CReportListModel::Operation), QStringLiteral(u"作成"));
        if (i % 3 == 0) {
            ++row;
            QCOMPARE(model.Text(row, CReportListModel::Operation), QStringLiteral(u"エラー"));
            QCOMPARE(model.Text(row, CReportListModel::MasterTime), QString());
        }
    }
}

void TestReportList::rowsStayCompact()
{
    CReportListModel model;
    std::vector<ReportRow> batch;
    for (int i = 0; i < 100000; ++i)
        batch.push_back(Row(QStringLiteral("folder/sub/file%1.txt").arg(i), January31 + i, March4, true, quint64(i)));
    model.Append(batch);
    const double perRow = double(model.StorageBytes() - model.NameBytes()) / double(model.rowCount());
    qInfo("report model: %.1f bytes per row beyond the names' characters", perRow);
    QVERIFY2(perRow <= 250, qPrintable(QString::number(perRow)));
}

void TestReportList::clicksSelectNothing_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
}

void TestReportList::clicksSelectNothing()
{
    QFETCH(Qt::MouseButton, button);
    std::array<qint32, 5> widths{96, 528, 140, 140, 96};
    QWidget window;
    QLineEdit other(&window);
    CReportList list(widths, &window);
    list.setGeometry(0, 30, 600, 300);
    window.resize(600, 330);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    other.setFocus();
    std::vector<ReportRow> rows(20, Row("x", January31));
    list.Rows().Append(rows);

    const QPoint onRow = list.visualRect(list.Rows().index(0, 1)).center();
    QTest::mouseClick(list.viewport(), button, {}, onRow);
    QContextMenuEvent menuRequest(QContextMenuEvent::Mouse, onRow, list.viewport()->mapToGlobal(onRow));
    QApplication::sendEvent(list.viewport(), &menuRequest);
    QCoreApplication::processEvents();
    QVERIFY(!list.selectionModel()->hasSelection());
    QVERIFY(!list.hasFocus());
    QVERIFY(other.hasFocus());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
}

void TestReportList::newestRowStaysInView()
{
    std::array<qint32, 5> widths{96, 528, 140, 140, 96};
    CReportList list(widths);
    list.resize(600, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    for (int batch = 0; batch < 5; ++batch) {
        std::vector<ReportRow> rows(100, Row(QString::number(batch)));
        list.Rows().Append(rows);
        QCoreApplication::processEvents();
        const QRect last = list.visualRect(list.Rows().index(list.Rows().rowCount() - 1, 0));
        QVERIFY(list.viewport()->rect().contains(last));
    }
    QVERIFY(list.verticalScrollBar()->value() > 0);
}

void TestReportList::columnWidthsComeFromAndGoToTheLayout()
{
    std::array<qint32, 5> widths{50, 300, 120, 121, 60};
    CReportList list(widths);
    for (int column = 0; column < 5; ++column)
        QCOMPARE(list.horizontalHeader()->sectionSize(column), widths[size_t(column)]);
    list.horizontalHeader()->resizeSection(1, 444);
    QCOMPARE(widths[1], 444);
    list.Rows().Clear();
    QCOMPARE(list.horizontalHeader()->sectionSize(1), 444);
}


QTEST_MAIN(TestReportList)
#include "tst_reportlist.moc"
