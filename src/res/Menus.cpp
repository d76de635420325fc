#include "res/Menus.h"

#include "res/StringIds.h"

#include <array>

namespace {

using C = CommandId;
constexpr MenuItem Separator{.separator = true};

constexpr std::array SettingsMenu{
    MenuItem{C::SelectProject, u"プロジェクトの選択(&S)", u"Ctrl+P"},
    MenuItem{C::EditProjectList, u"プロジェクトリストの編集(&E)", u"Ctrl+R"},
    Separator,
    MenuItem{C::FocusSettingList, u"選択(&F)"},
    MenuItem{C::AddSetting, u"追加(&A)", u"Ctrl+N"},
    MenuItem{C::DeleteSetting, u"削除(&D)", u"Del"},
    MenuItem{C::EditSetting, u"編集(&I)"},
    MenuItem{C::CopySetting, u"コピー(&C)"},
    Separator,
    MenuItem{C::MoveUp, u"上へ(&U)", u"Ctrl+Up"},
    MenuItem{C::MoveDown, u"下へ(&W)", u"Ctrl+Down"},
    Separator,
    MenuItem{C::OpenLogFile, u"ログファイルを開く(&L)"},
    Separator,
    MenuItem{C::Exit, u"終了(&X)"},
};

constexpr std::array BackupMenu{
    MenuItem{C::TestSelected, u"テスト(&T)", u"Ctrl+T"},
    MenuItem{C::TestAll, u"全テスト(&E)", u"Ctrl+E"},
    MenuItem{C::UpdateSelected, u"更新(&O)", u"Ctrl+U"},
    MenuItem{C::UpdateAll, u"全更新(&S)", u"Ctrl+A"},
    MenuItem{C::Stop, u"中止(&B)", u"Esc"},
    Separator,
    MenuItem{C::ExitAfterRun, u"更新終了後にプログラム終了(&X)"},
    MenuItem{C::ShutdownAfterRun, u"更新終了後にシャットダウン(&D)"},
};

constexpr std::array ToolsMenu{
    MenuItem{C::StartCompareTool, u"フォルダ比較ツールを起動(&W)", u"Ctrl+W"},
    Separator,
    MenuItem{C::Options, u"オプション(&O)..."},
};

constexpr std::array HelpMenu{
    MenuItem{C::OpenManual, u"説明書を開く(&H)"},
    MenuItem{C::About, u"バージョン情報(&A)..."},
};

constexpr std::array Menus{
    Menu{u"フォルダ設定(&F)", SettingsMenu},
    Menu{u"バックアップ(&B)", BackupMenu},
    Menu{u"ツール(&T)", ToolsMenu},
    Menu{u"ヘルプ(&H)", HelpMenu},
};

constexpr std::array ListMenu{
    MenuItem{C::AddSetting, u"追加(&A)"},
    MenuItem{C::EditSetting, u"編集(&E)"},
    MenuItem{C::DeleteSetting, u"削除(&D)"},
    MenuItem{C::CopySetting, u"複製(&C)"},
    Separator,
    MenuItem{C::TestSelected, u"テスト(&T)"},
    MenuItem{C::TestAll, u"全テスト(&L)"},
    MenuItem{C::UpdateSelected, u"更新(&R)"},
    MenuItem{C::UpdateAll, u"全更新(&F)"},
    MenuItem{C::Stop, u"中止(&S)"},
    Separator,
    MenuItem{C::OpenMasterFolder, u"マスターフォルダを開く(&M)"},
    MenuItem{C::OpenBackupFolder, u"バックアップフォルダを開く(&B)"},
    Separator,
    MenuItem{C::StartCompareTool, u"フォルダ比較ツールを起動(W)"},
};

constexpr std::array NotificationMenu{
    MenuItem{C::ShowWindow, u"開く(&O)"},
    Separator,
    MenuItem{C::Options, u"環境設定(&E)..."},
    Separator,
    MenuItem{C::Exit, u"終了(&X)"},
};

constexpr ToolButton ToolSeparator{.separator = true};
constexpr std::array Buttons{
    ToolButton{C::AddSetting, 0, IDS_TB_ADD},
    ToolButton{C::DeleteSetting, 1, IDS_TB_DELETE},
    ToolButton{C::EditSetting, 2, IDS_TB_EDIT},
    ToolButton{C::OpenLogFile, 3, IDS_TB_SHOW_LOG},
    ToolSeparator,
    ToolButton{C::MoveUp, 9, IDS_TB_MOVE_UP},
    ToolButton{C::MoveDown, 10, IDS_TB_MOVE_DOWN},
    ToolSeparator,
    ToolButton{C::TestSelected, 4, IDS_TB_TEST},
    ToolButton{C::TestAll, 5, IDS_TB_TEST_ALL},
    ToolButton{C::UpdateSelected, 6, IDS_TB_UPDATE},
    ToolButton{C::UpdateAll, 7, IDS_TB_UPDATE_ALL},
    ToolButton{C::Stop, 8, IDS_TB_STOP},
};

} // namespace

std::span<const Menu> CMenus::MainMenu()
{
    return Menus;
}

std::span<const MenuItem> CMenus::SettingListMenu()
{
    return ListMenu;
}

std::span<const MenuItem> CMenus::TrayMenu()
{
    return NotificationMenu;
}

std::span<const ToolButton> CMenus::ToolBar()
{
    return Buttons;
}
