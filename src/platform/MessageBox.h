#pragma once

#include <QString>

// Message boxes keep the numeric vocabulary of box types and answers, so the engine, the
// configuration and the windows speak of them the same way whoever shows the box.
namespace mb {

// Buttons
inline constexpr int Ok = 0x0;
inline constexpr int OkCancel = 0x1;
inline constexpr int AbortRetryIgnore = 0x2;
inline constexpr int YesNoCancel = 0x3;
inline constexpr int YesNo = 0x4;
inline constexpr int ButtonMask = 0xF;
// Icons
inline constexpr int IconError = 0x10;
inline constexpr int IconQuestion = 0x20;
inline constexpr int IconExclamation = 0x30;
inline constexpr int IconInformation = 0x40;
inline constexpr int IconMask = 0xF0;
// Default button
inline constexpr int DefaultButton2 = 0x100;
inline constexpr int DefaultButton3 = 0x200;
inline constexpr int DefaultButtonMask = 0xF00;
inline constexpr int TopMost = 0x40000;

// Answers; 0 means the box could not be shown.
inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
inline constexpr int IdAbort = 3;
inline constexpr int IdRetry = 4;
inline constexpr int IdIgnore = 5;
inline constexpr int IdYes = 6;
inline constexpr int IdNo = 7;

} // namespace mb

// Shows a message box and returns the answer. The windows implement it with real boxes, the
// command line answers by itself or asks on the terminal, and tests answer from a script.
class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    virtual int ShowMessageBox(const QString &text, const QString &caption, int type) = 0;
};
