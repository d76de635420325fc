#pragma once

#include <QString>

#include <span>

// Message boxes as the engine, the configuration and the windows ask for them, whoever shows
// the box: the windows with real boxes, the command line on the terminal or by itself, tests
// from a script.

enum class MessageButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo };
enum class MessageIcon { Error, Question, Warning, Information };
// None: the box could not be shown, or was closed without an answer.
enum class MessageAnswer { None, Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageBoxRequest {
    QString text;
    QString caption;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::Information;
    int defaultButton = 0;          // the button Enter presses, counted from the first
    bool topMost = true;
    MessageAnswer unattended = MessageAnswer::Ok;   // what counts when nobody can answer

    // The answers of the buttons, in the order they are shown.
    std::span<const MessageAnswer> Answers() const;
    MessageAnswer DefaultAnswer() const;
    // More than one button: the answer means something.
    bool Asks() const { return buttons != MessageButtons::Ok; }

    friend bool operator==(const MessageBoxRequest &, const MessageBoxRequest &) = default;
};

class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    virtual MessageAnswer ShowMessageBox(const MessageBoxRequest &request) = 0;
};
