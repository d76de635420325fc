// The program's numbered texts. Every window, message box, report row and log
// line takes its words from here through LoadResString(id), so the wording of
// the program lives in one place. Texts are UTF-8 and are written exactly as the
// program shows or writes them: full-width punctuation, ideographic spaces
// (U+3000), "(&X)" mnemonics and the trailing line breaks are part of the text.
// A command's entry is its status-bar prompt, a LF, then its tool tip.

#include "res/StringTable.h"

#include <cstddef>
#include <iterator>

namespace res {
namespace {

// The literals below must reach the program as UTF-8 bytes.
static_assert(sizeof("あ") == 4, "string literals must be encoded as UTF-8");

constexpr StringEntry Strings[] = {
    // Tool bar button texts
    {10000, "追加"},
    {10001, "削除"},
    {10002, "編集"},
    {10003, "ログ表示"},
    {10004, "上へ"},
    {10005, "下へ"},
    {10006, "テスト"},
    {10007, "全テスト"},
    {10008, "更新"},
    {10009, "全更新"},
    {10010, "中止"},

    // Command prompts: status-bar prompt, LF, tool tip
    {32771, "選択されているフォルダ設定を編集します\n設定編集"},
    {32772, "フォルダ設定を追加します\n追加"},
    {32773, "選択されているフォルダ設定を削除します\n削除"},
    {32774, "すべてのフォルダ設定を更新します\n全更新"},
    {32775, "実行中の更新処理を中止します\n中止"},
    {32776, "現在選択されているフォルダ設定のみを更新します\n更新"},
    {32778, "選択されているフォルダ設定をテストします\nテスト"},
    {32779, "環境設定ダイアログを開きます\n環境設定"},
    {32780, "開く\n開く"},
    {32782, "選択されているフォルダ設定でフォルダ比較ツールを起動します\nフォルダ比較ツールを起動"},
    {32785, "選択されているフォルダ設定のログファイルを開きます\nログファイルを開く"},
    {32786, "説明書を開きます\n説明書を開く"},
    {32788, "選択されているフォルダ設定の複製を作成します\n複製"},
    {32789, "現在選択中の設定をリストの上に移動します\n上へ"},
    {32790, "現在選択中の設定をリストの下に移動します\n下へ"},
    {32796, "すべてのフォルダ設定をテストします\n全テスト"},
    {32797, "マスター側のフォルダをファイルマネージャで開きます\nマスタフォルダを開く"}, // the desktop's file manager opens it
    {32798, "バックアップ側のフォルダをファイルマネージャで開きます\nバックアップフォルダを開く"}, // the desktop's file manager opens it
    {32799, "プロジェクト選択リストにフォーカスを移動します\nプロジェクトの選択"},
    {32801, "フォルダ設定リストにフォーカスを移動します\n選択"},
    {32803, "プロジェクトリストを編集します\nプロジェクトリストの編集"},
    {32804, "更新終了後、プログラムを終了します。\n更新終了後にプログラム終了"},
    {32805, "更新終了後、コンピュータをシャットダウンします。\n更新終了後にシャットダウン"}, // names the computer, not the system it runs

    // Application title and the status bar's idle text
    {57344, "Orvane Unicode"},
    {57345, "Orvane Unicode"},

    // Prompts of the About and Exit commands
    {57664, "バージョン情報を表示します\nバージョン情報"},
    {57665, "Orvane を終了します\n終了"},

    // Build suffix of the version line in the About box
    {60001, " (x64)"},

    // Project names and the project list dialog
    {60010, "デフォルト"},
    {60011, "(名称未設定)"},
    {60012, "プロジェクトの追加"},
    {60013, "これ以上プロジェクトを追加できません。"},
    {60014, "プロジェクトのコピー"},
    {60015, "プロジェクトをコピーしました。"},
    {60016, "プロジェクトの削除"},
    {60017, "選択されたプロジェクトを削除します。\nよろしいですか？"},

    // Items of the after-run box
    {60020, "何もしない"},
    {60021, "プログラム終了"},
    {60022, "シャットダウン"},
    {60023, "メッセージ表示"},

    // Report operations (report list rows and log lines)
    {60100, "開始"},
    {60101, "テスト開始"},
    {60102, "作成"},
    {60103, "フォルダ作成"},
    {60104, "更新"},
    {60105, "削除"},
    {60106, "フォルダ削除"},
    {60107, "リネーム"},
    {60108, "スキップ"},
    {60109, "エラー"},
    {60110, "中断"},
    {60111, "終了"},

    // Title row of a setting in the report list, then the log header and operation line
    {60112, "--------------- %s ---------------"},
    {60113, "------------------------------------------------------------\r\n"},
    {60114, "設定名称　　　：%s\r\n"}, // U+3000 ideographic spaces before "："
    {60115, "更新時間　　　：%04d/%02d/%02d %02d:%02d:%02d\r\n"}, // U+3000 ideographic spaces before "："
    {60116, "マスタ側　　　：%s\r\n"}, // U+3000 ideographic spaces before "："
    {60117, "バックアップ側：%s\r\n\r\n"},
    {60118, "%s \"%s\"\r\n"},

    // Error block of the log and its headings
    {60119,
     "%s\r\n"
     "--------------------------------\r\n"
     "%s--------------------------------\r\n"},
    {60120, "以下のエラーが発生したため、処理を中止しました。"},
    {60121, "以下のエラーを無視しました。"},
    {60122, "以下のエラーが発生しましたが、リトライにより解決しました。"},

    // Character repeated for the closing row of a setting in the report list
    {60123, "-"},

    // Compare tool menu item and message caption
    {60200, "%s を起動(&W)"},
    {60201, "フォルダ比較ツールの起動"},

    // File dialogs of the options (title, filter, default extension)
    {60300, "ログファイルの指定"},
    {60301, "ログファイル(*.log)|*.log|すべてのファイル(*.*)|*.*|"},
    {60302, "log"},
    {60303, "フォルダ比較ツールの指定"},
    {60304, "プログラム(*.exe)|*.exe|すべてのファイル(*.*)|*.*|"},
    {60305, "exe"},

    // Names of the existence checks
    {61000, "フォルダ存在チェック"},
    {61001, "ファイル存在チェック"},

    // Choice of the settings store and the INI file
    {62000,
     "Orvane をご利用いただき、ありがとうございます。\n"
     "各種設定はレジストリまたは INI ファイルに保存することができます。\n"
     "\n"
     "設定をレジストリに保存しますか？\n"
     "※この設定はオプションの環境設定でいつでも変更できます。\n"
     "\n"
     "[はい]　　　 設定をレジストリに保存します。\n" // U+3000 ideographic spaces after "]"
     "[いいえ]　　 設定を INI ファイルに保存します(推奨)。\n" // U+3000 ideographic spaces after "]"
     "[キャンセル] 選択せず、このままプログラムを終了します。"},
    {62001, "INI ファイルのオープン"},
    {62002, "INI ファイルのエンコードを変更しました。\n元の INI ファイルは以下のパスに保存しました。\n%1"},

    // Folder browser titles and the delete confirmation's size and date
    {62010, "マスター側のフォルダを選択してください。"},
    {62011, "バックアップ側のフォルダを選択してください。"},
    {62012, "%s バイト"},
    {62013, "----/--/-- --:--:--"},
    {62014, "%04d/%02d/%02d %02d:%02d:%02d"},

    // Compare tool menu item when no tool is set
    {62020, "フォルダ比較ツールが設定されていません"},

    // Clearing and opening log files
    {62030, "ログファイルをクリアします。よろしいですか？"},
    {62031, "ログファイルのクリア"},
    {62032, "ログファイルをクリアしました。"},
    {62033, "ログファイルのクリアに失敗しました。\n以下のファイルを開いているアプリケーションを終了してください。\n\n%s"},
    {62035, "ログファイルがオープンできませんでした。\n中断します。\n\n%s"},
    {62036, "ログファイルを開く"},

    // Status texts of a run
    {62500, "バックアップ中…"},
    {62501, "ミラーリング中…"},
    {62502, "リトライ中(%d)…"},
    {62503, "中断しています…"},
    {62509, "終了しました"},

    // Completion message
    {62600, "バックアップが完了しました。"},
    {62601, "バックアップ完了"},

    // Error messages of file operations and checks during a run
    {63100, "%s%s：%s\n\n%s"},
    {63101, "%sに失敗"},
    {63102, "(リトライ %d 回)"},
    {63103, "%s\n\n%s"},
    {63104, "コピー元：%s\nコピー先：%s\n\n%s"},
    {63105, "リネーム元：%s\nリネーム先：%s\n\n%s"},
    {63106, "ファイルのコピーに失敗"},
    {63107, "ファイルの削除に失敗"},
    {63108, "フォルダの削除に失敗"},
    {63109, "リネームに失敗"},
    {63110, "フォルダの作成に失敗"},
    {63111, "ファイル名／フォルダ名に不正な文字が含まれています。"},
    {63113, "ファイルのタイムスタンプが不正です。"},
    {63114, "タイムスタンプチェック"},

    // Pattern engine, settings file and compare tool errors
    {63200, "COM の初期化に失敗しました。"},
    {63210, "INI ファイルが開けません。\n設定が正常に保存できない可能性があります。\n\nファイル名: %1\nエラー: %2"},
    {63220, "フォルダ設定ツールが設定されていません。\n環境設定でツールを設定してください。"},

    // Log file clearing in the dialogs
    {63230, "ログファイルが見つかりませんでした。"},
    {63231, "ログファイルのクリアに失敗しました。"},

    // Project copy onto itself
    {63240, "コピー元とコピー先が同じです。"},

    // Checks before a folder setting runs: volume label, master and backup folder
    {63241, "ボリュームラベルが一致しません。"},
    {63242,
     "%s のボリュームラベルが設定されている内容と一致しません。\n"
     "\n"
     "設定されている内容：\"%s\"\n"
     "実際のボリュームラベル：\"%s\"\n"},
    {63243,
     "%s のボリュームラベルが設定されている内容と一致しません。\n"
     "\n"
     "設定されている内容：\"%s\"\n"
     "実際のボリュームラベル：\"%s\"\n"
     "\n"
     "メディアを交換する場合は、メディアを入れ換えて [再試行] を押してください。\n"},
    {63244, "ボリュームラベルの不一致"},
    {63245, "マスター側の指定が正しくありません。"},
    {63246, "マスター側の指定が正しくありません。\n"},
    {63247, "バックアップ側の指定が正しくありません。"},
    {63248, "バックアップ側の指定が正しくありません。\n"},
    {63249, "フォルダ設定エラー"},

    // Existence checks: an item of the other kind has the name
    {63250, "フォルダと同名のファイルが存在します。"},
    {63251, "ファイルと同名のフォルダが存在します。"},

    // Auto mark changed during a run
    {63252, "バックアップ実行中は変更できません。"},

    // Warning of the target page about the newer-than-last-run mode
    {63254, "ターゲット指定"},
    {63255,
     "このモードは、マスター側のファイルが前回のバックアップ\n"
     "開始時間よりも新しい場合のみ、ファイルを処理するモードです。\n"
     "\n"
     "これにより処理は早くなりますが、以下のような場合には\n"
     "ファイルが処理されませんので、注意が必要です。\n"
     "\n"
     "・マスター側のファイルが移動された場合\n"
     "・バックアップ側のファイルが削除された場合\n"
     "・バックアップ側のファイルが更新された場合\n"
     "\n"
     "これらのことが絶対に行われないことがわかっている場合のみ、\n"
     "このモードを使用するようにして下さい。"},

    // A folder setting that ended early
    {63256, "処理が中断されました。"},
    {63257, "中断"},

    // Snapshot failure
    {63258, "ボリュームシャドウコピーでエラーが発生しました。"},

    // Checks before a folder setting runs: identical folders, backup folder creation and access
    {63259, "マスターとバックアップのフォルダが同じです。"},
    {63260, "マスターとバックアップのフォルダが同じです。\n"},
    {63261, "バックアップ側のフォルダが作成できません。"},
    {63262, "バックアップ側のフォルダが作成できませんでした。\nバックアップを中止します。\n"},
    {63263, "バックアップ側のフォルダにアクセスできません。"},
    {63264, "バックアップ側のフォルダにアクセスできませんでした。\nバックアップを中止します。\n"},

    // Target patterns that cannot be parsed
    {63265, "ターゲットファイル指定の解析に失敗しました。"},
    {63266, "ターゲットフォルダ指定の解析に失敗しました。"},
    {63267, "ターゲット指定エラー"},
    {63268, "ターゲットファイル指定の解析に失敗しました。\n"},
    {63269, "ターゲットフォルダ指定の解析に失敗しました。\n"},

    // Overlapping master and backup folders, and folders that cannot be listed
    {63270, "バックアップ側のフォルダがマスター側のフォルダの中にあります。"},
    {63271, "バックアップ側のフォルダがマスター側のフォルダの中にあります。\nこのままではバックアップがバックアップ自身を含んでしまうため、処理を中止します。\n対象フォルダの指定でバックアップ側のフォルダを除外するか、マスター側のフォルダの外に移してください。\n"},
    {63272, "マスター側のフォルダがバックアップ側のフォルダの中にあります。"},
    {63273, "マスター側のフォルダがバックアップ側のフォルダの中にあります。\nミラーリングでマスター側のファイルが削除されてしまうため、処理を中止します。\n"},
    {63274, "フォルダの読み取りに失敗"},

    // Folder-setting list: column headers, the time of the last run and the last result
    {63275, "自動"},
    {63276, "名称"},
    {63277, "マスターフォルダ"},
    {63278, "バックアップフォルダ"},
    {63279, "最終実行結果"},
    {63280, "--/-- --:--:--"},
    {63281, "%02d/%02d %02d:%02d:%02d"}, // month, day, hour, minute, second
    {63282, "スキップ"},
    {63283, "現在実行中!!"},
    {63284, "%s 不明"},
    {63285, "%s 正常終了"},
    {63286, "%s %d件のエラー"},

    // Settings that could not be saved in the registry (the per-user settings database)
    {63287, "レジストリに設定を保存できませんでした。\n変更した設定はプログラムを終了するまで有効ですが、次回の起動時には元に戻ります。\n\nファイル名: %1\nエラー: %2"},
    {63288, "レジストリへの保存"},

    // What keeps a backup whole
    {63289, "「%s」と大文字と小文字だけが異なる名前です。バックアップ側では同じ名前になるため、バックアップしません。"},
    {63290, "名前の重複"},
    {63291, "マスター側のフォルダが空です。"},
    {63292, "マスター側のフォルダ (%s) は空ですが、バックアップ側のフォルダ (%s) には項目があります。\nドライブが接続されていないか、フォルダの指定が誤っている可能性があるため、ミラーリングで削除せずに処理を中止します。\n"},
    {63293, "ミラーリングの中止"},
    {63294, "削除の上限を超えています。"},
    {63295, "ミラーリングでバックアップ側の %s 個のファイルのうち %s 個 (%s%%) が削除されます。\n削除の上限 (%s%%) を超えるため、削除せずに処理を中止します。\n"},
    {63296, "コピー中にマスター側のファイルが変更されました。"},
    {63297, "ディスクへの書き込みの確定に失敗"},
};

constexpr bool sortedAndUnique()
{
    for (std::size_t i = 1; i < std::size(Strings); ++i) {
        if (Strings[i - 1].id >= Strings[i].id)
            return false;
    }
    return true;
}
// Lookups by id search the table by halves and rely on this order.
static_assert(sortedAndUnique(), "string table must be sorted by id, each id once");

} // namespace

std::span<const StringEntry> StringTable()
{
    return Strings;
}

} // namespace res
