#pragma once

#include "platform/MessageBox.h"

#include <QMessageBox>

#include <functional>

class QWidget;

// Message boxes as real windows: the buttons, icon, default button and top-most flag of the
// request. Shown modally on the interface thread for the configuration and start-up; opened
// without blocking that thread for a run's worker, which waits for the answer instead.
class CMessageBoxes : public MessageBoxPresenter {
public:
    explicit CMessageBoxes(QWidget *parent = nullptr);
    ~CMessageBoxes() override;

    MessageAnswer ShowMessageBox(const MessageBoxRequest &request) override;

    // A box for the request, not yet shown. Closing it without a button (Esc where the box has
    // no Cancel, the window manager's close) answers request.unattended.
    static QMessageBox *Create(const MessageBoxRequest &request, QWidget *parent);
    // Opens the box without blocking; done receives the answer once, and the box deletes itself
    // when it closes. Closing it without a button answers request.unattended.
    static QMessageBox *Open(const MessageBoxRequest &request, QWidget *parent, std::function<void(MessageAnswer)> done);
    static MessageAnswer AnswerOf(int standardButton, const MessageBoxRequest &request);

private:
    QWidget *m_parent;
};
