#include "app/MainFrame.h"

#include <QtTest>

class TestMainFrame : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captionIsTheApplicationTitle();
};

void TestMainFrame::captionIsTheApplicationTitle()
{
    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.windowTitle(), QStringLiteral("Orvane Unicode"));
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
