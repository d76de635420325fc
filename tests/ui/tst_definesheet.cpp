#include "SheetTestSupport.h"
#include "TestSupport.h"
#include "model/FolderSettingField.h"
#include "ui/FileDropEdit.h"
#include "ui/dialogs/DlgDefLog.h"
#include "ui/dialogs/DlgDefMain.h"
#include "ui/dialogs/DlgDefMode.h"
#include "ui/dialogs/DlgDefSchedule.h"
#include "ui/dialogs/DlgDefTarget.h"
#include "ui/dialogs/DlgDefineSheet.h"
#include "ui/dialogs/NumberEdit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum Page { General, Mode, Target, Log, Schedule };

// The keys whose stored values differ, for a failure that says which.
QStringList DifferingKeys(const CFolderSetting &a, const CFolderSetting &b)
{
    QStringList keys;
    for (const FolderSettingField &field : FolderSettingField::All()) {
        const bool same = field.IsStoredAsText() ? field.StoredText(a) == field.StoredText(b)
                                                 : field.StoredInteger(a) == field.StoredInteger(b);
        if (!same)
            keys << field.Key().toString();
    }
    if (a.LastExec != b.LastExec)
        keys << QStringLiteral("LastExec (whole)");
    if (a.TargetDate != b.TargetDate)
        keys << QStringLiteral("TargetDate (whole)");
    return keys;
}

// Refuses writes to a file for as long as it lives: by its mode for an ordinary user, by the
// immutable attribute for root.
class UnwritableFile {
public:
    explicit UnwritableFile(const QString &path) : m_path(path)
    {
        const QString tool = ::geteuid() == 0 ? QStringLiteral("chattr") : QStringLiteral("chmod");
        const QString on = ::geteuid() == 0 ? QStringLiteral("+i") : QStringLiteral("a-w");
        QProcess::execute(tool, {on, path});
        QFile probe(path);
        m_active = !probe.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    ~UnwritableFile()
    {
        if (::geteuid() == 0)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        else
            QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("u+w"), m_path});
    }
    bool active() const { return m_active; }

private:
    QString m_path;
    bool m_active = false;
};

} // namespace

// The folder setting sheet: what goes in comes out, the number checks, and the rules of the
// general, behaviour, log and schedule pages.
class TestDefineSheet : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void unusualSettingIsOffEveryDefault();
    void okWritesWhatCameIn_data();
    void okWritesWhatCameIn();
    void editFolderSettingWritesOnlyOnOk_data();
    void editFolderSettingWritesOnlyOnOk();
    void editedFieldsReachTheResult();
    void numberChecks_data();
    void numberChecks();
    void checkedBoxGetsTheFocus();
    void pageNeverOpenedIsNotChecked();
    void volumeLabelRule_data();
    void volumeLabelRule();
    void browseForFolders_data();
    void browseForFolders();
    void modeEnablingAndDeleteLimit_data();
    void modeEnablingAndDeleteLimit();
    void logEnablingRules();
    void clearLogNow_data();
    void clearLogNow();
    void chooseLogFile();
    void scheduleRadios_data();
    void scheduleRadios();
    void mnemonicsAreUniquePerPage_data();
    void mnemonicsAreUniquePerPage();
    void tabOrderFollowsThePage_data();
    void tabOrderFollowsThePage();

private:
    std::unique_ptr<CDlgDefineSheet> Open(const CFolderSetting &source);
    // Makes the page the current one; false when the sheet kept another.
    bool Visit(CDlgDefineSheet &sheet, Page page);

    std::unique_ptr<ScriptedDesktop> m_desktop;
    QTemporaryDir m_dir;
};

void TestDefineSheet::init()
{
    m_desktop = std::make_unique<ScriptedDesktop>();
}

std::unique_ptr<CDlgDefineSheet> TestDefineSheet::Open(const CFolderSetting &source)
{
    auto sheet = std::make_unique<CDlgDefineSheet>(QStringLiteral(u"フォルダ設定"), source, m_desktop->Services());
    sheet->show();
    return sheet;
}

bool TestDefineSheet::Visit(CDlgDefineSheet &sheet, Page page)
{
    sheet.Tabs()->setCurrentIndex(page);
    return sheet.Tabs()->currentIndex() == page;
}

void TestDefineSheet::unusualSettingIsOffEveryDefault()
{
    const QStringList same = [] {
        QStringList keys;
        const CFolderSetting fresh;
        const CFolderSetting unusual = UnusualSetting();
        const QStringList differing = DifferingKeys(fresh, unusual);
        for (const FolderSettingField &field : FolderSettingField::All()) {
            if (!differing.contains(field.Key().toString()))
                keys << field.Key().toString();
        }
        return keys;
    }();
    QVERIFY2(same.isEmpty(), qPrintable(same.join(u' ')));
}

void TestDefineSheet::okWritesWhatCameIn_data()
{
    QTest::addColumn<QList<int>>("visits");
    QTest::newRow("only the first page") << QList<int>{};
    QTest::newRow("every page") << QList<int>{Mode, Target, Log, Schedule, General};
    QTest::newRow("every page, OK on the last") << QList<int>{Mode, Target, Log, Schedule, Mode, Target, Log, Schedule};
}

void TestDefineSheet::okWritesWhatCameIn()
{
    QFETCH(QList<int>, visits);
    const CFolderSetting source = UnusualSetting();
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    for (int page : visits)
        QVERIFY(Visit(*sheet, Page(page)));
    sheet->accept();
    QCOMPARE(sheet->result(), int(QDialog::Accepted));

    CFolderSetting result;
    result.Errors = 9;
    result.Target = QStringLiteral("MiXed Case");
    result.LastExec = 5;
    sheet->WriteResult(result);

    CFolderSetting expected = source;
    expected.Errors = 9;                              // the result's own
    expected.Target = QStringLiteral("mixed case");   // the result's own, in lower case
    QVERIFY2(DifferingKeys(result, expected).isEmpty(), qPrintable(DifferingKeys(result, expected).join(u' ')));
    QVERIFY(result == expected);
    QVERIFY(m_desktop->messages.boxes.empty());
    QVERIFY(m_desktop->labelQuestions.isEmpty());     // a label was there already
}

void TestDefineSheet::editFolderSettingWritesOnlyOnOk_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("sameRecord");
    QTest::newRow("cancel") << false << false;
    QTest::newRow("cancel, one record") << false << true;
    QTest::newRow("ok") << true << false;
    QTest::newRow("ok, one record") << true << true;
}

void TestDefineSheet::editFolderSettingWritesOnlyOnOk()
{
    QFETCH(bool, ok);
    QFETCH(bool, sameRecord);
    CFolderSetting source = UnusualSetting();
    CFolderSetting separate;
    separate.Name = QStringLiteral("untouched");
    CFolderSetting &result = sameRecord ? source : separate;
    const CFolderSetting before = result;

    OnNextDialog<CDlgDefineSheet>([ok](CDlgDefineSheet *sheet) {
        Control<QLineEdit>(sheet->MainPage(), QStringLiteral(u"名称(&N):"))->setText(QStringLiteral("changed"));
        if (ok)
            sheet->Buttons()->buttons().first()->click();
        else
            sheet->reject();
    });
    const bool accepted = CDlgDefineSheet::EditFolderSetting(nullptr, QStringLiteral(u"フォルダ設定"), source, result,
                                                             m_desktop->Services());
    QCOMPARE(accepted, ok);
    if (!ok) {
        QVERIFY(result == before);
        return;
    }
    QCOMPARE(result.Name, QStringLiteral("changed"));
    QCOMPARE(result.LastExec, UnusualSetting().LastExec);
    QCOMPARE(result.Master, UnusualSetting().Master);
}

// Each page's controls reach the result; a field the user changes is the only field that changes.
void TestDefineSheet::editedFieldsReachTheResult()
{
    const CFolderSetting source;
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    Control<QCheckBox>(sheet->MainPage(), QStringLiteral(u"自動バックアップの対象にする(&A)"))->click();
    QVERIFY(Visit(*sheet, Mode));
    Control<QCheckBox>(sheet->ModePage(), QStringLiteral(u"ファイルの作成日時もコピーする(&A)"))->click();
    Control<CNumberEdit>(sheet->ModePage(), QStringLiteral(u"±"))->SetText(QStringLiteral(" 999 "));
    QVERIFY(Visit(*sheet, Log));
    Control<QCheckBox>(sheet->LogPage(), QStringLiteral(u"専用でログファイルを指定する(&L)"))->click();
    Control<QLineEdit>(sheet->LogPage(), QStringLiteral(u"ファイル名(&F):"))->setText(QStringLiteral("/tmp/x.log"));
    QVERIFY(Visit(*sheet, Schedule));
    Control<QRadioButton>(sheet->SchedulePage(), QStringLiteral(u"1 日に 1 回だけ実行する"))->click();
    sheet->accept();
    QCOMPARE(sheet->result(), int(QDialog::Accepted));

    CFolderSetting result;
    sheet->WriteResult(result);
    CFolderSetting expected;
    expected.AutoExec = false;
    expected.CopyFileTimeAll = true;
    expected.LeaveTime = 999;
    expected.OutputLog = true;
    expected.LogFileName = QStringLiteral("/tmp/x.log");
    expected.ScheduleType = ScheduleKind::OncePerDay;
    QVERIFY2(result == expected, qPrintable(DifferingKeys(result, expected).join(u' ')));
}

void TestDefineSheet::numberChecks_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("governing");   // a check box that disables the box when cleared
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");     // empty: accepted
    const QString range999 = QStringLiteral(u"1 から 999 までの整数を入力してください。");
    const QString notInteger = QStringLiteral(u"整数を入力してください。");
    const QString tolerance = QStringLiteral(u"±");
    const QString ntfs = QStringLiteral(u"タイムスタンプの誤差対策を行う(NTFS=>FAT等)(&T)");
    QTest::newRow("tolerance 0") << int(Mode) << tolerance << "" << "0" << range999;
    QTest::newRow("tolerance 1") << int(Mode) << tolerance << "" << "1" << "";
    QTest::newRow("tolerance 999") << int(Mode) << tolerance << "" << "999" << "";
    QTest::newRow("tolerance 1000") << int(Mode) << tolerance << "" << "1000" << range999;
    QTest::newRow("tolerance abc") << int(Mode) << tolerance << "" << "abc" << notInteger;
    QTest::newRow("tolerance empty") << int(Mode) << tolerance << "" << "" << notInteger;
    QTest::newRow("tolerance beyond 32 bits") << int(Mode) << tolerance << "" << "4294967297" << notInteger;
    QTest::newRow("tolerance 0, box disabled") << int(Mode) << tolerance << ntfs << "0" << range999;
    QTest::newRow("retries 100") << int(Mode) << QStringLiteral(u"回") << "" << "100"
                                 << QStringLiteral(u"1 から 99 までの整数を入力してください。");
    QTest::newRow("retries 99, box disabled") << int(Mode) << QStringLiteral(u"回")
                                              << QStringLiteral(u"共有フォルダで存在チェックエラー発生時はリトライ(&Y)")
                                              << "99" << "";
    QTest::newRow("hours 0") << int(Schedule) << QStringLiteral(u"時間以上経過している場合") << "" << "0"
                             << QStringLiteral(u"1 から 240 までの整数を入力してください。");
    QTest::newRow("hours 240") << int(Schedule) << QStringLiteral(u"時間以上経過している場合") << "" << "240" << "";
    QTest::newRow("size beyond the arrows") << int(Target) << QStringLiteral(u"サイズ") << "" << "40000" << "";
    QTest::newRow("size abc") << int(Target) << QStringLiteral(u"サイズ") << "" << "abc" << notInteger;
}

void TestDefineSheet::numberChecks()
{
    QFETCH(int, page);
    QFETCH(QString, box);
    QFETCH(QString, governing);
    QFETCH(QString, text);
    QFETCH(QString, message);
    CFolderSetting source;
    source.ErrorNetPathRetry = true;
    source.ScheduleType = ScheduleKind::EveryHours;
    source.SkipTargetFileSize = true;
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QVERIFY(Visit(*sheet, Page(page)));
    QWidget *current = sheet->Tabs()->currentWidget();
    auto *number = Control<CNumberEdit>(current, box);
    QVERIFY(number);
    number->SetText(text);
    if (!governing.isEmpty()) {
        Control<QCheckBox>(current, governing)->click();
        QVERIFY(!number->isEnabled());
    }

    // Leaving the page for another tab.
    const bool left = Visit(*sheet, page == General ? Mode : General);
    QCOMPARE(left, message.isEmpty());
    QCOMPARE(m_desktop->MessageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(number->Text(), text);

    // OK on the page.
    m_desktop->messages.boxes.clear();
    if (!left) {
        sheet->accept();
        QCOMPARE(sheet->result(), int(QDialog::Rejected));
        QVERIFY(sheet->isVisible());
        QCOMPARE(m_desktop->MessageTexts(), QStringList{message});
    }
}

void TestDefineSheet::checkedBoxGetsTheFocus()
{
    CFolderSetting source;
    source.LeaveTime = 0;   // as a store may hold it
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QApplication::setActiveWindow(sheet.get());
    QVERIFY(QTest::qWaitForWindowActive(sheet.get()));
    QVERIFY(Visit(*sheet, Mode));
    auto *tolerance = Control<CNumberEdit>(sheet->ModePage(), QStringLiteral(u"±"));
    Control<QCheckBox>(sheet->ModePage(), QStringLiteral(u"サブフォルダを含めてバックアップする(&S)"))->setFocus();
    QVERIFY(!Visit(*sheet, Schedule));
    QCOMPARE(sheet->Tabs()->currentIndex(), int(Mode));
    QTRY_COMPARE(QApplication::focusWidget(), tolerance);
    QCOMPARE(m_desktop->messages.boxes.size(), size_t(1));
    QCOMPARE(m_desktop->messages.boxes.front().icon, MessageIcon::Warning);

    // Corrected, the page may be left and the sheet closed.
    tolerance->SetText(QStringLiteral("3"));
    QVERIFY(Visit(*sheet, Schedule));
    sheet->accept();
    CFolderSetting result;
    sheet->WriteResult(result);
    QCOMPARE(result.LeaveTime, 3);
}

void TestDefineSheet::pageNeverOpenedIsNotChecked()
{
    CFolderSetting source;
    source.LeaveTime = 0;
    source.NetPathRetryCount = 500;
    source.ScheduleTime = 0;
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QVERIFY(Visit(*sheet, Target));
    sheet->accept();
    QCOMPARE(sheet->result(), int(QDialog::Accepted));
    CFolderSetting result;
    sheet->WriteResult(result);
    QCOMPARE(result.LeaveTime, 0);
    QCOMPARE(result.NetPathRetryCount, 500);
    QCOMPARE(result.ScheduleTime, 0);
    QVERIFY(m_desktop->messages.boxes.empty());
}

void TestDefineSheet::volumeLabelRule_data()
{
    QTest::addColumn<bool>("check");
    QTest::addColumn<QString>("volume");
    QTest::addColumn<QString>("shown");        // the label box after the page opened
    QTest::addColumn<int>("questions");        // labels read when it opened
    QTest::newRow("check with an empty label reads it") << true << "" << "LABEL" << 1;
    QTest::newRow("check with a label keeps it") << true << "OLD" << "OLD" << 0;
    QTest::newRow("no check reads nothing") << false << "" << "" << 0;
}

void TestDefineSheet::volumeLabelRule()
{
    QFETCH(bool, check);
    QFETCH(QString, volume);
    QFETCH(QString, shown);
    QFETCH(int, questions);
    CFolderSetting source;
    source.CheckVolume = check;
    source.Volume = volume;
    source.Backup = QStringLiteral("/media/stick/backup");
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    CDlgDefMain *page = sheet->MainPage();
    auto *label = Control<QLineEdit>(page, QStringLiteral(u"ボリュームラベル(&V):"));
    auto *backup = Control<QLineEdit>(page, QStringLiteral(u"バックアップ側(&B):"));
    auto *checkBox = Control<QCheckBox>(page, QStringLiteral(u"バックアップ開始時にボリュームラベルをチェックする(&C)"));
    auto *read = Control<QPushButton>(page, QStringLiteral(u"取得(&G)"));
    QCOMPARE(label->text(), shown);
    QCOMPARE(m_desktop->labelQuestions.size(), qsizetype(questions));
    QCOMPARE(label->isEnabled(), check);
    QCOMPARE(read->isEnabled(), check);
    if (questions == 1)
        QCOMPARE(m_desktop->labelQuestions.first(), source.Backup);

    // Typing a folder reads the label again only while the box is empty.
    m_desktop->labelAnswer = QStringLiteral("OTHER");
    m_desktop->labelQuestions.clear();
    label->clear();
    backup->setText(QStringLiteral("/media/other"));
    QCOMPARE(label->text(), check ? QStringLiteral("OTHER") : QString());
    QCOMPARE(m_desktop->labelQuestions, check ? QStringList{"/media/other"} : QStringList());

    // Each click of the check box applies the rule; 取得 reads whatever the box holds.
    label->clear();
    checkBox->click();
    QCOMPARE(label->isEnabled(), !check);
    QCOMPARE(label->text(), check ? QString() : QStringLiteral("OTHER"));
    label->setText(QStringLiteral("typed"));
    if (read->isEnabled()) {
        read->click();
        QCOMPARE(label->text(), QStringLiteral("OTHER"));
    }
}

void TestDefineSheet::browseForFolders_data()
{
    QTest::addColumn<QString>("button");      // accessible name of the "..." button
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("after");
    const QString master = QStringLiteral(u"マスター側のフォルダを選択してください。");
    const QString backup = QStringLiteral(u"バックアップ側のフォルダを選択してください。");
    QTest::newRow("master, variables expanded, separator dropped")
        << master << QStringLiteral(u"マスター側(&M):") << "%ORVANE_TEST_HOME%/docs/" << "/home/tester/docs"
        << "/home/tester/chosen" << "/home/tester/chosen";
    QTest::newRow("backup, the root stays") << backup << QStringLiteral(u"バックアップ側(&B):") << "/" << "/"
                                            << "/mnt" << "/mnt";
    QTest::newRow("cancelled, the text stays") << backup << QStringLiteral(u"バックアップ側(&B):") << "/srv/b" << "/srv/b"
                                               << "" << "/srv/b";
}

void TestDefineSheet::browseForFolders()
{
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(QString, start);
    QFETCH(QString, answer);
    QFETCH(QString, after);
    qputenv("ORVANE_TEST_HOME", "/home/tester");
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(CFolderSetting());
    auto *box = Control<QLineEdit>(sheet->MainPage(), edit);
    box->setText(typed);
    m_desktop->folderAnswer = answer;
    Control<QPushButton>(sheet->MainPage(), button)->click();
    QCOMPARE(m_desktop->folderQuestions, QStringList{button + u'|' + start});
    QCOMPARE(box->text(), after);
}

void TestDefineSheet::modeEnablingAndDeleteLimit_data()
{
    QTest::addColumn<bool>("mirroring");
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("tick");          // click the limit box once
    QTest::addColumn<int>("typed");          // spin value set afterwards, 0 for none
    QTest::addColumn<bool>("spinEnabled");
    QTest::addColumn<int>("result");
    QTest::newRow("off stays off") << true << 0 << false << 0 << false << 0;
    QTest::newRow("off, ticked, offers a limit") << true << 0 << true << 0 << true << int(CDlgDefMode::SuggestedDeleteLimit);
    QTest::newRow("off, ticked, 25") << true << 0 << true << 25 << true << 25;
    QTest::newRow("40 kept") << true << 40 << false << 0 << true << 40;
    QTest::newRow("40 unticked is off") << true << 40 << true << 0 << false << 0;
    QTest::newRow("no mirroring keeps the limit") << false << 40 << false << 0 << false << 40;
}

void TestDefineSheet::modeEnablingAndDeleteLimit()
{
    QFETCH(bool, mirroring);
    QFETCH(int, stored);
    QFETCH(bool, tick);
    QFETCH(int, typed);
    QFETCH(bool, spinEnabled);
    QFETCH(int, result);
    CFolderSetting source;
    source.Mirroring = mirroring;
    source.DeleteLimit = stored;
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QVERIFY(Visit(*sheet, Mode));
    CDlgDefMode *page = sheet->ModePage();
    auto *limit = Control<QCheckBox>(page, QStringLiteral(u"削除の上限を設定する(&L)"));
    auto *spin = Control<QSpinBox>(page, QStringLiteral(u"% を超えて削除する場合は中止する"));
    QVERIFY(limit && spin);
    QCOMPARE(limit->isEnabled(), mirroring);
    QCOMPARE(Control<QCheckBox>(page, QStringLiteral(u"可能ならごみ箱を使用する(&B)"))->isEnabled(), mirroring);
    if (tick)
        limit->click();
    if (typed)
        spin->setValue(typed);
    QCOMPARE(spin->isEnabled(), spinEnabled);
    QCOMPARE(spin->minimum(), 1);
    QCOMPARE(spin->maximum(), 100);

    // The tolerance and retry boxes follow their own check boxes.
    auto *ntfs = Control<QCheckBox>(page, QStringLiteral(u"タイムスタンプの誤差対策を行う(NTFS=>FAT等)(&T)"));
    auto *tolerance = Control<CNumberEdit>(page, QStringLiteral(u"±"));
    QCOMPARE(tolerance->isEnabled(), ntfs->isChecked());
    ntfs->click();
    QCOMPARE(tolerance->isEnabled(), ntfs->isChecked());

    sheet->accept();
    CFolderSetting written;
    sheet->WriteResult(written);
    QCOMPARE(written.DeleteLimit, result);
}

void TestDefineSheet::logEnablingRules()
{
    QVERIFY(m_dir.isValid());
    const QString full = m_dir.filePath("full.log");
    const QString empty = m_dir.filePath("empty.log");
    QVERIFY(testsupport::WriteFile(full, "line\r\n"));
    QVERIFY(testsupport::WriteFile(empty, ""));
    CFolderSetting source;
    source.OutputLog = false;
    source.LogFileName = empty;
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QVERIFY(Visit(*sheet, Log));
    CDlgDefLog *page = sheet->LogPage();
    auto *own = Control<QCheckBox>(page, QStringLiteral(u"専用でログファイルを指定する(&L)"));
    auto *name = Control<CFileDropEdit>(page, QStringLiteral(u"ファイル名(&F):"));
    auto *errorsOnly = Control<QCheckBox>(page, QStringLiteral(u"エラーログのみ出力(&E)"));
    auto *skipped = Control<QCheckBox>(page, QStringLiteral(u"スキップログを出力(&S)"));
    auto *clearNow = Control<QPushButton>(page, QStringLiteral(u"今すぐログをクリア(&N)"));
    QVERIFY(own && name && errorsOnly && skipped && clearNow);

    QVERIFY(!name->isEnabled() && !errorsOnly->isEnabled() && !skipped->isEnabled() && !clearNow->isEnabled());
    own->click();
    QVERIFY(name->isEnabled() && errorsOnly->isEnabled() && skipped->isEnabled());
    QVERIFY2(!clearNow->isEnabled(), "an empty log");

    // Errors only disables the skip log without changing its tick.
    const bool skipTick = skipped->isChecked();
    errorsOnly->click();
    QVERIFY(!skipped->isEnabled());
    QCOMPARE(skipped->isChecked(), skipTick);
    errorsOnly->click();
    QVERIFY(skipped->isEnabled());

    // A typed name counts when the box loses the focus.
    name->setText(full);
    QVERIFY(!clearNow->isEnabled());
    Q_EMIT name->FocusLeft();
    QVERIFY(clearNow->isEnabled());
    name->setText(m_dir.filePath("missing.log"));
    Q_EMIT name->FocusLeft();
    QVERIFY(!clearNow->isEnabled());
    name->setText(m_dir.path());
    Q_EMIT name->FocusLeft();
    QVERIFY2(!clearNow->isEnabled(), "a folder is no log file");
}

void TestDefineSheet::clearLogNow_data()
{
    QTest::addColumn<QString>("file");       // "missing", "full" or "unwritable"
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("left");    // what the file holds afterwards
    QTest::newRow("full") << "full" << QStringLiteral(u"ログファイルをクリアしました。") << QByteArray();
    QTest::newRow("missing") << "missing" << QStringLiteral(u"ログファイルが見つかりませんでした。") << QByteArray();
    QTest::newRow("unwritable") << "unwritable" << QStringLiteral(u"ログファイルのクリアに失敗しました。")
                                << QByteArray("kept\r\n");
}

void TestDefineSheet::clearLogNow()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    QFETCH(QByteArray, left);
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(file + QStringLiteral(".log"));
    if (file != u"missing")
        QVERIFY(testsupport::WriteFile(path, file == u"full" ? "line\r\n" : "kept\r\n"));
    std::unique_ptr<UnwritableFile> guard;
    if (file == u"unwritable") {
        guard = std::make_unique<UnwritableFile>(path);
        if (!guard->active())
            QSKIP("no way to refuse writes to a file here");
    }
    qputenv("ORVANE_TEST_LOGS", m_dir.path().toUtf8());
    CFolderSetting source;
    source.OutputLog = true;
    source.LogFileName = QStringLiteral("%ORVANE_TEST_LOGS%/") + file + QStringLiteral(".log");
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QVERIFY(Visit(*sheet, Log));
    auto *clearNow = Control<QPushButton>(sheet->LogPage(), QStringLiteral(u"今すぐログをクリア(&N)"));
    QCOMPARE(clearNow->isEnabled(), file != u"missing");
    clearNow->setEnabled(true);   // as if the file vanished after the button was enabled
    clearNow->click();
    QCOMPARE(m_desktop->MessageTexts(), QStringList{message});
    const MessageBoxRequest &box = m_desktop->messages.boxes.front();
    QCOMPARE(box.caption, QStringLiteral(u"ログファイルのクリア"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY(box.topMost);
    QCOMPARE(QFileInfo::exists(path), file != u"missing");
    if (file != u"missing")
        QCOMPARE(testsupport::ReadFile(path), left);
    QCOMPARE(clearNow->isEnabled(), !left.isEmpty());

    // Cancel afterwards: the setting is unchanged, the file stays as it was left.
    sheet->reject();
    if (file != u"missing")
        QCOMPARE(testsupport::ReadFile(path), left);
}

void TestDefineSheet::chooseLogFile()
{
    qputenv("ORVANE_TEST_LOGS", "/var/tmp");
    CFolderSetting source;
    source.OutputLog = true;
    source.LogFileName = QStringLiteral("%ORVANE_TEST_LOGS%/a.log");
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QVERIFY(Visit(*sheet, Log));
    auto *name = Control<QLineEdit>(sheet->LogPage(), QStringLiteral(u"ファイル名(&F):"));
    auto *browse = Control<QPushButton>(sheet->LogPage(), QStringLiteral(u"ログファイルの指定"));

    m_desktop->saveAnswer = QString();
    browse->click();
    QCOMPARE(name->text(), source.LogFileName);
    QCOMPARE(m_desktop->saveQuestions.size(), qsizetype(1));
    const SaveFileRequest asked = m_desktop->saveQuestions.first();
    QCOMPARE(asked.title, QStringLiteral(u"ログファイルの指定"));
    QCOMPARE(asked.nameFilters, (QStringList{QStringLiteral(u"ログファイル(*.log)"), QStringLiteral(u"すべてのファイル(*)")}));
    QCOMPARE(asked.defaultSuffix, QStringLiteral("log"));
    QCOMPARE(asked.initialPath, QStringLiteral("/var/tmp/a.log"));

    m_desktop->saveAnswer = QStringLiteral("/var/tmp/b.log");
    browse->click();
    QCOMPARE(name->text(), QStringLiteral("/var/tmp/b.log"));
}

void TestDefineSheet::scheduleRadios_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("click");     // radio clicked, or empty
    QTest::addColumn<bool>("hoursEnabled");
    QTest::addColumn<int>("result");
    QTest::newRow("every hours") << 2 << "" << true << 2;
    QTest::newRow("every hours, then every time") << 2 << QStringLiteral(u"毎回実行する") << false << 0;
    QTest::newRow("daily, then hours") << 1 << QStringLiteral(u"前回の実行から") << true << 2;
    QTest::newRow("unknown type shows no choice and stays") << 7 << "" << false << 7;
}

void TestDefineSheet::scheduleRadios()
{
    QFETCH(int, stored);
    QFETCH(QString, click);
    QFETCH(bool, hoursEnabled);
    QFETCH(int, result);
    CFolderSetting source;
    source.ScheduleType = ScheduleKind(stored);
    source.ScheduleTime = 12;
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QVERIFY(Visit(*sheet, Schedule));
    CDlgDefSchedule *page = sheet->SchedulePage();
    if (stored > 2) {
        for (QRadioButton *radio : page->findChildren<QRadioButton *>())
            QVERIFY(!radio->isChecked());
    }
    if (!click.isEmpty())
        Control<QRadioButton>(page, click)->click();
    auto *hours = Control<CNumberEdit>(page, QStringLiteral(u"時間以上経過している場合"));
    QCOMPARE(hours->isEnabled(), hoursEnabled);
    QCOMPARE(hours->Text(), QStringLiteral("12"));
    sheet->accept();
    CFolderSetting written;
    sheet->WriteResult(written);
    QCOMPARE(int(written.ScheduleType), result);
    QCOMPARE(written.ScheduleTime, 12);
}

void TestDefineSheet::mnemonicsAreUniquePerPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("count");   // how many controls carry a mnemonic
    QTest::newRow("general") << int(General) << 8;
    QTest::newRow("mode") << int(Mode) << 16;
    QTest::newRow("target") << int(Target) << 11;
    QTest::newRow("log") << int(Log) << 7;
    QTest::newRow("schedule") << int(Schedule) << 1;
}

void TestDefineSheet::mnemonicsAreUniquePerPage()
{
    QFETCH(int, page);
    QFETCH(int, count);
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(CFolderSetting());
    QWidget *widget = sheet->Tabs()->widget(page);
    QStringList texts;
    for (QAbstractButton *button : widget->findChildren<QAbstractButton *>())
        texts << button->text();
    for (QLabel *label : widget->findChildren<QLabel *>())
        texts << label->text();
    for (QGroupBox *group : widget->findChildren<QGroupBox *>())
        texts << group->title();
    QStringList letters;
    for (const QString &text : texts) {
        const qsizetype at = text.indexOf(u'&');
        if (at >= 0 && at + 1 < text.size())
            letters << text.at(at + 1).toUpper();
    }
    QCOMPARE(letters.size(), qsizetype(count));
    QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), qsizetype(count));
}

void TestDefineSheet::tabOrderFollowsThePage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("order");   // the text, label or accessible name of each control
    QTest::newRow("general") << int(General)
                             << QStringList{QStringLiteral(u"名称(&N):"), QStringLiteral(u"マスター側(&M):"),
                                            QStringLiteral(u"マスター側のフォルダを選択してください。"),
                                            QStringLiteral(u"バックアップ側(&B):"),
                                            QStringLiteral(u"バックアップ側のフォルダを選択してください。"),
                                            QStringLiteral(u"バックアップ開始時にボリュームラベルをチェックする(&C)"),
                                            QStringLiteral(u"ボリュームラベル(&V):"), QStringLiteral(u"取得(&G)"),
                                            QStringLiteral(u"一致しない場合はこのフォルダ設定をスキップ(&S)"),
                                            QStringLiteral(u"自動バックアップの対象にする(&A)")};
    QTest::newRow("log") << int(Log)
                         << QStringList{QStringLiteral(u"専用でログファイルを指定する(&L)"), QStringLiteral(u"ファイル名(&F):"),
                                        QStringLiteral(u"ログファイルの指定"), QStringLiteral(u"ログをすぐに書き込む(&I)"),
                                        QStringLiteral(u"エラーログのみ出力(&E)"), QStringLiteral(u"スキップログを出力(&S)"),
                                        QStringLiteral(u"バックアップ毎にログをクリア(&C)"),
                                        QStringLiteral(u"今すぐログをクリア(&N)")};
}

// Tab walks the controls in the order the page shows them.
void TestDefineSheet::tabOrderFollowsThePage()
{
    QFETCH(int, page);
    QFETCH(QStringList, order);
    CFolderSetting source;
    source.OutputLog = true;
    source.CheckVolume = true;
    source.LogFileName = m_dir.filePath("x.log");
    QVERIFY(testsupport::WriteFile(source.LogFileName, "x"));
    const std::unique_ptr<CDlgDefineSheet> sheet = Open(source);
    QVERIFY(Visit(*sheet, Page(page)));
    QWidget *pageWidget = sheet->Tabs()->currentWidget();
    QList<QWidget *> expected;
    for (const QString &text : order) {
        QWidget *control = Control<QWidget>(pageWidget, text);
        QVERIFY2(control, qPrintable(text));
        expected << control;
    }
    QList<QWidget *> walked;
    QWidget *widget = expected.first();
    do {
        if (pageWidget->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled())
            walked << widget;
        widget = widget->nextInFocusChain();
    } while (widget != expected.first());
    QCOMPARE(walked, expected);
}

QTEST_MAIN(TestDefineSheet)
#include "tst_definesheet.moc"
