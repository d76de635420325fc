#include "ui/MessageBoxes.h"

#include <QPushButton>
#include <QtTest>

// Boxes built from requests: the buttons in order, Enter's button, and what Esc answers.
class TestMessageBoxes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boxFollowsTheRequest_data();
    void boxFollowsTheRequest();
    void escapeAnswersTheUnattendedAnswer();
    void openedBoxStaysOnTop_data();
    void openedBoxStaysOnTop();
};

void TestMessageBoxes::boxFollowsTheRequest_data()
{
    QTest::addColumn<MessageBoxRequest>("request");
    QTest::addColumn<QList<int>>("buttons");
    QTest::addColumn<int>("enter");
    QTest::addColumn<int>("escape");
    QTest::newRow("retry box") << MessageBoxRequest{.buttons = MessageButtons::AbortRetryIgnore, .icon = MessageIcon::Error,
                                                    .unattended = MessageAnswer::Ignore}
                               << QList<int>{QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}
                               << int(QMessageBox::Abort) << int(QMessageBox::Ignore);
    QTest::newRow("first start, third default") << MessageBoxRequest{.buttons = MessageButtons::YesNoCancel,
                                                                     .icon = MessageIcon::Question, .defaultButton = 2,
                                                                     .unattended = MessageAnswer::Cancel}
                                                << QList<int>{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}
                                                << int(QMessageBox::Cancel) << int(QMessageBox::Cancel);
    QTest::newRow("notice") << MessageBoxRequest{} << QList<int>{QMessageBox::Ok} << int(QMessageBox::Ok)
                            << int(QMessageBox::Ok);
}

void TestMessageBoxes::boxFollowsTheRequest()
{
    QFETCH(MessageBoxRequest, request);
    QFETCH(QList<int>, buttons);
    QFETCH(int, enter);
    QFETCH(int, escape);
    std::unique_ptr<QMessageBox> box(CMessageBoxes::Create(request, nullptr));
    QList<int> shown;
    for (QAbstractButton *button : box->buttons())
        shown << int(box->standardButton(button));
    std::sort(shown.begin(), shown.end());
    std::sort(buttons.begin(), buttons.end());
    QCOMPARE(shown, buttons);
    QCOMPARE(int(box->standardButton(box->defaultButton())), enter);
    QCOMPARE(int(box->standardButton(box->escapeButton())), escape);
    QVERIFY(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void TestMessageBoxes::escapeAnswersTheUnattendedAnswer()
{
    const MessageBoxRequest request{.text = "x", .buttons = MessageButtons::AbortRetryIgnore,
                                    .unattended = MessageAnswer::Ignore};
    MessageAnswer answer = MessageAnswer::None;
    CMessageBoxes::Open(request, nullptr, [&](MessageAnswer given) { answer = given; });
    QTRY_VERIFY(QApplication::activeModalWidget() || !QApplication::topLevelWidgets().isEmpty());
    QMessageBox *box = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        box = box ? box : qobject_cast<QMessageBox *>(widget);
    QVERIFY(box);
    QTest::keyClick(box, Qt::Key_Escape);
    QTRY_COMPARE(answer, MessageAnswer::Ignore);
}

void TestMessageBoxes::openedBoxStaysOnTop_data()
{
    QTest::addColumn<bool>("topMost");
    QTest::newRow("top-most") << true;
    QTest::newRow("ordinary") << false;
}

void TestMessageBoxes::openedBoxStaysOnTop()
{
    QFETCH(bool, topMost);
    const MessageBoxRequest request{.text = "x", .buttons = MessageButtons::AbortRetryIgnore, .topMost = topMost,
                                    .unattended = MessageAnswer::Ignore};
    QMessageBox *box = CMessageBoxes::Open(request, nullptr, [](MessageAnswer) {});
    QCOMPARE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), topMost);
    QVERIFY(!box->isModal());
    box->button(QMessageBox::Ignore)->click();
}

QTEST_MAIN(TestMessageBoxes)
#include "tst_messageboxes.moc"
