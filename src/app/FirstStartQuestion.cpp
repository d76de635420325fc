#include "app/FirstStartQuestion.h"

#include "config/SettingsStore.h"
#include "model/AppFlags.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QFileInfo>

#include <optional>

namespace {

const QString PortableCopyAdvice = QStringLiteral(
    u"INI ファイルを使うには、プログラム一式を書き込めるフォルダにコピーし、そのコピーを起動して"
    u"ください (ポータブル版)。");

const QString IniLocationText = QStringLiteral(u"ファイル名: %1\nフォルダ %2 に書き込めません: %3");

const QString OfferText = QStringLiteral(
    u"%1\n\n%2\n\n"
    u"[はい]　　 設定をレジストリ (設定データベース) に保存します:\n"
    u"　　　　　 %3\n"
    u"[いいえ]　 %4\n\n"
    u"%5");

const QString RefusalText = QStringLiteral(
    u"設定を INI ファイルに保存できないため、プログラムを終了します。設定は何も変更していません。\n\n"
    u"%1\n\n%2\n"
    u"/ini= や /logoff を付けずに起動すると、設定をレジストリ (ユーザーごとの設定データベース) に"
    u"保存できます:\n%3");

} // namespace

CFirstStartQuestion::CFirstStartQuestion(CSettingsStore &store, const AppFlags &flags, MessageBoxPresenter &boxes)
    : m_store(store), m_flags(flags), m_boxes(boxes)
{
}

CFirstStartQuestion::~CFirstStartQuestion() = default;

CFirstStartQuestion::Decision CFirstStartQuestion::Decide()
{
    if (m_flags.ForceIni) {
        const int error = m_store.IniWriteError();
        return error == 0 ? Decision::Go : RefuseForcedIni(error);
    }
    m_store.SetUseRegistry(false);
    if (const std::optional<bool> stored = m_store.StoredChoice()) {
        const int error = *stored ? 0 : m_store.IniWriteError();
        if (error != 0)
            return OfferUserDatabase(IniUse::StoredChoice, error);
        m_store.SetUseRegistry(*stored);
        return Decision::Go;
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
        return Decision::Go;
    case MessageAnswer::No:
        if (const int error = m_store.IniWriteError())
            return OfferUserDatabase(IniUse::FirstStart, error);
        m_store.AdoptChoice(StoreChoice::Ini);
        return Decision::Go;
    default:   // Cancel, the box closed, or no box at all
        return Decision::Cancelled;
    }
}

QString CFirstStartQuestion::FolderText(int error) const
{
    const QString path = m_store.IniPath();
    return IniLocationText.arg(path, QFileInfo(path).absolutePath(), SystemErrorText(error).trimmed());
}

CFirstStartQuestion::Decision CFirstStartQuestion::OfferUserDatabase(IniUse use, int error)
{
    const QString headline = use == IniUse::FirstStart
        ? QStringLiteral(u"設定を INI ファイルに保存できません。")
        : QStringLiteral(u"設定は INI ファイルに保存することになっていますが、その INI ファイルに書き込めません。\n"
                         u"INI ファイルの内容はそのまま残ります。");
    const QString noAnswer = use == IniUse::FirstStart ? QStringLiteral(u"選択せず、このままプログラムを終了します。")
                                                       : QStringLiteral(u"何も変更せず、このままプログラムを終了します。");
    // Ending changes nothing, so it is what counts when nobody answers.
    MessageBoxRequest box{.text = OfferText.arg(headline, FolderText(error), m_store.Registry().Path(), noAnswer,
                                                PortableCopyAdvice),
                          .caption = LoadResString(IDS_CAPTION_OPEN_INI),
                          .buttons = MessageButtons::YesNo,
                          .icon = MessageIcon::Warning,
                          .unattended = MessageAnswer::No};
    if (m_boxes.ShowMessageBox(box) != MessageAnswer::Yes)
        return Decision::IniNotWritable;
    m_store.AdoptChoice(StoreChoice::Registry);
    return Decision::Go;
}

CFirstStartQuestion::Decision CFirstStartQuestion::RefuseForcedIni(int error)
{
    m_boxes.ShowMessageBox({.text = RefusalText.arg(FolderText(error), PortableCopyAdvice, m_store.Registry().Path()),
                            .caption = LoadResString(IDS_CAPTION_OPEN_INI),
                            .icon = MessageIcon::Error});
    return Decision::IniNotWritable;
}
