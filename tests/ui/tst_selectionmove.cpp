#include "ui/dialogs/SelectionMove.h"

#include <QtTest>

Q_DECLARE_METATYPE(MoveDirection)

namespace {

std::vector<bool> SelectionOf(int count, const QList<int> &rows)
{
    std::vector<bool> selected(size_t(count), false);
    for (int row : rows)
        selected[size_t(row)] = true;
    return selected;
}

QList<int> RowsOf(const std::vector<bool> &selected)
{
    QList<int> rows;
    for (size_t i = 0; i < selected.size(); ++i) {
        if (selected[i])
            rows << int(i);
    }
    return rows;
}

} // namespace

// Moving the selected projects of the project list up or down: each item is a letter, so the
// order after the exchanges shows where every project went.
class TestSelectionMove : public QObject {
    Q_OBJECT

private slots:
    void moves_data()
    {
        QTest::addColumn<QString>("items");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("caret");
        QTest::addColumn<MoveDirection>("direction");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QList<int>>("selectedAfter");
        QTest::addColumn<int>("caretAfter");   // -1: the caret stays

        const auto up = MoveDirection::Up;
        const auto down = MoveDirection::Down;
        QTest::newRow("1, 2 and 5 up: two move to the top, 5 to 4")
            << "ABCDEF" << QList<int>{1, 2, 5} << 1 << up << "BCADFE" << QList<int>{0, 1, 4} << 0;
        QTest::newRow("0 and 3 up: 0 stays, 3 moves to 2")
            << "ABCDE" << QList<int>{0, 3} << 3 << up << "ABDCE" << QList<int>{0, 2} << 2;
        QTest::newRow("last down: nothing moves") << "ABCD" << QList<int>{3} << 3 << down << "ABCD" << QList<int>{3} << 3;
        QTest::newRow("first up: nothing moves, caret stays") << "ABCD" << QList<int>{0} << 0 << up << "ABCD" << QList<int>{0} << -1;
        QTest::newRow("group at the top stays, caret on its first")
            << "ABCD" << QList<int>{0, 1} << 1 << up << "ABCD" << QList<int>{0, 1} << 0;
        QTest::newRow("group at the bottom stays, caret on the last")
            << "ABCDE" << QList<int>{3, 4} << 3 << down << "ABCDE" << QList<int>{3, 4} << 4;
        QTest::newRow("0 and 2 down") << "ABCDE" << QList<int>{0, 2} << 0 << down << "BADCE" << QList<int>{1, 3} << 3;
        QTest::newRow("0, 1 and 3 down: the unselected pass upwards")
            << "ABCDE" << QList<int>{0, 1, 3} << 0 << down << "CABED" << QList<int>{1, 2, 4} << 4;
        QTest::newRow("neighbours up together") << "ABCD" << QList<int>{2, 3} << 2 << up << "ACDB" << QList<int>{1, 2} << 1;
        QTest::newRow("all selected: nothing moves") << "ABC" << QList<int>{0, 1, 2} << 2 << up << "ABC" << QList<int>{0, 1, 2} << 0;
        QTest::newRow("no selection: the caret item moves, the caret stays")
            << "ABCD" << QList<int>{} << 2 << up << "ACBD" << QList<int>{1} << 2;
        QTest::newRow("no selection, caret item at the top") << "ABCD" << QList<int>{} << 0 << up << "ABCD" << QList<int>{0} << 0;
        QTest::newRow("no selection, caret outside the list") << "ABC" << QList<int>{} << 5 << down << "ABC" << QList<int>{} << -1;
        QTest::newRow("empty list") << "" << QList<int>{} << -1 << down << "" << QList<int>{} << -1;
    }

    void moves()
    {
        QFETCH(QString, items);
        QFETCH(QList<int>, selected);
        QFETCH(int, caret);
        QFETCH(MoveDirection, direction);
        QFETCH(QString, order);
        QFETCH(QList<int>, selectedAfter);
        QFETCH(int, caretAfter);

        const SelectionMove move = MoveSelection(SelectionOf(int(items.size()), selected), caret, direction);
        QString moved = items;
        for (const auto &[from, to] : move.swaps) {
            QCOMPARE(qAbs(from - to), 1);   // only neighbours are exchanged
            std::swap(moved[from], moved[to]);
        }
        QCOMPARE(moved, order);
        QCOMPARE(RowsOf(move.selected), selectedAfter);
        QCOMPARE(move.caret.value_or(-1), caretAfter);
    }
};

QTEST_APPLESS_MAIN(TestSelectionMove)
#include "tst_selectionmove.moc"
