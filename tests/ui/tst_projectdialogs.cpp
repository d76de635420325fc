#include "ui/dialogs/DlgNameChange.h"
#include "ui/dialogs/DlgProjectCopy.h"
#include "ui/dialogs/DlgProjectEdit.h"

#include "StoredConfiguration.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

QList<int> SelectedRows(QListWidget *list)
{
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->isSelected())
            rows << row;
    }
    return rows;
}

void Select(QListWidget *list, const QList<int> &rows, int caret)
{
    list->clearSelection();
    for (int row : rows)
        list->item(row)->setSelected(true);
    list->selectionModel()->setCurrentIndex(list->model()->index(caret, 0), QItemSelectionModel::NoUpdate);
}

QStringList Names(const CProjectList &list)
{
    QStringList names;
    for (int p = 0; p < list.Count(); ++p)
        names << list.Name(p);
    return names;
}

QPushButton *Button(QWidget *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QString::fromLatin1(name));
}

// The project list dialog over a stored configuration of five projects with 1 to 5 settings.
struct ProjectDialog {
    StoredConfiguration stored{false, {1, 2, 3, 4, 5}};
    std::unique_ptr<CDlgProjectEdit> dialog;
    QStringList askedNames;   // "caption|name" of every name question

    explicit ProjectDialog(int active = 0)
    {
        dialog = std::make_unique<CDlgProjectEdit>(*stored.config, active, stored.boxes);
    }
    void AnswerNames(std::optional<QString> answer)
    {
        dialog->SetNameAsker([this, answer](const QString &caption, const QString &name) {
            askedNames << caption + u'|' + name;
            return answer;
        });
    }
    QListWidget *List() const { return dialog->List(); }
};

} // namespace

class TestProjectDialogs : public QObject {
    Q_OBJECT

private slots:
    void openingSelectsTheActiveProject();
    void buttonsFollowTheSelection();
    void moveButtonsMoveTheSelectedProjects_data();
    void moveButtonsMoveTheSelectedProjects();
    void deleteAsksOnceForSeveral_data();
    void deleteAsksOnceForSeveral();
    void addPutsTheNewProjectLast_data();
    void addPutsTheNewProjectLast();
    void addRefusesTheThousandAndFirst();
    void doubleClickRenamesThatProject();
    void copyOverwritesOrAppends_data();
    void copyOverwritesOrAppends();
    void cancelWritesNothing();
    void okWritesEveryProject();

    void nameDialogTakesTheTypedName_data();
    void nameDialogTakesTheTypedName();
    void copyDialogPreselectsTheNextProject_data();
    void copyDialogPreselectsTheNextProject();
    void copyDialogRefusesTheSourceItself();
    void copyDialogGivesDestinationAndMode();
    void enterCancelsTheCopyDialog();
};

void TestProjectDialogs::openingSelectsTheActiveProject()
{
    ProjectDialog d(3);
    QCOMPARE(d.List()->count(), 5);
    QCOMPARE(d.List()->item(0)->text(), QString("1: P0"));
    QCOMPARE(SelectedRows(d.List()), QList<int>{3});
    QCOMPARE(d.List()->currentRow(), 3);
    QCOMPARE(StoredConfiguration::Shape(d.dialog->Working()),
             (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0", "P3:4:P3/0", "P4:5:P4/0"}));
}

void TestProjectDialogs::buttonsFollowTheSelection()
{
    ProjectDialog d;
    const char *const selectionButtons[] = {"rename", "up", "down", "delete", "copy"};
    for (const char *name : selectionButtons)
        QVERIFY2(Button(d.dialog.get(), name)->isEnabled(), name);
    d.List()->clearSelection();
    for (const char *name : selectionButtons)
        QVERIFY2(!Button(d.dialog.get(), name)->isEnabled(), name);
    QVERIFY(Button(d.dialog.get(), "add")->isEnabled());
    d.List()->item(2)->setSelected(true);
    QVERIFY(Button(d.dialog.get(), "copy")->isEnabled());
}

void TestProjectDialogs::moveButtonsMoveTheSelectedProjects_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("selectedAfter");
    QTest::addColumn<int>("caretAfter");

    QTest::newRow("1, 2 and 4 up") << QList<int>{1, 2, 4} << 4 << "up" << QStringList{"P1", "P2", "P0", "P4", "P3"}
                                   << QList<int>{0, 1, 3} << 0;
    QTest::newRow("0 and 3 up") << QList<int>{0, 3} << 0 << "up" << QStringList{"P0", "P1", "P3", "P2", "P4"}
                                << QList<int>{0, 2} << 2;
    QTest::newRow("last down") << QList<int>{4} << 4 << "down" << QStringList{"P0", "P1", "P2", "P3", "P4"}
                               << QList<int>{4} << 4;
    QTest::newRow("first up keeps the caret") << QList<int>{0} << 0 << "up" << QStringList{"P0", "P1", "P2", "P3", "P4"}
                                              << QList<int>{0} << 0;
    QTest::newRow("nothing selected: the caret item") << QList<int>{} << 2 << "down"
                                                      << QStringList{"P0", "P1", "P3", "P2", "P4"} << QList<int>{3} << 2;
}

void TestProjectDialogs::moveButtonsMoveTheSelectedProjects()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, caret);
    QFETCH(QString, button);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, selectedAfter);
    QFETCH(int, caretAfter);

    ProjectDialog d;
    Select(d.List(), selected, caret);
    if (!selected.isEmpty())
        Button(d.dialog.get(), button.toLatin1().constData())->click();
    else
        d.dialog->Move(button == u"up" ? MoveDirection::Up : MoveDirection::Down);
    QCOMPARE(Names(d.dialog->Working()), names);
    QCOMPARE(SelectedRows(d.List()), selectedAfter);
    QCOMPARE(d.List()->currentRow(), caretAfter);
    // Each project takes its folder settings along.
    for (int p = 0; p < d.dialog->Working().Count(); ++p) {
        const QString name = d.dialog->Working().Name(p);
        QCOMPARE(d.dialog->Working().FolderSettings(p).front().Name, name + "/0");
        QCOMPARE(d.List()->item(p)->text(), QStringLiteral("%1: %2").arg(p + 1).arg(name));
    }
}

void TestProjectDialogs::deleteAsksOnceForSeveral_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("caret");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("selectedAfter");
    QTest::addColumn<int>("caretAfter");

    QTest::newRow("1 and 3 of five") << QList<int>{1, 3} << 3 << MessageAnswer::Yes << QStringList{"P0", "P2", "P4"}
                                     << QList<int>{1} << 1;
    QTest::newRow("answered no") << QList<int>{1, 3} << 3 << MessageAnswer::No
                                 << QStringList{"P0", "P1", "P2", "P3", "P4"} << QList<int>{1, 3} << 3;
    QTest::newRow("box closed") << QList<int>{2} << 2 << MessageAnswer::None
                                << QStringList{"P0", "P1", "P2", "P3", "P4"} << QList<int>{2} << 2;
    QTest::newRow("nothing selected: the caret item") << QList<int>{} << 2 << MessageAnswer::Yes
                                                      << QStringList{"P0", "P1", "P3", "P4"} << QList<int>{2} << 2;
    QTest::newRow("the last two") << QList<int>{3, 4} << 4 << MessageAnswer::Yes << QStringList{"P0", "P1", "P2"}
                                  << QList<int>{2} << 2;
    QTest::newRow("all") << QList<int>{0, 1, 2, 3, 4} << 0 << MessageAnswer::Yes << QStringList{} << QList<int>{} << -1;
}

void TestProjectDialogs::deleteAsksOnceForSeveral()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, caret);
    QFETCH(MessageAnswer, answer);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, selectedAfter);
    QFETCH(int, caretAfter);

    ProjectDialog d;
    Select(d.List(), selected, caret);
    d.stored.boxes.answers = {answer};
    d.dialog->DeleteSelected();
    QCOMPARE(d.stored.boxes.boxes.size(), size_t(1));
    const MessageBoxRequest &question = d.stored.boxes.boxes.front();
    QCOMPARE(question.text, u"選択されたプロジェクトを削除します。\nよろしいですか？"_qs);
    QCOMPARE(question.caption, u"プロジェクトの削除"_qs);
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QCOMPARE(question.icon, MessageIcon::Question);
    QCOMPARE(question.DefaultAnswer(), MessageAnswer::Yes);
    QCOMPARE(Names(d.dialog->Working()), names);
    QCOMPARE(SelectedRows(d.List()), selectedAfter);
    QCOMPARE(d.List()->currentRow(), caretAfter);
}

void TestProjectDialogs::addPutsTheNewProjectLast_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("named") << std::optional<QString>(QStringLiteral("Photos"))
                           << QStringList{"P0", "P1", "P2", "P3", "P4", "Photos"};
    QTest::newRow("cancelled") << std::optional<QString>() << QStringList{"P0", "P1", "P2", "P3", "P4"};
}

void TestProjectDialogs::addPutsTheNewProjectLast()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QStringList, names);

    ProjectDialog d(1);
    d.AnswerNames(answer);
    Button(d.dialog.get(), "add")->click();
    QCOMPARE(d.askedNames, QStringList{u"プロジェクトの追加|(名称未設定)"_qs});
    QCOMPARE(Names(d.dialog->Working()), names);
    QCOMPARE(d.dialog->Working().FolderSettingCount(d.dialog->Working().Count() - 1), answer ? 0 : 5);
    // The caret goes to the new project; the selection stays where it was.
    QCOMPARE(d.List()->currentRow(), answer ? 5 : 1);
    QCOMPARE(SelectedRows(d.List()), QList<int>{1});
}

void TestProjectDialogs::addRefusesTheThousandAndFirst()
{
    ProjectDialog d;
    d.AnswerNames(QStringLiteral("more"));
    CProjectList &working = const_cast<CProjectList &>(d.dialog->Working());
    while (working.Count() < CProjectList::MaxProjects)
        working.AddProject(QStringLiteral("filler"));
    d.dialog->Add();
    QVERIFY(d.askedNames.isEmpty());
    QCOMPARE(working.Count(), CProjectList::MaxProjects);
    QCOMPARE(d.stored.boxes.boxes.size(), size_t(1));
    QCOMPARE(d.stored.boxes.boxes.front().text, u"これ以上プロジェクトを追加できません。"_qs);
    QCOMPARE(d.stored.boxes.boxes.front().caption, u"プロジェクトの追加"_qs);
    QCOMPARE(d.stored.boxes.boxes.front().icon, MessageIcon::Warning);
}

void TestProjectDialogs::doubleClickRenamesThatProject()
{
    ProjectDialog d(0);
    d.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.dialog.get()));
    d.AnswerNames(QStringLiteral("Renamed"));
    Select(d.List(), {0, 1}, 0);
    const QRect rect = d.List()->visualItemRect(d.List()->item(2));
    QTest::mouseClick(d.List()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(d.List()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(d.askedNames, QStringList{"|P2"});
    QCOMPARE(Names(d.dialog->Working()), (QStringList{"P0", "P1", "Renamed", "P3", "P4"}));
    QCOMPARE(d.List()->item(2)->text(), QString("3: Renamed"));
    QCOMPARE(SelectedRows(d.List()), QList<int>{2});
    QCOMPARE(d.List()->currentRow(), 2);
    // Only the name changed.
    QCOMPARE(d.dialog->Working().FolderSettingCount(2), 3);
}

void TestProjectDialogs::copyOverwritesOrAppends_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<ProjectCopyMode>("mode");
    QTest::addColumn<QStringList>("shape");
    QTest::addColumn<int>("messages");

    QTest::newRow("overwrite") << 3 << ProjectCopyMode::Overwrite
                               << QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0", "P1:2:P1/0", "P4:5:P4/0"} << 1;
    QTest::newRow("append") << 3 << ProjectCopyMode::Append
                            << QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0", "P1:6:P3/0", "P4:5:P4/0"} << 1;
    QTest::newRow("onto itself") << 1 << ProjectCopyMode::Overwrite
                                 << QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0", "P3:4:P3/0", "P4:5:P4/0"} << 0;
}

void TestProjectDialogs::copyOverwritesOrAppends()
{
    QFETCH(int, destination);
    QFETCH(ProjectCopyMode, mode);
    QFETCH(QStringList, shape);
    QFETCH(int, messages);

    ProjectDialog d;
    Select(d.List(), {0, 1, 4}, 1);
    int source = -1;
    d.dialog->SetCopyAsker([&](const CProjectList &projects, int from) {
        source = from;
        // The copy dialog sees the source alone selected.
        [&] { QCOMPARE(SelectedRows(d.List()), QList<int>{1}); }();
        Q_UNUSED(projects);
        return std::optional(CDlgProjectEdit::CopyChoice{destination, mode});
    });
    Button(d.dialog.get(), "copy")->click();
    QCOMPARE(source, 1);
    QCOMPARE(StoredConfiguration::Shape(d.dialog->Working()), shape);
    QCOMPARE(int(d.stored.boxes.boxes.size()), messages);
    if (messages) {
        QCOMPARE(d.stored.boxes.boxes.front().text, u"プロジェクトをコピーしました。"_qs);
        QCOMPARE(d.stored.boxes.boxes.front().caption, u"プロジェクトのコピー"_qs);
        QCOMPARE(d.stored.boxes.boxes.front().icon, MessageIcon::Information);
    }
    QCOMPARE(d.List()->currentRow(), 1);
    QCOMPARE(d.List()->item(3)->text(), QStringLiteral("4: %1").arg(d.dialog->Working().Name(3)));
}

void TestProjectDialogs::cancelWritesNothing()
{
    ProjectDialog d(2);
    const QByteArray before = d.stored.StoredBytes();
    d.AnswerNames(QStringLiteral("new"));
    d.stored.boxes.answers = {MessageAnswer::Yes};
    d.dialog->Add();
    Select(d.List(), {0}, 0);
    d.dialog->DeleteSelected();
    Select(d.List(), {2}, 2);
    d.dialog->Move(MoveDirection::Up);
    d.dialog->Rename();
    d.dialog->reject();

    QCOMPARE(d.stored.StoredBytes(), before);
    QCOMPARE(Names(d.stored.config->Projects()), (QStringList{"P0", "P1", "P2", "P3", "P4"}));
    QCOMPARE(d.stored.StoredShape(*d.stored.config),
             (QStringList{"P0:1:P0/0", "P1:2:P1/0", "P2:3:P2/0", "P3:4:P3/0", "P4:5:P4/0"}));
}

void TestProjectDialogs::okWritesEveryProject()
{
    ProjectDialog d(2);
    d.stored.boxes.answers = {MessageAnswer::Yes};
    Select(d.List(), {0}, 0);
    d.dialog->DeleteSelected();
    Select(d.List(), {3}, 3);
    d.dialog->Move(MoveDirection::Up);
    d.dialog->accept();

    QVERIFY(d.dialog->Stored());
    QCOMPARE(d.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(Names(d.stored.config->Projects()), (QStringList{"P1", "P2", "P4", "P3"}));
    // What a later start finds, once the names are saved at the end of the program.
    QVERIFY(d.stored.config->SaveGlobalSettings());
    auto later = d.stored.Start();
    QCOMPARE(d.stored.StoredShape(*later), (QStringList{"P1:2:P1/0", "P2:3:P2/0", "P4:5:P4/0", "P3:4:P3/0"}));
}

void TestProjectDialogs::nameDialogTakesTheTypedName_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<std::optional<QString>>("typed");   // none: the text is left alone
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");

    const QString long70(70, u'x');
    QTest::newRow("typed") << "old" << "" << std::optional<QString>("new") << "new" << u"名称変更"_qs;
    QTest::newRow("emptied") << "old" << "" << std::optional<QString>("") << u"(名称未設定)"_qs << u"名称変更"_qs;
    QTest::newRow("typed beyond 64") << "" << u"プロジェクトの追加"_qs << std::optional<QString>(long70)
                                     << QString(64, u'x') << u"プロジェクトの追加"_qs;
    QTest::newRow("long stored name untouched") << long70 << "" << std::optional<QString>() << long70 << u"名称変更"_qs;
    QTest::newRow("empty given, untouched") << "" << "" << std::optional<QString>() << u"(名称未設定)"_qs << u"名称変更"_qs;
}

void TestProjectDialogs::nameDialogTakesTheTypedName()
{
    QFETCH(QString, given);
    QFETCH(QString, caption);
    QFETCH(std::optional<QString>, typed);
    QFETCH(QString, name);
    QFETCH(QString, title);

    CDlgNameChange dialog(given, caption);
    QCOMPARE(dialog.windowTitle(), title);
    auto *edit = dialog.findChild<QLineEdit *>("name");
    QCOMPARE(edit->maxLength(), 64);
    QCOMPARE(edit->selectedText(), edit->text());   // all selected, to be typed over
    if (typed) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, *typed);
    }
    dialog.accept();
    QCOMPARE(dialog.Name(), name);
}

void TestProjectDialogs::copyDialogPreselectsTheNextProject_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("preselected");
    QTest::newRow("first") << 0 << 1;
    QTest::newRow("middle") << 2 << 3;
    QTest::newRow("last") << 4 << 4;
}

void TestProjectDialogs::copyDialogPreselectsTheNextProject()
{
    QFETCH(int, source);
    QFETCH(int, preselected);
    StoredConfiguration stored(false, {1, 1, 1, 1, 1});
    CProjectList projects;
    stored.config->LoadAllProjects(projects);
    CDlgProjectCopy dialog(projects, source, stored.boxes);
    auto *destinations = dialog.findChild<QComboBox *>("destination");
    QCOMPARE(destinations->count(), 5);
    QCOMPARE(destinations->itemText(4), QString("5: P4"));
    QCOMPARE(destinations->currentIndex(), preselected);
    QCOMPARE(dialog.findChild<QLabel *>("source")->text(), QStringLiteral("%1: P%2").arg(source + 1).arg(source));
    QVERIFY(dialog.findChild<QRadioButton *>("overwrite")->isChecked());
    QCOMPARE(dialog.Destination(), -1);
}

void TestProjectDialogs::copyDialogRefusesTheSourceItself()
{
    StoredConfiguration stored(false, {1, 1, 1});
    CProjectList projects;
    stored.config->LoadAllProjects(projects);
    CDlgProjectCopy dialog(projects, 2, stored.boxes);
    dialog.open();
    Button(&dialog, "copy")->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.Destination(), -1);
    QCOMPARE(stored.boxes.boxes.size(), size_t(1));
    QCOMPARE(stored.boxes.boxes.front().text, u"コピー元とコピー先が同じです。"_qs);
    QCOMPARE(stored.boxes.boxes.front().caption, u"プロジェクトのコピー"_qs);
    QCOMPARE(stored.boxes.boxes.front().icon, MessageIcon::Error);
}

void TestProjectDialogs::copyDialogGivesDestinationAndMode()
{
    StoredConfiguration stored(false, {1, 1, 1});
    CProjectList projects;
    stored.config->LoadAllProjects(projects);
    CDlgProjectCopy dialog(projects, 2, stored.boxes);
    dialog.open();
    dialog.findChild<QComboBox *>("destination")->setCurrentIndex(0);
    dialog.findChild<QRadioButton *>("append")->setChecked(true);
    Button(&dialog, "copy")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Destination(), 0);
    QCOMPARE(dialog.Mode(), ProjectCopyMode::Append);
    QVERIFY(stored.boxes.boxes.empty());
}

void TestProjectDialogs::enterCancelsTheCopyDialog()
{
    StoredConfiguration stored(false, {1, 1, 1});
    CProjectList projects;
    stored.config->LoadAllProjects(projects);
    CDlgProjectCopy dialog(projects, 0, stored.boxes);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.Destination(), -1);
}

QTEST_MAIN(TestProjectDialogs)
#include "tst_projectdialogs.moc"
