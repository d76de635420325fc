#include "FakeEngine.h"
#include "ViewTestSupport.h"

#include "platform/Text.h"
#include "res/CommandIds.h"
#include "ui/DocumentDrop.h"
#include "ui/OrvaneView.h"

#include <QDir>
#include <QFile>
#include <QUrl>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>

namespace {

using C = CommandId;

enum class Item { File, EmptyFile, Fifo, Folder, Missing, WebLink };

// The item of a kind in a folder of the test, as the file manager hands it over.
QUrl MakeItem(const QTemporaryDir &dir, Item kind)
{
    const QString path = dir.filePath(QStringLiteral("dropped item"));
    switch (kind) {
    case Item::File:
        testsupport::WriteFile(path, "some text");
        break;
    case Item::EmptyFile:
        testsupport::WriteFile(path, QByteArray());
        break;
    case Item::Fifo:
        if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
            qFatal("no named pipe");
        break;
    case Item::Folder:
        QDir(dir.path()).mkdir(QStringLiteral("dropped item"));
        break;
    case Item::Missing:
        break;
    case Item::WebLink:
        return QUrl(QStringLiteral("https://example.org/backup.txt"));
    }
    return QUrl::fromLocalFile(path);
}

} // namespace

// Files dropped on the main window: what may be opened as the program's document, and the view
// starting over after one was.
class TestDocumentDrop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void whatOpens_data();
    void whatOpens();
    void viewStartsOver_data();
    void viewStartsOver();
    void dropDuringARunKeepsItsResult();
};

void TestDocumentDrop::whatOpens_data()
{
    QTest::addColumn<Item>("kind");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("says");

    QTest::newRow("a file") << Item::File << true << QString();
    QTest::newRow("an empty file") << Item::EmptyFile << true << QString();
    // Opened without waiting for a writer: nothing is read.
    QTest::newRow("a named pipe") << Item::Fifo << true << QString();
    QTest::newRow("a folder") << Item::Folder << false << u"フォルダはファイルとして開けない"_qs;
    QTest::newRow("a file that is gone") << Item::Missing << false << SystemErrorText(ENOENT).trimmed();
    QTest::newRow("a link of a web page") << Item::WebLink << false << u"https://example.org/backup.txt"_qs;
}

void TestDocumentDrop::whatOpens()
{
    QFETCH(Item, kind);
    QFETCH(bool, opens);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QUrl item = MakeItem(dir, kind);
    const std::optional<QString> refusal = DocumentDropRefusal(item);
    QCOMPARE(!refusal.has_value(), opens);
    if (opens)
        return;
    QVERIFY2(refusal->contains(says), qPrintable(*refusal));
    QVERIFY(refusal->contains(u"何もしませんでした"_qs));
    if (item.isLocalFile())
        QVERIFY(refusal->startsWith(item.toLocalFile()));
}

void TestDocumentDrop::viewStartsOver_data()
{
    QTest::addColumn<Item>("kind");
    QTest::addColumn<int>("items");
    QTest::addColumn<bool>("autoMode");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("runs");

    QTest::newRow("a file") << Item::File << 1 << false << true << 0;
    QTest::newRow("a file, unattended start") << Item::File << 1 << true << true << 1;
    QTest::newRow("three files, unattended start: one run") << Item::File << 3 << true << true << 1;
    QTest::newRow("a folder, unattended start: nothing") << Item::Folder << 1 << true << false << 0;
    QTest::newRow("a file that is gone") << Item::Missing << 1 << false << false << 0;
}

void TestDocumentDrop::viewStartsOver()
{
    QFETCH(Item, kind);
    QFETCH(int, items);
    QFETCH(bool, autoMode);
    QFETCH(bool, opened);
    QFETCH(int, runs);

    QTemporaryDir dir;
    const QUrl item = MakeItem(dir, kind);
    ViewEnv env(NamedSettings(3));
    env.flags.AnySettingCompleted = true;
    COrvaneView view(*env.config, env.flags, env.disk);
    ScriptedPresenter boxes;
    view.SetMessageBoxPresenter(boxes);
    FakeEngine engine;
    view.Runs().SetProcedure(engine.Procedure());
    view.SelectRow(2);
    // Set after the first showing would have looked at it: only the drop starts a run.
    env.flags.AutoMode = autoMode;

    for (int i = 0; i < items; ++i)
        QCOMPARE(view.OpenDocument(item), opened);
    QTest::qWait(700);
    QCOMPARE(engine.started.load(), runs);
    QTRY_VERIFY(!view.State().running);
    if (opened) {
        QVERIFY(boxes.boxes.empty());
        QCOMPARE(view.SelectedRow(), -1);   // the list was refilled
        QCOMPARE(view.Count(), 3);
        QVERIFY(!env.flags.AnySettingCompleted);
        if (runs > 0) {
            QCOMPARE(engine.seen.front().autoOnly, true);
            QCOMPARE(engine.seen.front().test, false);
        }
        return;
    }
    // Refused: said once per item, with the error icon, and nothing else changed.
    QCOMPARE(boxes.boxes.size(), size_t(items));
    QCOMPARE(boxes.boxes.front().icon, MessageIcon::Error);
    QCOMPARE(boxes.boxes.front().caption, u"Orvane Unicode"_qs);
    QVERIFY(boxes.boxes.front().text.contains(item.toLocalFile()));
    QCOMPARE(view.SelectedRow(), 2);
    QVERIFY(env.flags.AnySettingCompleted);
}

void TestDocumentDrop::dropDuringARunKeepsItsResult()
{
    QTemporaryDir dir;
    const QUrl item = MakeItem(dir, Item::File);
    ViewEnv env(NamedSettings(2));
    COrvaneView view(*env.config, env.flags, env.disk);
    FakeEngine engine;
    engine.body = [&engine](RunRequest &request) { engine.WaitForRelease(request); };
    view.Runs().SetProcedure(engine.Procedure());
    view.ExecuteCommand(C::TestAll);
    QTRY_VERIFY(view.State().running);
    // A setting of the run has completed; the after-run action depends on it.
    env.flags.AnySettingCompleted = true;
    env.flags.AfterRunExit = true;

    QVERIFY(view.OpenDocument(item));
    QVERIFY(env.flags.AnySettingCompleted);
    QTest::qWait(700);
    engine.release = true;
    QTRY_VERIFY(!view.State().running);
    QCOMPARE(engine.started.load(), 1);   // no second run from the drop
}

QTEST_MAIN(TestDocumentDrop)
#include "tst_documentdrop.moc"
