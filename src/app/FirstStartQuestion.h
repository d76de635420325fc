#pragma once

#include <QString>

struct AppFlags;
class CSettingsStore;
class MessageBoxPresenter;

// Where the settings are kept, decided at start-up before anything is loaded: the stored choice
// when there is one, else the user's answer to the question of the first start. A start with
// its own INI file (ini=, logoff) neither reads nor asks.
//
// The INI file lies beside the program, which an installed program's users cannot write. An INI
// file that could not be written is never taken on silently: the user is told which folder it
// is and what to do instead, and where a choice is left, may keep the settings in the user
// database. Nothing is written unless the user chose so.
class CFirstStartQuestion {
public:
    enum class Decision {
        Go,               // start-up goes on with the store chosen
        Cancelled,        // the question was cancelled or no one could answer it
        IniNotWritable,   // the INI file cannot be written and nothing else was chosen
    };

    CFirstStartQuestion(CSettingsStore &store, const AppFlags &flags, MessageBoxPresenter &boxes);
    virtual ~CFirstStartQuestion();

    // Anything but Go: nothing has been written and the program is to end.
    Decision Decide();

private:
    enum class IniUse { FirstStart, StoredChoice };
    // The INI file is to be used but cannot be written: offers the user database instead.
    Decision OfferUserDatabase(IniUse use, int error);
    Decision RefuseForcedIni(int error);
    QString FolderText(int error) const;

    CSettingsStore &m_store;
    const AppFlags &m_flags;
    MessageBoxPresenter &m_boxes;
};
