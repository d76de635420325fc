#include "app/FirstStartQuestion.h"

#include "config/SettingsStore.h"
#include "model/AppFlags.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "res/StringIds.h"

#include <optional>

CFirstStartQuestion::CFirstStartQuestion(CSettingsStore &store, const AppFlags &flags, MessageBoxPresenter &boxes)
    : m_store(store), m_flags(flags), m_boxes(boxes)
{
}

CFirstStartQuestion::~CFirstStartQuestion() = default;

bool CFirstStartQuestion::Decide()
{
    if (m_flags.ForceIni)
        return true;
    m_store.SetUseRegistry(false);
    if (const std::optional<bool> stored = m_store.StoredChoice()) {
        m_store.SetUseRegistry(*stored);
        return true;
    }
    // Cancel is the default and the answer when nobody can be asked: nothing is chosen for the
    // user. A choice that cannot be recorded has been reported by the store; this start still
    // uses it, and the next one asks again.
    const MessageAnswer answer = MessageBoxById(m_boxes, IDS_ASK_FIRST_START_STORE, IDS_APP_TITLE,
                                                {.buttons = MessageButtons::YesNoCancel, .icon = MessageIcon::Question,
                                                 .defaultButton = 2, .unattended = MessageAnswer::Cancel});
    switch (answer) {
    case MessageAnswer::Yes:
        m_store.AdoptChoice(StoreChoice::Registry);
        return true;
    case MessageAnswer::No:
        m_store.AdoptChoice(StoreChoice::Ini);
        return true;
    default:   // Cancel, the box closed, or no box at all
        return false;
    }
}
