#include "ui/PaneGeometry.h"

#include <QtTest>

Q_DECLARE_METATYPE(CPaneGeometry::Edges)

// Where the divider lands and where the lists go, over the places where the rules snap.
class TestPaneGeometry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dividerPosition_data();
    void dividerPosition();
    void listRect_data();
    void listRect();
};

void TestPaneGeometry::dividerPosition_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expected");
    QTest::newRow("stored default in a tall view") << 192 << 600 << 192;
    QTest::newRow("at the top") << 0 << 600 << 0;
    QTest::newRow("7 from the top collapses the upper pane") << 7 << 600 << 0;
    QTest::newRow("8 from the top stays") << 8 << 600 << 8;
    QTest::newRow("above the view") << -40 << 600 << 0;
    QTest::newRow("13 above the bottom stays") << 587 << 600 << 587;
    QTest::newRow("12 above the bottom collapses the lower pane") << 588 << 600 << 595;
    QTest::newRow("below the view") << 900 << 600 << 595;
    QTest::newRow("window made shorter than the divider") << 192 << 150 << 145;
    QTest::newRow("tiny view: the bottom rule wins") << 3 << 15 << 10;
    QTest::newRow("view lower than the bar") << 100 << 3 << -2;
}

void TestPaneGeometry::dividerPosition()
{
    QFETCH(int, requested);
    QFETCH(int, height);
    QFETCH(int, expected);
    QCOMPARE(CPaneGeometry::DividerPosition(requested, height), expected);
}

void TestPaneGeometry::listRect_data()
{
    using E = CPaneGeometry::Edges;
    QTest::addColumn<E>("pane");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("inset on all sides") << E{0, 0, 800, 192} << true << QRect(1, 1, 798, 190);
    QTest::newRow("lower pane") << E{0, 197, 800, 600} << true << QRect(1, 198, 798, 401);
    QTest::newRow("collapsed upper pane: no inset in height") << E{0, 0, 800, 0} << true << QRect(1, 0, 798, 0);
    QTest::newRow("collapsed lower pane") << E{0, 600, 800, 600} << true << QRect(1, 600, 798, 0);
    QTest::newRow("one pixel high pane gets no height") << E{0, 10, 800, 11} << true << QRect(1, 11, 798, 0);
    QTest::newRow("pane above the view is left alone") << E{0, 0, 800, -2} << false << QRect();
    QTest::newRow("view of no width") << E{0, 0, 0, 192} << true << QRect(0, 1, 0, 190);
}

void TestPaneGeometry::listRect()
{
    QFETCH(CPaneGeometry::Edges, pane);
    QFETCH(bool, moved);
    QFETCH(QRect, expected);
    const std::optional<QRect> place = CPaneGeometry::ListRect(pane);
    QCOMPARE(place.has_value(), moved);
    if (moved)
        QCOMPARE(*place, expected);
}

QTEST_APPLESS_MAIN(TestPaneGeometry)
#include "tst_panegeometry.moc"
