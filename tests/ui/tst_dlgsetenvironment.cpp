#include "model/GlobalOptions.h"
#include "ui/dialogs/DlgSetEnvironment.h"
#include "ui/dialogs/FileChooser.h"
#include "ui/dialogs/FileDialogChooser.h"

#include "ConfigTestSupport.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Answers the file dialogs from a script and remembers what they were asked.
class ScriptedChooser : public FileChooser {
public:
    std::optional<QString> ChooseFile(const FileChooserRequest &request, QWidget *) override
    {
        requests.push_back(request);
        return answer;
    }
    std::optional<QString> answer;
    std::vector<FileChooserRequest> requests;
};

// Controls whose enabled state the log switches decide, by object name.
const QStringList LogControls{"writeLogImmediately", "outputErrorOnly", "outputSkipLog", "clearLog",
                              "logFileName",         "browseLog",       "clearLogNow"};

QStringList EnabledLogControls(const QDialog &dialog)
{
    QStringList enabled;
    for (const QString &name : LogControls) {
        if (dialog.findChild<QWidget *>(name)->isEnabled())
            enabled << name;
    }
    return enabled;
}

QCheckBox *Check(const QDialog &dialog, const char *name)
{
    return dialog.findChild<QCheckBox *>(QString::fromLatin1(name));
}

// A log file in one of the states the clear button looks at; the path to put in the dialog.
QString MakeLogFile(const QTemporaryDir &dir, const QString &state)
{
    const QString path = dir.filePath("logs/backup.log");
    if (state == u"empty")
        WriteFile(path, {});
    else if (state == u"filled")
        WriteFile(path, "2024/01/31 作成\r\n");
    else if (state == u"folder")
        QDir().mkpath(path);
    return path;
}

QStringList TextsOf(const ScriptedPresenter &boxes)
{
    QStringList texts;
    for (const MessageBoxRequest &box : boxes.boxes)
        texts << box.text;
    return texts;
}

} // namespace

class TestDlgSetEnvironment : public QObject {
    Q_OBJECT

private slots:
    void enableRules_data();
    void enableRules();
    void errorsOnlyTogglesTheSkipLog();
    void clearButtonLooksAtTheExpandedName();
    void clearLogNow_data();
    void clearLogNow();
    void storageNoticeOnEveryClick();
    void browseDialogs_data();
    void browseDialogs();
    void okHandsBackEveryValue();
    void droppedFileNamesTheLog();
    void filterTexts_data();
    void filterTexts();
};

void TestDlgSetEnvironment::enableRules_data()
{
    QTest::addColumn<bool>("outputLog");
    QTest::addColumn<bool>("errorsOnly");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("enabled");

    const QStringList allButClear{"writeLogImmediately", "outputErrorOnly", "outputSkipLog", "clearLog", "logFileName",
                                  "browseLog"};
    QTest::newRow("log off") << false << false << "filled" << QStringList{};
    QTest::newRow("log off, errors only") << false << true << "filled" << QStringList{};
    QTest::newRow("log on, no file") << true << false << "missing" << allButClear;
    QTest::newRow("log on, empty file") << true << false << "empty" << allButClear;
    QTest::newRow("log on, file with content") << true << false << "filled" << LogControls;
    QTest::newRow("log on, a folder of that name") << true << false << "folder" << allButClear;
    QTest::newRow("log on, errors only")
        << true << true << "filled"
        << QStringList{"writeLogImmediately", "outputErrorOnly", "clearLog", "logFileName", "browseLog", "clearLogNow"};
}

void TestDlgSetEnvironment::enableRules()
{
    QFETCH(bool, outputLog);
    QFETCH(bool, errorsOnly);
    QFETCH(QString, file);
    QFETCH(QStringList, enabled);

    QTemporaryDir dir;
    GlobalOptions options;
    options.OutputLog = outputLog;
    options.OutputErrorOnly = errorsOnly;
    options.LogFileName = MakeLogFile(dir, file);
    ScriptedPresenter boxes;
    CDlgSetEnvironment opened(options, false, boxes);
    QCOMPARE(EnabledLogControls(opened), enabled);

    // The same state reached by clicks from the opposite one.
    options.OutputLog = !outputLog;
    options.OutputErrorOnly = !errorsOnly;
    CDlgSetEnvironment clicked(options, false, boxes);
    Check(clicked, "outputLog")->click();
    Check(clicked, "outputErrorOnly")->click();
    QCOMPARE(EnabledLogControls(clicked), enabled);
    QVERIFY(boxes.boxes.empty());
}

void TestDlgSetEnvironment::errorsOnlyTogglesTheSkipLog()
{
    GlobalOptions options;
    options.OutputLog = true;
    ScriptedPresenter boxes;
    CDlgSetEnvironment dialog(options, false, boxes);
    QCheckBox *skip = Check(dialog, "outputSkipLog");
    QVERIFY(skip->isEnabled());
    Check(dialog, "outputErrorOnly")->click();
    QVERIFY(!skip->isEnabled());
    Check(dialog, "outputErrorOnly")->click();
    QVERIFY(skip->isEnabled());
}

void TestDlgSetEnvironment::clearButtonLooksAtTheExpandedName()
{
    QTemporaryDir dir;
    qputenv("ORVANE_TEST_LOGDIR", QFile::encodeName(dir.filePath("logs")));
    GlobalOptions options;
    options.OutputLog = true;
    options.LogFileName = QStringLiteral("%ORVANE_TEST_LOGDIR%/backup.log");
    ScriptedPresenter boxes;
    CDlgSetEnvironment dialog(options, false, boxes);
    auto *clear = dialog.findChild<QPushButton *>("clearLogNow");
    QVERIFY(!clear->isEnabled());

    // The file appears while the dialog is open: leaving the name box looks again.
    MakeLogFile(dir, "filled");
    auto *name = dialog.findChild<QLineEdit *>("logFileName");
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(name, &focusOut);
    QVERIFY(clear->isEnabled());
    QCOMPARE(dialog.Options().LogFileName, QString("%ORVANE_TEST_LOGDIR%/backup.log"));   // kept as written
    qunsetenv("ORVANE_TEST_LOGDIR");
}

void TestDlgSetEnvironment::clearLogNow_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<MessageIcon>>("icons");
    QTest::addColumn<QByteArray>("contentAfter");

    const QString ask = u"ログファイルをクリアします。よろしいですか？"_qs;
    const QByteArray filled = QByteArray("2024/01/31 作成\r\n");
    QTest::newRow("missing") << "missing" << MessageAnswer::Ok << QStringList{u"ログファイルが見つかりませんでした。"_qs}
                             << QList<MessageIcon>{MessageIcon::Error} << QByteArray();
    QTest::newRow("empty") << "empty" << MessageAnswer::Ok << QStringList{ask, u"ログファイルをクリアしました。"_qs}
                           << QList<MessageIcon>{MessageIcon::Question, MessageIcon::Information} << QByteArray();
    QTest::newRow("filled") << "filled" << MessageAnswer::Ok << QStringList{ask, u"ログファイルをクリアしました。"_qs}
                            << QList<MessageIcon>{MessageIcon::Question, MessageIcon::Information} << QByteArray();
    QTest::newRow("filled, cancelled") << "filled" << MessageAnswer::Cancel << QStringList{ask}
                                       << QList<MessageIcon>{MessageIcon::Question} << filled;
    QTest::newRow("a folder cannot be emptied")
        << "folder" << MessageAnswer::Ok << QStringList{ask, u"ログファイルのクリアに失敗しました。"_qs}
        << QList<MessageIcon>{MessageIcon::Question, MessageIcon::Error} << QByteArray();
}

void TestDlgSetEnvironment::clearLogNow()
{
    QFETCH(QString, file);
    QFETCH(MessageAnswer, answer);
    QFETCH(QStringList, messages);
    QFETCH(QList<MessageIcon>, icons);
    QFETCH(QByteArray, contentAfter);

    QTemporaryDir dir;
    GlobalOptions options;
    options.OutputLog = true;
    options.LogFileName = MakeLogFile(dir, file);
    ScriptedPresenter boxes;
    boxes.answers = {answer};
    CDlgSetEnvironment dialog(options, false, boxes);
    dialog.ClearLogNow();

    QCOMPARE(TextsOf(boxes), messages);
    for (size_t i = 0; i < boxes.boxes.size(); ++i) {
        QCOMPARE(boxes.boxes[i].caption, u"ログファイルのクリア"_qs);
        QCOMPARE(boxes.boxes[i].icon, icons[qsizetype(i)]);
        QVERIFY(boxes.boxes[i].topMost);
    }
    if (messages.size() > 1 || answer == MessageAnswer::Cancel)
        QCOMPARE(boxes.boxes.front().buttons, MessageButtons::OkCancel);
    const QFileInfo info(options.LogFileName);
    QCOMPARE(info.exists(), file != u"missing");   // a missing log is not created
    QCOMPARE(info.isDir(), file == u"folder");
    if (info.isFile())
        QCOMPARE(ReadFile(options.LogFileName), contentAfter);
    QCOMPARE(dialog.findChild<QPushButton *>("clearLogNow")->isEnabled(), !contentAfter.isEmpty());
}

void TestDlgSetEnvironment::storageNoticeOnEveryClick()
{
    ScriptedPresenter boxes;
    boxes.answers = {MessageAnswer::Ok, MessageAnswer::Ok};
    CDlgSetEnvironment dialog(GlobalOptions(), false, boxes);
    Check(dialog, "useRegistry")->click();
    QVERIFY(dialog.UseRegistry());
    Check(dialog, "useRegistry")->click();
    QVERIFY(!dialog.UseRegistry());
    QCOMPARE(TextsOf(boxes),
             (QStringList{u"フォルダ設定がレジストリに行う設定に変更されます。\n\n現在設定されている内容はそのまま引き継がれます。"_qs,
                          u"フォルダ設定が INI ファイルに行う設定に変更されます。\n\n現在設定されている内容はそのまま引き継がれます。"_qs}));
    for (const MessageBoxRequest &box : boxes.boxes) {
        QCOMPARE(box.caption, u"フォルダ設定の保存先変更"_qs);
        QCOMPARE(box.icon, MessageIcon::Information);
        QCOMPARE(box.buttons, MessageButtons::Ok);
    }
}

void TestDlgSetEnvironment::browseDialogs_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<FileChooserRequest::Kind>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("extension");

    const QString logFilter = u"ログファイル(*.log)|*.log|すべてのファイル(*.*)|*.*|"_qs;
    const QString programFilter = u"プログラム(*.exe)|*.exe|すべてのファイル(*.*)|*.*|"_qs;
    QTest::newRow("log, chosen") << "browseLog" << "logFileName" << std::optional<QString>("/var/log/orvane/new.log")
                                 << FileChooserRequest::Kind::Save << u"ログファイルの指定"_qs << logFilter << "log";
    QTest::newRow("log, cancelled") << "browseLog" << "logFileName" << std::optional<QString>()
                                    << FileChooserRequest::Kind::Save << u"ログファイルの指定"_qs << logFilter << "log";
    QTest::newRow("tool, chosen") << "browseTool" << "compareToolPath" << std::optional<QString>("/usr/bin/kdiff3")
                                  << FileChooserRequest::Kind::Open << u"フォルダ比較ツールの指定"_qs << programFilter << "exe";
    QTest::newRow("tool, cancelled") << "browseTool" << "compareToolPath" << std::optional<QString>()
                                     << FileChooserRequest::Kind::Open << u"フォルダ比較ツールの指定"_qs << programFilter << "exe";
}

void TestDlgSetEnvironment::browseDialogs()
{
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(std::optional<QString>, answer);
    QFETCH(FileChooserRequest::Kind, kind);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    QFETCH(QString, extension);

    qputenv("ORVANE_TEST_HOME", "/home/tester");
    GlobalOptions options;
    options.OutputLog = true;
    options.LogFileName = QStringLiteral("%ORVANE_TEST_HOME%/backup.log");
    options.CompareToolPath = QStringLiteral("%ORVANE_TEST_HOME%/bin/meld");
    ScriptedPresenter boxes;
    ScriptedChooser chooser;
    chooser.answer = answer;
    CDlgSetEnvironment dialog(options, false, boxes);
    dialog.SetFileChooser(chooser);
    auto *text = dialog.findChild<QLineEdit *>(edit);
    const QString before = text->text();
    dialog.findChild<QPushButton *>(button)->click();

    QCOMPARE(chooser.requests.size(), size_t(1));
    const FileChooserRequest &request = chooser.requests.front();
    QCOMPARE(request.kind, kind);
    QCOMPARE(request.title, title);
    QCOMPARE(request.filter, filter);
    QCOMPARE(request.defaultExtension, extension);
    // The dialog starts from the name as it is expanded.
    QCOMPARE(request.initialPath, QString(before).replace(QStringLiteral("%ORVANE_TEST_HOME%"), QStringLiteral("/home/tester")));
    QCOMPARE(text->text(), answer ? *answer : QString(edit == u"logFileName" ? options.LogFileName : options.CompareToolPath));
    QVERIFY(boxes.boxes.empty());
    qunsetenv("ORVANE_TEST_HOME");
}

void TestDlgSetEnvironment::okHandsBackEveryValue()
{
    GlobalOptions options;
    options.DivideY = 321;
    ScriptedPresenter boxes;
    boxes.answers = {MessageAnswer::Ok};
    CDlgSetEnvironment dialog(options, false, boxes);
    for (const char *name : {"useRegistry", "minimizeOnTrayOnly", "autoExitWhenError", "outputLog", "writeLogImmediately",
                             "outputSkipLog", "outputErrorOnly", "clearLog"})
        Check(dialog, name)->click();
    dialog.findChild<QLineEdit *>("logFileName")->setText("/logs/a.log");
    dialog.findChild<QLineEdit *>("compareToolPath")->setText("kdiff3");
    dialog.findChild<QLineEdit *>("compareToolParam")->setText("%b %m");
    dialog.accept();

    GlobalOptions expected = options;
    expected.MinimizeOnTrayOnly = true;
    expected.AutoExitWhenError = true;
    expected.OutputLog = true;
    expected.WriteLogImmediately = true;
    expected.OutputErrorOnly = true;
    expected.OutputSkipLog = false;   // on by default
    expected.ClearLog = true;
    expected.LogFileName = "/logs/a.log";
    expected.CompareToolPath = "kdiff3";
    expected.CompareToolParam = "%b %m";
    QCOMPARE(dialog.Options(), expected);
    QVERIFY(dialog.UseRegistry());
}

void TestDlgSetEnvironment::droppedFileNamesTheLog()
{
    QTemporaryDir dir;
    const QString path = MakeLogFile(dir, "filled");
    GlobalOptions options;
    options.OutputLog = true;
    ScriptedPresenter boxes;
    CDlgSetEnvironment dialog(options, false, boxes);
    auto *edit = dialog.findChild<QLineEdit *>("logFileName");
    edit->setText("old text");

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(dir.filePath("second.log"))});
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &drop);
    QCOMPARE(edit->text(), path);   // the first item, in place of the whole text
    QVERIFY(dialog.findChild<QPushButton *>("clearLogNow")->isEnabled());

    // A link of a web page is no file: the text stays.
    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("https://example.org/a.log"))});
    QDropEvent linkDrop(QPointF(2, 2), Qt::CopyAction, &link, Qt::LeftButton, {});
    QApplication::sendEvent(edit, &linkDrop);
    QCOMPARE(edit->text(), path);
}

void TestDlgSetEnvironment::filterTexts_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QStringList>("nameFilters");
    QTest::addColumn<QString>("first");

    QTest::newRow("log file") << u"ログファイル(*.log)|*.log|すべてのファイル(*.*)|*.*|"_qs << "/logs/backup.log"
                              << QStringList{u"ログファイル(*.log)"_qs, u"すべてのファイル(*)"_qs} << u"ログファイル(*.log)"_qs;
    QTest::newRow("program without extension")
        << u"プログラム(*.exe)|*.exe|すべてのファイル(*.*)|*.*|"_qs << "/usr/bin/meld"
        << QStringList{u"プログラム(*.exe)"_qs, u"すべてのファイル(*)"_qs} << u"すべてのファイル(*)"_qs;
    QTest::newRow("nothing to start from") << u"プログラム(*.exe)|*.exe|すべてのファイル(*.*)|*.*|"_qs << ""
                                           << QStringList{u"プログラム(*.exe)"_qs, u"すべてのファイル(*)"_qs}
                                           << u"プログラム(*.exe)"_qs;
    QTest::newRow("text without its patterns") << "Texts|*.txt;*.md|" << "a.md" << QStringList{"Texts (*.txt *.md)"}
                                               << "Texts (*.txt *.md)";
}

void TestDlgSetEnvironment::filterTexts()
{
    QFETCH(QString, filter);
    QFETCH(QString, initial);
    QFETCH(QStringList, nameFilters);
    QFETCH(QString, first);
    QCOMPARE(CFileDialogChooser::NameFilters(filter), nameFilters);
    QCOMPARE(CFileDialogChooser::InitialFilter(nameFilters, initial), first);
}

QTEST_MAIN(TestDlgSetEnvironment)
#include "tst_dlgsetenvironment.moc"
