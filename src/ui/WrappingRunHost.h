#pragma once

#include "engine/RunHost.h"

// The host of a run that another program asked the window for. It wraps the window's own host,
// so the window shows the run, and it may pass the run's questions on to that program.
class WrappingRunHost : public RunHost {
public:
    // The window ends: questions waiting now or asked later take the answers that count when
    // nobody can answer.
    virtual void AnswerUnattended() = 0;
};
