#include "ui/MessageBoxes.h"

#include <QPushButton>

#include <array>

namespace {

struct AnswerButton {
    MessageAnswer answer;
    QMessageBox::StandardButton button;
};

constexpr std::array AnswerButtons{
    AnswerButton{MessageAnswer::Ok, QMessageBox::Ok},
    AnswerButton{MessageAnswer::Cancel, QMessageBox::Cancel},
    AnswerButton{MessageAnswer::Abort, QMessageBox::Abort},
    AnswerButton{MessageAnswer::Retry, QMessageBox::Retry},
    AnswerButton{MessageAnswer::Ignore, QMessageBox::Ignore},
    AnswerButton{MessageAnswer::Yes, QMessageBox::Yes},
    AnswerButton{MessageAnswer::No, QMessageBox::No},
};

QMessageBox::StandardButton ButtonOf(MessageAnswer answer)
{
    for (const AnswerButton &entry : AnswerButtons) {
        if (entry.answer == answer)
            return entry.button;
    }
    return QMessageBox::NoButton;
}

QMessageBox::Icon IconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: break;
    }
    return QMessageBox::Information;
}

} // namespace

CMessageBoxes::CMessageBoxes(QWidget *parent) : m_parent(parent) {}

CMessageBoxes::~CMessageBoxes() = default;

QMessageBox *CMessageBoxes::Create(const MessageBoxRequest &request, QWidget *parent)
{
    auto *box = new QMessageBox(IconOf(request.icon), request.caption, request.text, QMessageBox::NoButton, parent);
    for (const MessageAnswer answer : request.Answers())
        box->addButton(ButtonOf(answer));
    box->setDefaultButton(ButtonOf(request.DefaultAnswer()));
    // Esc and the close box answer what counts when nobody answers, whatever the buttons are.
    if (QAbstractButton *escape = box->button(ButtonOf(request.unattended)))
        box->setEscapeButton(escape);
    if (request.topMost)
        box->setWindowFlag(Qt::WindowStaysOnTopHint);
    return box;
}

MessageAnswer CMessageBoxes::AnswerOf(int standardButton, const MessageBoxRequest &request)
{
    for (const AnswerButton &entry : AnswerButtons) {
        if (entry.button == standardButton)
            return entry.answer;
    }
    return request.unattended;
}

MessageAnswer CMessageBoxes::ShowMessageBox(const MessageBoxRequest &request)
{
    QMessageBox *box = Create(request, m_parent);
    const int button = box->exec();
    delete box;
    return AnswerOf(button, request);
}

QMessageBox *CMessageBoxes::Open(const MessageBoxRequest &request, QWidget *parent, std::function<void(MessageAnswer)> done)
{
    QMessageBox *box = Create(request, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // QMessageBox makes itself a plain dialog again when its modality is set: top-most after.
    box->setWindowModality(Qt::NonModal);
    if (request.topMost)
        box->setWindowFlag(Qt::WindowStaysOnTopHint);
    QObject::connect(box, &QMessageBox::finished, box, [box, request, done = std::move(done)](int) {
        done(AnswerOf(box->standardButton(box->clickedButton()), request));
    });
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}
