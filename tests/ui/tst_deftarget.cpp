#include "SheetTestSupport.h"
#include "ui/FileDropListBox.h"
#include "ui/dialogs/DlgAddDirectory.h"
#include "ui/dialogs/DlgAddFile.h"
#include "ui/dialogs/DlgDefMain.h"
#include "ui/dialogs/DlgDefTarget.h"
#include "ui/dialogs/DlgDefineSheet.h"
#include "ui/dialogs/NumberEdit.h"
#include "ui/FileDropEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

using ListMode = CDlgDefTarget::ListMode;
using ListModes = CDlgDefTarget::ListModes;

namespace {

const QString FolderGroup = QStringLiteral(u"フォルダ指定(&F)");
const QString FileGroup = QStringLiteral(u"ファイル指定(&I)");

// A mode radio of the folder or the file group; both groups use the same texts.
QRadioButton *ModeRadio(const QWidget *page, const QString &group, const QString &text)
{
    for (QGroupBox *box : page->findChildren<QGroupBox *>()) {
        if (box->title() == group)
            return Control<QRadioButton>(box, text);
    }
    return nullptr;
}

} // namespace

// The target page and its pattern dialogs.
class TestDefTarget : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void patternsJoinInReverse_data();
    void patternsJoinInReverse();
    void targetTypeRoundTrip_data();
    void targetTypeRoundTrip();
    void pageStoresListsAndModes_data();
    void pageStoresListsAndModes();
    void sinceLastRunWarnsOnEveryClick();
    void datePickerFollowsTheMode();
    void dateKeepsItsTimeOfDay_data();
    void dateKeepsItsTimeOfDay();
    void sizeGroupAndUnits_data();
    void sizeGroupAndUnits();
    void patternDialogOffersOkForAChangedText();
    void deleteRemovesEverySelectedEntry();
    void addAndEditThroughTheDialogs();
    void folderDropsAreRelativeToTheMaster();

private:
    std::unique_ptr<CDlgDefineSheet> OpenOnTarget(const CFolderSetting &source);
    static CFolderSetting OkAndWrite(CDlgDefineSheet &sheet);

    std::unique_ptr<ScriptedDesktop> m_desktop;
};

void TestDefTarget::init()
{
    m_desktop = std::make_unique<ScriptedDesktop>();
}

std::unique_ptr<CDlgDefineSheet> TestDefTarget::OpenOnTarget(const CFolderSetting &source)
{
    auto sheet = std::make_unique<CDlgDefineSheet>(QStringLiteral(u"フォルダ設定"), source, m_desktop->Services());
    sheet->show();
    sheet->Tabs()->setCurrentWidget(sheet->TargetPage());
    return sheet;
}

CFolderSetting TestDefTarget::OkAndWrite(CDlgDefineSheet &sheet)
{
    sheet.accept();
    CFolderSetting result;
    sheet.WriteResult(result);
    return result;
}

void TestDefTarget::patternsJoinInReverse_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("joined");
    QTest::newRow("three") << "b;a;c" << QStringList{"a", "b", "c"} << "c;b;a";
    QTest::newRow("empty pieces dropped") << ";x;;y;" << QStringList{"x", "y"} << "y;x";
    QTest::newRow("case aside") << "B;a;C" << QStringList{"a", "B", "C"} << "C;B;a";
    QTest::newRow("nothing") << "" << QStringList{} << "";
    QTest::newRow("only separators") << ";;" << QStringList{} << "";
}

void TestDefTarget::patternsJoinInReverse()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, entries);
    QFETCH(QString, joined);
    CFileDropListBox list;
    for (const QString &pattern : CDlgDefTarget::SplitPatterns(stored))
        list.AddEntry(pattern);
    QCOMPARE(list.Entries(), entries);
    QCOMPARE(CDlgDefTarget::JoinPatterns(list.Entries()), joined);
}

void TestDefTarget::targetTypeRoundTrip_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("folders");
    QTest::addColumn<int>("back");
    QTest::newRow("0") << 0 << int(ListMode::Include) << int(ListMode::Include) << 0;
    QTest::newRow("1") << 1 << int(ListMode::Ignore) << int(ListMode::Ignore) << 1;
    QTest::newRow("2") << 2 << int(ListMode::Include) << int(ListMode::Ignore) << 2;
    QTest::newRow("3") << 3 << int(ListMode::Ignore) << int(ListMode::Include) << 3;
    QTest::newRow("unknown reads as a run reads it") << 7 << int(ListMode::Ignore) << int(ListMode::Ignore) << 1;
    QTest::newRow("negative") << -1 << int(ListMode::Ignore) << int(ListMode::Ignore) << 1;
}

void TestDefTarget::targetTypeRoundTrip()
{
    QFETCH(int, stored);
    QFETCH(int, files);
    QFETCH(int, folders);
    QFETCH(int, back);
    const ListModes modes = CDlgDefTarget::ModesOfTargetType(stored);
    QCOMPARE(int(modes.files), files);
    QCOMPARE(int(modes.folders), folders);
    QCOMPARE(CDlgDefTarget::TargetTypeOf(modes), back);

    // The page shows the same and stores it back.
    CFolderSetting source;
    source.TargetType = stored;
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(source);
    const QStringList texts{QStringLiteral(u"処理対象"), QStringLiteral(u"無視対象")};
    QVERIFY(ModeRadio(sheet->TargetPage(), FolderGroup, texts.at(folders))->isChecked());
    QVERIFY(ModeRadio(sheet->TargetPage(), FileGroup, texts.at(files))->isChecked());
    QCOMPARE(OkAndWrite(*sheet).TargetType, back);
}

void TestDefTarget::pageStoresListsAndModes_data()
{
    QTest::addColumn<QString>("fileClick");     // radio of the file group to click, or empty
    QTest::addColumn<QString>("folderClick");
    QTest::addColumn<int>("type");
    const QString include = QStringLiteral(u"処理対象");
    const QString ignore = QStringLiteral(u"無視対象");
    QTest::newRow("unchanged") << "" << "" << 3;
    QTest::newRow("files include") << include << "" << 0;
    QTest::newRow("folders ignore") << "" << ignore << 1;
    QTest::newRow("files include, folders ignore") << include << ignore << 2;
}

void TestDefTarget::pageStoresListsAndModes()
{
    QFETCH(QString, fileClick);
    QFETCH(QString, folderClick);
    QFETCH(int, type);
    CFolderSetting source;
    source.TargetType = 3;
    source.TargetDirectory = QStringLiteral("b;a;c");
    source.TargetFile = QStringLiteral("*.txt;*.Doc");
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(source);
    CDlgDefTarget *page = sheet->TargetPage();
    QCOMPARE(page->FolderList()->Entries(), (QStringList{"a", "b", "c"}));
    QCOMPARE(page->FileList()->Entries(), (QStringList{"*.Doc", "*.txt"}));
    if (!folderClick.isEmpty())
        ModeRadio(page, FolderGroup, folderClick)->click();
    if (!fileClick.isEmpty())
        ModeRadio(page, FileGroup, fileClick)->click();
    const CFolderSetting result = OkAndWrite(*sheet);
    QCOMPARE(result.TargetDirectory, QStringLiteral("c;b;a"));
    QCOMPARE(result.TargetFile, QStringLiteral("*.txt;*.Doc"));
    QCOMPARE(result.TargetType, type);
}

void TestDefTarget::sinceLastRunWarnsOnEveryClick()
{
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(CFolderSetting());
    auto *sinceLastRun = Control<QRadioButton>(sheet->TargetPage(), QStringLiteral(u"前回のバックアップ以降に更新されたファイル"));
    sinceLastRun->click();
    sinceLastRun->click();
    QCOMPARE(m_desktop->messages.boxes.size(), size_t(2));
    const MessageBoxRequest &box = m_desktop->messages.boxes.back();
    QCOMPARE(box.caption, QStringLiteral(u"ターゲット指定"));
    QCOMPARE(box.icon, MessageIcon::Warning);
    QVERIFY(box.text.startsWith(QStringLiteral(u"このモードは、マスター側のファイルが前回のバックアップ\n開始時間")));
    QCOMPARE(OkAndWrite(*sheet).TargetDateType, 2);
}

void TestDefTarget::datePickerFollowsTheMode()
{
    CFolderSetting source;
    source.TargetDateType = 1;
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(source);
    CDlgDefTarget *page = sheet->TargetPage();
    auto *date = page->findChild<QDateEdit *>();
    QVERIFY(date->isEnabled());
    Control<QRadioButton>(page, QStringLiteral(u"すべてのファイル"))->click();
    QVERIFY(!date->isEnabled());
    Control<QRadioButton>(page, QStringLiteral(u"日付指定"))->click();
    QVERIFY(date->isEnabled());
    Control<QRadioButton>(page, QStringLiteral(u"前回のバックアップ以降に更新されたファイル"))->click();
    QVERIFY(!date->isEnabled());
    QVERIFY(m_desktop->messages.boxes.size() == 1);
}

void TestDefTarget::dateKeepsItsTimeOfDay_data()
{
    QTest::addColumn<QDateTime>("stored");
    QTest::addColumn<QDate>("chosen");
    QTest::addColumn<QDateTime>("expected");
    const QTime time(13, 45, 17);
    QTest::newRow("same day, same value") << QDateTime(QDate(2023, 3, 9), time) << QDate(2023, 3, 9)
                                          << QDateTime(QDate(2023, 3, 9), time);
    QTest::newRow("other day, same time") << QDateTime(QDate(2023, 3, 9), time) << QDate(2024, 12, 24)
                                          << QDateTime(QDate(2024, 12, 24), time);
    QTest::newRow("from never") << QDateTime::fromSecsSinceEpoch(0) << QDate(2020, 1, 2)
                                << QDateTime(QDate(2020, 1, 2), QDateTime::fromSecsSinceEpoch(0).time());
    QTest::newRow("after 2038") << QDateTime(QDate(2040, 6, 1), time) << QDate(2041, 6, 1)
                                << QDateTime(QDate(2041, 6, 1), time);
    QTest::newRow("past what can be stored") << QDateTime(QDate(2100, 1, 1), time) << QDate(2200, 1, 1)
                                             << QDateTime::fromSecsSinceEpoch(std::numeric_limits<quint32>::max());
}

void TestDefTarget::dateKeepsItsTimeOfDay()
{
    QFETCH(QDateTime, stored);
    QFETCH(QDate, chosen);
    QFETCH(QDateTime, expected);
    QCOMPARE(CDlgDefTarget::DayOfTargetDate(stored.toSecsSinceEpoch()), stored.date());
    QCOMPARE(CDlgDefTarget::WithDay(stored.toSecsSinceEpoch(), chosen), expected.toSecsSinceEpoch());

    // Through the page.
    CFolderSetting source;
    source.TargetDateType = 1;
    source.TargetDate = stored.toSecsSinceEpoch();
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(source);
    auto *date = sheet->TargetPage()->findChild<QDateEdit *>();
    QCOMPARE(date->date(), stored.date());
    date->setDate(chosen);
    const qint64 written = OkAndWrite(*sheet).TargetDate;
    QCOMPARE(QDateTime::fromSecsSinceEpoch(written).date(), date->date());
    if (chosen <= date->maximumDate())
        QCOMPARE(written, expected.toSecsSinceEpoch());
    QVERIFY(written >= 0 && written <= std::numeric_limits<quint32>::max());
}

void TestDefTarget::sizeGroupAndUnits_data()
{
    QTest::addColumn<bool>("skip");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<int>("choose");     // index picked, -1 none
    QTest::addColumn<int>("result");
    const QStringList four{QStringLiteral(u"バイト"), "KB", "MB", "GB"};
    QTest::newRow("MB kept") << true << 2 << four << -1 << 2;
    QTest::newRow("GB chosen") << true << 0 << four << 3 << 3;
    QTest::newRow("TB kept and shown") << true << 4 << (four + QStringList{"TB"}) << -1 << 4;
    QTest::newRow("TB changed to KB") << true << 4 << (four + QStringList{"TB"}) << 1 << 1;
    QTest::newRow("off keeps size and unit") << false << 3 << four << -1 << 3;
}

void TestDefTarget::sizeGroupAndUnits()
{
    QFETCH(bool, skip);
    QFETCH(int, unit);
    QFETCH(QStringList, units);
    QFETCH(int, choose);
    QFETCH(int, result);
    CFolderSetting source;
    source.SkipTargetFileSize = skip;
    source.TargetFileSize = 700;
    source.TargetFileSizeUnit = unit;
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(source);
    CDlgDefTarget *page = sheet->TargetPage();
    auto *unitList = Control<QComboBox>(page, QStringLiteral(u"単位"));
    auto *size = Control<CNumberEdit>(page, QStringLiteral(u"サイズ"));
    auto *skipBox = Control<QCheckBox>(page, QStringLiteral(u"指定サイズ以上のファイルをスキップ(&K)"));
    QStringList shown;
    for (int i = 0; i < unitList->count(); ++i)
        shown << unitList->itemText(i);
    QCOMPARE(shown, units);
    QCOMPARE(unitList->isEnabled(), skip);
    QCOMPARE(size->isEnabled(), skip);
    QCOMPARE(size->Text(), QStringLiteral("700"));
    skipBox->click();
    QCOMPARE(unitList->isEnabled(), !skip);
    skipBox->click();
    if (choose >= 0)
        unitList->setCurrentIndex(choose);
    const CFolderSetting written = OkAndWrite(*sheet);
    QCOMPARE(written.TargetFileSizeUnit, result);
    QCOMPARE(written.TargetFileSize, 700);
    QCOMPARE(written.SkipTargetFileSize, skip);
}

void TestDefTarget::patternDialogOffersOkForAChangedText()
{
    CDlgAddDirectory dialog;
    dialog.SetText(QStringLiteral("temp"));
    dialog.show();
    QVERIFY(!dialog.OkButton()->isEnabled());
    QCOMPARE(dialog.Edit()->text(), QStringLiteral("temp"));
    dialog.Edit()->setFocus();
    dialog.Edit()->end(false);
    QTest::keyClick(dialog.Edit(), Qt::Key_X);
    QVERIFY(dialog.OkButton()->isEnabled());
    QTest::keyClick(dialog.Edit(), Qt::Key_Backspace);
    QVERIFY(dialog.OkButton()->isEnabled());
    dialog.Edit()->clear();
    QVERIFY(!dialog.OkButton()->isEnabled());
    // Enter with OK disabled does not close the dialog.
    QTest::keyClick(dialog.Edit(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    CDlgAddFile files;
    files.SetText(QString());
    QVERIFY(!files.OkButton()->isEnabled());
    QVERIFY(files.Edit()->Drop().nameMode);
}

void TestDefTarget::deleteRemovesEverySelectedEntry()
{
    CFolderSetting source;
    source.TargetDirectory = QStringLiteral("a;b;c;d");
    source.TargetFile = QStringLiteral("x.txt");
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(source);
    CDlgDefTarget *page = sheet->TargetPage();
    CFileDropListBox *folders = page->FolderList();
    for (int row : {0, 2, 3})
        folders->item(row)->setSelected(true);
    Control<QPushButton>(page, QStringLiteral(u"削除(&D)"))->click();
    QCOMPARE(folders->Entries(), QStringList{"b"});
    Control<QPushButton>(page, QStringLiteral(u"削除(&L)"))->click();
    QCOMPARE(page->FileList()->count(), 1);   // nothing selected there
    const CFolderSetting result = OkAndWrite(*sheet);
    QCOMPARE(result.TargetDirectory, QStringLiteral("b"));
    QCOMPARE(result.TargetFile, QStringLiteral("x.txt"));
}

void TestDefTarget::addAndEditThroughTheDialogs()
{
    CFolderSetting source;
    source.Master = QStringLiteral("/srv/data/");
    source.TargetDirectory = QStringLiteral("m;z");
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(source);
    CDlgDefTarget *page = sheet->TargetPage();
    CFileDropListBox *folders = page->FolderList();

    // Add: the dialog opens empty with OK disabled, and the text lands in its sorted place.
    QString base;
    OnNextDialog<CDlgAddDirectory>([&base](CDlgAddDirectory *dialog) {
        QVERIFY(dialog->Text().isEmpty() && !dialog->OkButton()->isEnabled());
        base = dialog->Edit()->Drop().basePath;
        dialog->Edit()->setText(QStringLiteral("a/b"));
        dialog->OkButton()->click();
    });
    Control<QPushButton>(page, QStringLiteral(u"追加(&A)"))->click();
    QCOMPARE(folders->Entries(), (QStringList{"a/b", "m", "z"}));
    QCOMPARE(base, QStringLiteral("/srv/data"));

    // Edit by double-click: the entry is replaced and the new text lands in its sorted place.
    const QRect zRect = folders->visualItemRect(folders->item(2));
    QString opened;
    OnNextDialog<CDlgAddDirectory>([&opened](CDlgAddDirectory *dialog) {
        opened = dialog->Text();
        QVERIFY(!dialog->OkButton()->isEnabled());
        dialog->Edit()->setText(QStringLiteral("b"));
        dialog->OkButton()->click();
    });
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, Qt::NoModifier, zRect.center());
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, Qt::NoModifier, zRect.center());
    QCOMPARE(opened, QStringLiteral("z"));
    QCOMPARE(folders->Entries(), (QStringList{"a/b", "b", "m"}));

    // Edit with several selected: only the focused entry stays selected; cancelled, nothing changes.
    folders->setCurrentRow(1);
    folders->item(0)->setSelected(true);
    folders->item(2)->setSelected(true);
    QList<QListWidgetItem *> selectedDuringEdit;
    OnNextDialog<CDlgAddDirectory>([&selectedDuringEdit, folders](CDlgAddDirectory *dialog) {
        selectedDuringEdit = folders->selectedItems();
        dialog->Edit()->setText(QStringLiteral("zzz"));
        dialog->reject();
    });
    Control<QPushButton>(page, QStringLiteral(u"編集(&E)"))->click();
    QCOMPARE(selectedDuringEdit, QList<QListWidgetItem *>{folders->item(1)});
    QCOMPARE(folders->Entries(), (QStringList{"a/b", "b", "m"}));

    // Edit with no focused entry opens nothing.
    CFileDropListBox *files = page->FileList();
    QVERIFY(!files->currentItem());
    Control<QPushButton>(page, QStringLiteral(u"編集(&T)"))->click();   // returns at once, no dialog

    OnNextDialog<CDlgAddFile>([](CDlgAddFile *dialog) {
        dialog->Edit()->setText(QStringLiteral("*.tmp"));
        dialog->OkButton()->click();
    });
    Control<QPushButton>(page, QStringLiteral(u"追加(&P)"))->click();
    QCOMPARE(files->Entries(), QStringList{"*.tmp"});
    const CFolderSetting result = OkAndWrite(*sheet);
    QCOMPARE(result.TargetDirectory, QStringLiteral("m;b;a/b"));
    QCOMPARE(result.TargetFile, QStringLiteral("*.tmp"));
}

void TestDefTarget::folderDropsAreRelativeToTheMaster()
{
    CFolderSetting source;
    source.Master = QStringLiteral("/srv/first");
    const std::unique_ptr<CDlgDefineSheet> sheet = OpenOnTarget(source);
    CFileDropListBox *folders = sheet->TargetPage()->FolderList();
    QCOMPARE(folders->Drop().basePath, QStringLiteral("/srv/first"));
    QVERIFY(folders->Drop().folderMode && folders->Drop().relativeMode);
    QVERIFY(sheet->TargetPage()->FileList()->Drop().nameMode);

    // The master as the general page last gave it back.
    sheet->Tabs()->setCurrentWidget(sheet->MainPage());
    Control<QLineEdit>(sheet->MainPage(), QStringLiteral(u"マスター側(&M):"))->setText(QStringLiteral("/srv/second/"));
    sheet->Tabs()->setCurrentWidget(sheet->TargetPage());
    QCOMPARE(folders->Drop().basePath, QStringLiteral("/srv/second"));
}

QTEST_MAIN(TestDefTarget)
#include "tst_deftarget.moc"
