#include "ui/dialogs/DlgDeleteFile.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The delete confirmation's answers from the keyboard, the buttons and the close box.
class TestDlgDeleteFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void closeBoxStops();
    void showsTheTextsReadOnly();
};

Q_DECLARE_METATYPE(DeleteChoice)

void TestDlgDeleteFile::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<DeleteChoice>("choice");
    QTest::newRow("Enter deletes") << int(Qt::Key_Return) << 0 << DeleteChoice::DeleteThis;
    QTest::newRow("keypad Enter deletes") << int(Qt::Key_Enter) << 0 << DeleteChoice::DeleteThis;
    QTest::newRow("Esc stops the run") << int(Qt::Key_Escape) << 0 << DeleteChoice::AbortRun;
    QTest::newRow("Alt+D deletes") << int(Qt::Key_D) << int(Qt::AltModifier) << DeleteChoice::DeleteThis;
    QTest::newRow("Alt+A deletes all") << int(Qt::Key_A) << int(Qt::AltModifier) << DeleteChoice::DeleteAll;
    QTest::newRow("Alt+S skips") << int(Qt::Key_S) << int(Qt::AltModifier) << DeleteChoice::SkipThis;
    QTest::newRow("Alt+C stops") << int(Qt::Key_C) << int(Qt::AltModifier) << DeleteChoice::AbortRun;
}

void TestDlgDeleteFile::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(DeleteChoice, choice);
    CDlgDeleteFile dialog;
    dialog.SetTexts(QStringLiteral("/backup/old.txt"), QStringLiteral(u"12 バイト"), QStringLiteral("2010/03/04 05:06:07"));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(dialog.Choice(), choice);
    QVERIFY(!dialog.isVisible());
}

void TestDlgDeleteFile::closeBoxStops()
{
    CDlgDeleteFile dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.close());
    QCOMPARE(dialog.Choice(), DeleteChoice::AbortRun);
}

void TestDlgDeleteFile::showsTheTextsReadOnly()
{
    CDlgDeleteFile dialog;
    const QStringList texts{QStringLiteral("/backup/dir/old.txt"), QStringLiteral("2010/03/04 05:06:07"),
                            QStringLiteral(u"1,234,567 バイト")};
    dialog.SetTexts(texts[0], texts[2], texts[1]);
    const QList<QLineEdit *> edits = dialog.findChildren<QLineEdit *>();
    QCOMPARE(edits.size(), 3);
    QStringList shown;
    for (QLineEdit *edit : edits) {
        QVERIFY(edit->isReadOnly());
        shown << edit->text();
    }
    QCOMPARE(shown, texts);   // file name, date, size: top to bottom
    QCOMPARE(dialog.windowTitle(), QStringLiteral(u"ファイル削除確認"));
    QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(dialog.Button(DeleteChoice::DeleteThis)->text(), QStringLiteral(u"このファイルを削除(&D)"));
    QVERIFY(dialog.Button(DeleteChoice::DeleteThis)->isDefault());
}

QTEST_MAIN(TestDlgDeleteFile)
#include "tst_dlgdeletefile.moc"
