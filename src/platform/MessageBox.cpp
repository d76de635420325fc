#include "platform/MessageBox.h"

#include <array>

namespace {

using A = MessageAnswer;
constexpr std::array<A, 1> OkAnswers{A::Ok};
constexpr std::array<A, 2> OkCancelAnswers{A::Ok, A::Cancel};
constexpr std::array<A, 3> AbortRetryIgnoreAnswers{A::Abort, A::Retry, A::Ignore};
constexpr std::array<A, 3> YesNoCancelAnswers{A::Yes, A::No, A::Cancel};
constexpr std::array<A, 2> YesNoAnswers{A::Yes, A::No};

} // namespace

std::span<const MessageAnswer> MessageBoxRequest::Answers() const
{
    switch (buttons) {
    case MessageButtons::OkCancel: return OkCancelAnswers;
    case MessageButtons::AbortRetryIgnore: return AbortRetryIgnoreAnswers;
    case MessageButtons::YesNoCancel: return YesNoCancelAnswers;
    case MessageButtons::YesNo: return YesNoAnswers;
    case MessageButtons::Ok: break;
    }
    return OkAnswers;
}

MessageAnswer MessageBoxRequest::DefaultAnswer() const
{
    const std::span<const MessageAnswer> answers = Answers();
    return defaultButton >= 0 && size_t(defaultButton) < answers.size() ? answers[size_t(defaultButton)] : answers.front();
}
