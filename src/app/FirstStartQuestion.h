#pragma once

struct AppFlags;
class CSettingsStore;
class MessageBoxPresenter;

// Where the settings are kept, decided at start-up before anything is loaded: the stored choice
// when there is one, else the user's answer to the question of the first start. A start with
// its own INI file (ini=, logoff) neither reads nor asks.
class CFirstStartQuestion {
public:
    CFirstStartQuestion(CSettingsStore &store, const AppFlags &flags, MessageBoxPresenter &boxes);
    virtual ~CFirstStartQuestion();

    // True when start-up goes on. False when the question was cancelled or found no one to
    // answer it: then nothing has been written and the program is to end.
    bool Decide();

private:
    CSettingsStore &m_store;
    const AppFlags &m_flags;
    MessageBoxPresenter &m_boxes;
};
