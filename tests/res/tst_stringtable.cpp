// Tests of the program's string table: its shape (sorted, unique, non-empty,
// valid UTF-8), the exact bytes of texts of every kind, and the named ids.

#include "res/StringIds.h"
#include "res/StringTable.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>

namespace {

// Looks an id up in the table itself, by binary search; nullptr when absent.
const char *findText(int id)
{
    const auto table = res::StringTable();
    const auto it = std::lower_bound(table.begin(), table.end(), id,
                                     [](const res::StringEntry &e, int key) { return e.id < key; });
    if (it == table.end() || it->id != id)
        return nullptr;
    return it->utf8;
}

// U+3000 IDEOGRAPHIC SPACE and U+FF1A FULLWIDTH COLON as UTF-8 bytes, spelled out
// so that the check does not depend on how the table's source was typed.
#define IDSP "\xE3\x80\x80"
#define FWCOLON "\xEF\xBC\x9A"

struct NamedId {
    int value;
    const char *name;
};
#define NAMED(x) NamedId{x, #x}

// Every enumerator of StringIds.h.
constexpr NamedId NamedIds[] = {
    NAMED(IDS_TB_ADD), NAMED(IDS_TB_DELETE), NAMED(IDS_TB_EDIT), NAMED(IDS_TB_SHOW_LOG),
    NAMED(IDS_TB_MOVE_UP), NAMED(IDS_TB_MOVE_DOWN), NAMED(IDS_TB_TEST), NAMED(IDS_TB_TEST_ALL),
    NAMED(IDS_TB_UPDATE), NAMED(IDS_TB_UPDATE_ALL), NAMED(IDS_TB_STOP),
    NAMED(IDS_CMD_EDIT_SETTING), NAMED(IDS_CMD_ADD_SETTING), NAMED(IDS_CMD_DELETE_SETTING),
    NAMED(IDS_CMD_UPDATE_ALL), NAMED(IDS_CMD_STOP), NAMED(IDS_CMD_UPDATE_SELECTED),
    NAMED(IDS_CMD_TEST_SELECTED), NAMED(IDS_CMD_OPTIONS), NAMED(IDS_CMD_SHOW_WINDOW),
    NAMED(IDS_CMD_START_COMPARE_TOOL), NAMED(IDS_CMD_OPEN_LOG_FILE), NAMED(IDS_CMD_OPEN_MANUAL),
    NAMED(IDS_CMD_COPY_SETTING), NAMED(IDS_CMD_MOVE_UP), NAMED(IDS_CMD_MOVE_DOWN),
    NAMED(IDS_CMD_TEST_ALL), NAMED(IDS_CMD_OPEN_MASTER_FOLDER), NAMED(IDS_CMD_OPEN_BACKUP_FOLDER),
    NAMED(IDS_CMD_SELECT_PROJECT), NAMED(IDS_CMD_FOCUS_SETTING_LIST), NAMED(IDS_CMD_EDIT_PROJECT_LIST),
    NAMED(IDS_CMD_EXIT_AFTER_RUN), NAMED(IDS_CMD_SHUTDOWN_AFTER_RUN),
    NAMED(IDS_APP_TITLE), NAMED(IDS_STATUS_IDLE), NAMED(IDS_CMD_ABOUT), NAMED(IDS_CMD_EXIT),
    NAMED(IDS_ABOUT_BUILD_SUFFIX),
    NAMED(IDS_PROJECT_DEFAULT_NAME), NAMED(IDS_PROJECT_UNNAMED), NAMED(IDS_CAPTION_ADD_PROJECT),
    NAMED(IDS_MSG_PROJECT_LIMIT), NAMED(IDS_CAPTION_COPY_PROJECT), NAMED(IDS_MSG_PROJECT_COPIED),
    NAMED(IDS_CAPTION_DELETE_PROJECT), NAMED(IDS_ASK_DELETE_PROJECTS),
    NAMED(IDS_AFTER_RUN_NOTHING), NAMED(IDS_AFTER_RUN_EXIT), NAMED(IDS_AFTER_RUN_SHUTDOWN),
    NAMED(IDS_AFTER_RUN_MESSAGE),
    NAMED(IDS_OP_START), NAMED(IDS_OP_TEST_START), NAMED(IDS_OP_CREATE), NAMED(IDS_OP_CREATE_FOLDER),
    NAMED(IDS_OP_UPDATE), NAMED(IDS_OP_DELETE), NAMED(IDS_OP_DELETE_FOLDER), NAMED(IDS_OP_RENAME),
    NAMED(IDS_OP_SKIP), NAMED(IDS_OP_ERROR), NAMED(IDS_OP_ABORTED), NAMED(IDS_OP_END),
    NAMED(IDS_REPORT_SETTING_TITLE), NAMED(IDS_LOG_HEADER_RULE), NAMED(IDS_LOG_HEADER_NAME),
    NAMED(IDS_LOG_HEADER_TIME), NAMED(IDS_LOG_HEADER_MASTER), NAMED(IDS_LOG_HEADER_BACKUP),
    NAMED(IDS_LOG_OPERATION_LINE),
    NAMED(IDS_LOG_ERROR_BLOCK), NAMED(IDS_LOG_ERROR_ABORTED), NAMED(IDS_LOG_ERROR_IGNORED),
    NAMED(IDS_LOG_ERROR_RESOLVED), NAMED(IDS_REPORT_SEPARATOR_CHAR),
    NAMED(IDS_MENU_START_NAMED_COMPARE_TOOL), NAMED(IDS_CAPTION_START_COMPARE_TOOL),
    NAMED(IDS_TITLE_CHOOSE_LOG_FILE), NAMED(IDS_FILTER_LOG_FILE), NAMED(IDS_DEFEXT_LOG_FILE),
    NAMED(IDS_TITLE_CHOOSE_COMPARE_TOOL), NAMED(IDS_FILTER_PROGRAM), NAMED(IDS_DEFEXT_PROGRAM),
    NAMED(IDS_CHECK_FOLDER_EXISTS), NAMED(IDS_CHECK_FILE_EXISTS),
    NAMED(IDS_ASK_FIRST_START_STORE), NAMED(IDS_CAPTION_OPEN_INI), NAMED(IDS_MSG_INI_CONVERTED),
    NAMED(IDS_TITLE_CHOOSE_MASTER_FOLDER), NAMED(IDS_TITLE_CHOOSE_BACKUP_FOLDER),
    NAMED(IDS_FMT_SIZE_BYTES), NAMED(IDS_FMT_DATE_TIME_UNKNOWN), NAMED(IDS_FMT_DATE_TIME),
    NAMED(IDS_MENU_NO_COMPARE_TOOL),
    NAMED(IDS_ASK_CLEAR_LOG), NAMED(IDS_CAPTION_CLEAR_LOG), NAMED(IDS_MSG_LOG_CLEARED),
    NAMED(IDS_MSG_LOG_IN_USE), NAMED(IDS_MSG_LOG_OPEN_FAILED), NAMED(IDS_CAPTION_OPEN_LOG),
    NAMED(IDS_STATUS_BACKING_UP), NAMED(IDS_STATUS_MIRRORING), NAMED(IDS_STATUS_RETRYING),
    NAMED(IDS_STATUS_STOPPING), NAMED(IDS_STATUS_FINISHED),
    NAMED(IDS_MSG_BACKUP_COMPLETE), NAMED(IDS_CAPTION_BACKUP_COMPLETE),
    NAMED(IDS_FMT_CHECK_MESSAGE), NAMED(IDS_FMT_CHECK_CAPTION), NAMED(IDS_FMT_RETRY_NOTE),
    NAMED(IDS_FMT_PATH_DETAIL), NAMED(IDS_FMT_COPY_DETAIL), NAMED(IDS_FMT_RENAME_DETAIL),
    NAMED(IDS_CAPTION_COPY_FAILED), NAMED(IDS_CAPTION_DELETE_FILE_FAILED),
    NAMED(IDS_CAPTION_DELETE_FOLDER_FAILED), NAMED(IDS_CAPTION_RENAME_FAILED),
    NAMED(IDS_CAPTION_CREATE_FOLDER_FAILED), NAMED(IDS_ERR_INVALID_NAME),
    NAMED(IDS_ERR_INVALID_TIMESTAMP), NAMED(IDS_CAPTION_TIMESTAMP_CHECK),
    NAMED(IDS_ERR_PATTERN_ENGINE_INIT), NAMED(IDS_MSG_INI_OPEN_FAILED), NAMED(IDS_MSG_NO_COMPARE_TOOL),
    NAMED(IDS_MSG_LOG_NOT_FOUND), NAMED(IDS_MSG_CLEAR_LOG_FAILED), NAMED(IDS_MSG_COPY_PROJECT_ONTO_ITSELF),
    NAMED(IDS_ERR_VOLUME_LABEL), NAMED(IDS_MSG_VOLUME_LABEL), NAMED(IDS_MSG_VOLUME_LABEL_EXCHANGE),
    NAMED(IDS_CAPTION_VOLUME_LABEL), NAMED(IDS_ERR_MASTER_INVALID), NAMED(IDS_MSG_MASTER_INVALID),
    NAMED(IDS_ERR_BACKUP_INVALID), NAMED(IDS_MSG_BACKUP_INVALID), NAMED(IDS_CAPTION_SETTING_ERROR),
    NAMED(IDS_ERR_FILE_WITH_FOLDER_NAME), NAMED(IDS_ERR_FOLDER_WITH_FILE_NAME),
    NAMED(IDS_MSG_NO_CHANGE_WHILE_RUNNING),
    NAMED(IDS_CAPTION_TARGET), NAMED(IDS_MSG_NEWER_THAN_LAST_RUN_MODE),
    NAMED(IDS_MSG_RUN_ABORTED), NAMED(IDS_CAPTION_RUN_ABORTED), NAMED(IDS_ERR_SNAPSHOT),
    NAMED(IDS_ERR_SAME_FOLDERS), NAMED(IDS_MSG_SAME_FOLDERS), NAMED(IDS_ERR_CREATE_BACKUP_FOLDER),
    NAMED(IDS_MSG_CREATE_BACKUP_FOLDER), NAMED(IDS_ERR_ACCESS_BACKUP_FOLDER),
    NAMED(IDS_MSG_ACCESS_BACKUP_FOLDER),
    NAMED(IDS_ERR_FILE_PATTERN), NAMED(IDS_ERR_FOLDER_PATTERN), NAMED(IDS_CAPTION_TARGET_ERROR),
    NAMED(IDS_MSG_FILE_PATTERN), NAMED(IDS_MSG_FOLDER_PATTERN),
    NAMED(IDS_ERR_BACKUP_INSIDE_MASTER), NAMED(IDS_MSG_BACKUP_INSIDE_MASTER),
    NAMED(IDS_ERR_MASTER_INSIDE_BACKUP), NAMED(IDS_MSG_MASTER_INSIDE_BACKUP),
    NAMED(IDS_CAPTION_LIST_FOLDER_FAILED),
    NAMED(IDS_LIST_HEADER_AUTO), NAMED(IDS_LIST_HEADER_NAME), NAMED(IDS_LIST_HEADER_MASTER),
    NAMED(IDS_LIST_HEADER_BACKUP), NAMED(IDS_LIST_HEADER_LAST_RESULT), NAMED(IDS_LIST_TIME_NEVER),
    NAMED(IDS_LIST_TIME), NAMED(IDS_LIST_RESULT_SKIPPED), NAMED(IDS_LIST_RESULT_RUNNING),
    NAMED(IDS_LIST_RESULT_UNKNOWN), NAMED(IDS_LIST_RESULT_NO_ERRORS), NAMED(IDS_LIST_RESULT_ERRORS),
    NAMED(IDS_MSG_REGISTRY_SAVE_FAILED), NAMED(IDS_CAPTION_REGISTRY_SAVE),
    NAMED(IDS_ERR_CASE_COLLISION), NAMED(IDS_CAPTION_CASE_COLLISION), NAMED(IDS_ERR_MASTER_EMPTY),
    NAMED(IDS_MSG_MASTER_EMPTY), NAMED(IDS_CAPTION_DELETION_GUARD), NAMED(IDS_ERR_DELETE_LIMIT),
    NAMED(IDS_MSG_DELETE_LIMIT), NAMED(IDS_ERR_SOURCE_CHANGED), NAMED(IDS_CAPTION_SYNC_FAILED),
};

// Commands whose entry is "prompt\ntool tip".
constexpr int CommandIds[] = {32771, 32772, 32773, 32774, 32775, 32776, 32778, 32779,
                               32780, 32782, 32785, 32786, 32788, 32789, 32790, 32796,
                               32797, 32798, 32799, 32801, 32803, 32804, 32805, 57664, 57665};

} // namespace

class TestStringTable : public QObject
{
    Q_OBJECT

private slots:
    void sortedUniqueAndNonEmpty();
    void everyTextIsUtf8();
    void exactText_data();
    void exactText();
    void commandEntry_data();
    void commandEntry();
    void onlyLogLinesUseCrLf();
    void placeholdersAreWellFormed();
    void noWindowsOnlyNames();
    void namedIdsMatchTable_data();
    void namedIdsMatchTable();
    void everyEntryIsNamed();
};

void TestStringTable::sortedUniqueAndNonEmpty()
{
    const auto table = res::StringTable();
    QVERIFY(!table.empty());
    for (std::size_t i = 0; i < table.size(); ++i) {
        QVERIFY2(table[i].utf8 != nullptr, qPrintable(QString::number(table[i].id)));
        QVERIFY2(table[i].utf8[0] != '\0', qPrintable(QString::number(table[i].id)));
        if (i > 0)
            QVERIFY2(table[i - 1].id < table[i].id,
                     qPrintable(QStringLiteral("%1 before %2").arg(table[i - 1].id).arg(table[i].id)));
    }
}

void TestStringTable::everyTextIsUtf8()
{
    for (const res::StringEntry &e : res::StringTable()) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(QByteArray(e.utf8));
        QVERIFY2(!decoder.hasError(), qPrintable(QString::number(e.id)));
        QVERIFY2(!text.contains(QChar(0xFFFD)), qPrintable(QString::number(e.id)));
    }
}

void TestStringTable::exactText_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("named");
    QTest::addColumn<QByteArray>("expected");

    // Tool bar
    QTest::newRow("10000 tool bar add") << 10000 << int(IDS_TB_ADD) << QByteArray("追加");
    QTest::newRow("10003 tool bar log") << 10003 << int(IDS_TB_SHOW_LOG) << QByteArray("ログ表示");
    QTest::newRow("10010 tool bar stop") << 10010 << int(IDS_TB_STOP) << QByteArray("中止");
    // Command prompts with tool tips
    QTest::newRow("32771 edit") << 32771 << int(IDS_CMD_EDIT_SETTING)
                                << QByteArray("選択されているフォルダ設定を編集します\n設定編集");
    QTest::newRow("32780 open window") << 32780 << int(IDS_CMD_SHOW_WINDOW) << QByteArray("開く\n開く");
    QTest::newRow("32782 compare tool") << 32782 << int(IDS_CMD_START_COMPARE_TOOL)
        << QByteArray("選択されているフォルダ設定でフォルダ比較ツールを起動します\nフォルダ比較ツールを起動");
    QTest::newRow("32804 exit after run") << 32804 << int(IDS_CMD_EXIT_AFTER_RUN)
                                          << QByteArray("更新終了後、プログラムを終了します。\n更新終了後にプログラム終了");
    QTest::newRow("57664 about") << 57664 << int(IDS_CMD_ABOUT) << QByteArray("バージョン情報を表示します\nバージョン情報");
    QTest::newRow("57665 exit") << 57665 << int(IDS_CMD_EXIT) << QByteArray("Orvane を終了します\n終了");
    // Texts reworded because they named Windows or Explorer
    QTest::newRow("32797 master folder") << 32797 << int(IDS_CMD_OPEN_MASTER_FOLDER)
        << QByteArray("マスター側のフォルダをファイルマネージャで開きます\nマスタフォルダを開く");
    QTest::newRow("32798 backup folder") << 32798 << int(IDS_CMD_OPEN_BACKUP_FOLDER)
        << QByteArray("バックアップ側のフォルダをファイルマネージャで開きます\nバックアップフォルダを開く");
    QTest::newRow("32805 shutdown after run") << 32805 << int(IDS_CMD_SHUTDOWN_AFTER_RUN)
        << QByteArray("更新終了後、コンピュータをシャットダウンします。\n更新終了後にシャットダウン");
    // Title, idle text, About box
    QTest::newRow("57344 title") << 57344 << int(IDS_APP_TITLE) << QByteArray("Orvane Unicode");
    QTest::newRow("57345 idle") << 57345 << int(IDS_STATUS_IDLE) << QByteArray("Orvane Unicode");
    QTest::newRow("60001 build suffix") << 60001 << int(IDS_ABOUT_BUILD_SUFFIX) << QByteArray(" (x64)");
    // Projects and after-run actions
    QTest::newRow("60010 default project") << 60010 << int(IDS_PROJECT_DEFAULT_NAME) << QByteArray("デフォルト");
    QTest::newRow("60011 unnamed") << 60011 << int(IDS_PROJECT_UNNAMED) << QByteArray("(名称未設定)");
    QTest::newRow("60017 delete projects") << 60017 << int(IDS_ASK_DELETE_PROJECTS)
                                           << QByteArray("選択されたプロジェクトを削除します。\nよろしいですか？");
    QTest::newRow("60020 after run nothing") << 60020 << int(IDS_AFTER_RUN_NOTHING) << QByteArray("何もしない");
    QTest::newRow("60023 after run message") << 60023 << int(IDS_AFTER_RUN_MESSAGE) << QByteArray("メッセージ表示");
    // Report operations
    QTest::newRow("60100 start") << 60100 << int(IDS_OP_START) << QByteArray("開始");
    QTest::newRow("60101 test start") << 60101 << int(IDS_OP_TEST_START) << QByteArray("テスト開始");
    QTest::newRow("60103 folder create") << 60103 << int(IDS_OP_CREATE_FOLDER) << QByteArray("フォルダ作成");
    QTest::newRow("60108 skip") << 60108 << int(IDS_OP_SKIP) << QByteArray("スキップ");
    QTest::newRow("60110 aborted") << 60110 << int(IDS_OP_ABORTED) << QByteArray("中断");
    QTest::newRow("60111 end") << 60111 << int(IDS_OP_END) << QByteArray("終了");
    // Report title and log lines
    QTest::newRow("60112 title") << 60112 << int(IDS_REPORT_SETTING_TITLE)
                                 << QByteArray("--------------- %s ---------------");
    QTest::newRow("60113 rule") << 60113 << int(IDS_LOG_HEADER_RULE)
                                << QByteArray(QByteArray(60, '-') + "\r\n");
    QTest::newRow("60114 name") << 60114 << int(IDS_LOG_HEADER_NAME)
                                << QByteArray("設定名称" IDSP IDSP IDSP FWCOLON "%s\r\n");
    QTest::newRow("60115 time") << 60115 << int(IDS_LOG_HEADER_TIME)
        << QByteArray("更新時間" IDSP IDSP IDSP FWCOLON "%04d/%02d/%02d %02d:%02d:%02d\r\n");
    QTest::newRow("60116 master") << 60116 << int(IDS_LOG_HEADER_MASTER)
                                  << QByteArray("マスタ側" IDSP IDSP IDSP FWCOLON "%s\r\n");
    QTest::newRow("60117 backup") << 60117 << int(IDS_LOG_HEADER_BACKUP)
                                  << QByteArray("バックアップ側" FWCOLON "%s\r\n\r\n");
    QTest::newRow("60118 operation line") << 60118 << int(IDS_LOG_OPERATION_LINE) << QByteArray("%s \"%s\"\r\n");
    QTest::newRow("60119 error block") << 60119 << int(IDS_LOG_ERROR_BLOCK)
        << QByteArray("%s\r\n" + QByteArray(32, '-') + "\r\n%s" + QByteArray(32, '-') + "\r\n");
    QTest::newRow("60122 resolved") << 60122 << int(IDS_LOG_ERROR_RESOLVED)
                                    << QByteArray("以下のエラーが発生しましたが、リトライにより解決しました。");
    QTest::newRow("60123 separator") << 60123 << int(IDS_REPORT_SEPARATOR_CHAR) << QByteArray("-");
    // Menus and dialogs
    QTest::newRow("60200 named tool") << 60200 << int(IDS_MENU_START_NAMED_COMPARE_TOOL) << QByteArray("%s を起動(&W)");
    QTest::newRow("60301 log filter") << 60301 << int(IDS_FILTER_LOG_FILE)
                                      << QByteArray("ログファイル(*.log)|*.log|すべてのファイル(*.*)|*.*|");
    QTest::newRow("60305 program extension") << 60305 << int(IDS_DEFEXT_PROGRAM) << QByteArray("exe");
    QTest::newRow("61000 folder check") << 61000 << int(IDS_CHECK_FOLDER_EXISTS) << QByteArray("フォルダ存在チェック");
    QTest::newRow("62000 first start") << 62000 << int(IDS_ASK_FIRST_START_STORE)
        << QByteArray("Orvane をご利用いただき、ありがとうございます。\n"
                      "各種設定はレジストリまたは INI ファイルに保存することができます。\n\n"
                      "設定をレジストリに保存しますか？\n"
                      "※この設定はオプションの環境設定でいつでも変更できます。\n\n"
                      "[はい]" IDSP IDSP IDSP " 設定をレジストリに保存します。\n"
                      "[いいえ]" IDSP IDSP " 設定を INI ファイルに保存します(推奨)。\n"
                      "[キャンセル] 選択せず、このままプログラムを終了します。");
    QTest::newRow("62002 ini converted") << 62002 << int(IDS_MSG_INI_CONVERTED)
        << QByteArray("INI ファイルのエンコードを変更しました。\n元の INI ファイルは以下のパスに保存しました。\n%1");
    QTest::newRow("62012 bytes") << 62012 << int(IDS_FMT_SIZE_BYTES) << QByteArray("%s バイト");
    QTest::newRow("62013 no date") << 62013 << int(IDS_FMT_DATE_TIME_UNKNOWN) << QByteArray("----/--/-- --:--:--");
    QTest::newRow("62033 log in use") << 62033 << int(IDS_MSG_LOG_IN_USE)
        << QByteArray("ログファイルのクリアに失敗しました。\n以下のファイルを開いているアプリケーションを終了してください。\n\n%s");
    // Status texts
    QTest::newRow("62502 retrying") << 62502 << int(IDS_STATUS_RETRYING) << QByteArray("リトライ中(%d)…");
    QTest::newRow("62509 finished") << 62509 << int(IDS_STATUS_FINISHED) << QByteArray("終了しました");
    // Error messages of a run
    QTest::newRow("63100 check message") << 63100 << int(IDS_FMT_CHECK_MESSAGE)
                                         << QByteArray("%s%s" FWCOLON "%s\n\n%s");
    QTest::newRow("63101 check caption") << 63101 << int(IDS_FMT_CHECK_CAPTION) << QByteArray("%sに失敗");
    QTest::newRow("63102 retry note") << 63102 << int(IDS_FMT_RETRY_NOTE) << QByteArray("(リトライ %d 回)");
    QTest::newRow("63104 copy detail") << 63104 << int(IDS_FMT_COPY_DETAIL)
                                       << QByteArray("コピー元：%s\nコピー先：%s\n\n%s");
    QTest::newRow("63106 copy failed") << 63106 << int(IDS_CAPTION_COPY_FAILED) << QByteArray("ファイルのコピーに失敗");
    QTest::newRow("63111 invalid name") << 63111 << int(IDS_ERR_INVALID_NAME)
        << QByteArray("ファイル名\xEF\xBC\x8F" "フォルダ名に不正な文字が含まれています。");
    QTest::newRow("63210 ini open failed") << 63210 << int(IDS_MSG_INI_OPEN_FAILED)
        << QByteArray("INI ファイルが開けません。\n設定が正常に保存できない可能性があります。\n\nファイル名: %1\nエラー: %2");
    QTest::newRow("63220 no compare tool") << 63220 << int(IDS_MSG_NO_COMPARE_TOOL)
        << QByteArray("フォルダ設定ツールが設定されていません。\n環境設定でツールを設定してください。");
    // Checks before a setting runs
    QTest::newRow("63242 volume label") << 63242 << int(IDS_MSG_VOLUME_LABEL)
        << QByteArray("%s のボリュームラベルが設定されている内容と一致しません。\n\n"
                      "設定されている内容：\"%s\"\n実際のボリュームラベル：\"%s\"\n");
    QTest::newRow("63243 volume label, exchange") << 63243 << int(IDS_MSG_VOLUME_LABEL_EXCHANGE)
        << QByteArray("%s のボリュームラベルが設定されている内容と一致しません。\n\n"
                      "設定されている内容：\"%s\"\n実際のボリュームラベル：\"%s\"\n"
                      "\nメディアを交換する場合は、メディアを入れ換えて [再試行] を押してください。\n");
    QTest::newRow("63246 master invalid") << 63246 << int(IDS_MSG_MASTER_INVALID)
                                          << QByteArray("マスター側の指定が正しくありません。\n");
    QTest::newRow("63252 running") << 63252 << int(IDS_MSG_NO_CHANGE_WHILE_RUNNING)
                                   << QByteArray("バックアップ実行中は変更できません。");
    QTest::newRow("63255 newer-only warning") << 63255 << int(IDS_MSG_NEWER_THAN_LAST_RUN_MODE)
        << QByteArray("このモードは、マスター側のファイルが前回のバックアップ\n"
                      "開始時間よりも新しい場合のみ、ファイルを処理するモードです。\n\n"
                      "これにより処理は早くなりますが、以下のような場合には\n"
                      "ファイルが処理されませんので、注意が必要です。\n\n"
                      "・マスター側のファイルが移動された場合\n"
                      "・バックアップ側のファイルが削除された場合\n"
                      "・バックアップ側のファイルが更新された場合\n\n"
                      "これらのことが絶対に行われないことがわかっている場合のみ、\n"
                      "このモードを使用するようにして下さい。");
    QTest::newRow("63256 run aborted") << 63256 << int(IDS_MSG_RUN_ABORTED) << QByteArray("処理が中断されました。");
    QTest::newRow("63262 backup folder not created") << 63262 << int(IDS_MSG_CREATE_BACKUP_FOLDER)
        << QByteArray("バックアップ側のフォルダが作成できませんでした。\nバックアップを中止します。\n");
    QTest::newRow("63264 backup folder not accessible") << 63264 << int(IDS_MSG_ACCESS_BACKUP_FOLDER)
        << QByteArray("バックアップ側のフォルダにアクセスできませんでした。\nバックアップを中止します。\n");
    QTest::newRow("63267 target caption") << 63267 << int(IDS_CAPTION_TARGET_ERROR) << QByteArray("ターゲット指定エラー");
    QTest::newRow("63268 file pattern") << 63268 << int(IDS_MSG_FILE_PATTERN)
                                        << QByteArray("ターゲットファイル指定の解析に失敗しました。\n");
    QTest::newRow("63269 folder pattern") << 63269 << int(IDS_MSG_FOLDER_PATTERN)
                                          << QByteArray("ターゲットフォルダ指定の解析に失敗しました。\n");
    // Folder-setting list
    QTest::newRow("63277 master header") << 63277 << int(IDS_LIST_HEADER_MASTER) << QByteArray("マスターフォルダ");
    QTest::newRow("63280 never ran") << 63280 << int(IDS_LIST_TIME_NEVER) << QByteArray("--/-- --:--:--");
    QTest::newRow("63281 run time") << 63281 << int(IDS_LIST_TIME) << QByteArray("%02d/%02d %02d:%02d:%02d");
    QTest::newRow("63283 running") << 63283 << int(IDS_LIST_RESULT_RUNNING) << QByteArray("現在実行中!!");
    QTest::newRow("63286 errors") << 63286 << int(IDS_LIST_RESULT_ERRORS) << QByteArray("%s %d件のエラー");
    // Settings that could not be saved in the registry
    QTest::newRow("63287 registry save failed") << 63287 << int(IDS_MSG_REGISTRY_SAVE_FAILED)
        << QByteArray("レジストリに設定を保存できませんでした。\n"
                      "変更した設定はプログラムを終了するまで有効ですが、次回の起動時には元に戻ります。\n\n"
                      "ファイル名: %1\nエラー: %2");
    QTest::newRow("63288 registry save caption") << 63288 << int(IDS_CAPTION_REGISTRY_SAVE) << QByteArray("レジストリへの保存");
}

void TestStringTable::exactText()
{
    QFETCH(int, id);
    QFETCH(int, named);
    QFETCH(QByteArray, expected);

    QCOMPARE(named, id);
    const char *text = findText(id);
    QVERIFY2(text != nullptr, "id missing from the table");
    QCOMPARE(QByteArray(text), expected);
}

void TestStringTable::commandEntry_data()
{
    QTest::addColumn<int>("id");
    for (int id : CommandIds)
        QTest::newRow(qPrintable(QString::number(id))) << id;
}

// The status bar shows the part before the LF, the tool tip the part after it.
void TestStringTable::commandEntry()
{
    QFETCH(int, id);
    const char *text = findText(id);
    QVERIFY(text != nullptr);
    const QByteArrayList parts = QByteArray(text).split('\n');
    QCOMPARE(parts.size(), 2);
    QVERIFY(!parts[0].isEmpty());
    QVERIFY(!parts[1].isEmpty());
    QVERIFY(!QByteArray(text).contains('\r'));
}

// The log is written with CR LF; message boxes and list rows break lines with LF
// alone. Mixing them up shows stray characters or breaks the log's lines.
void TestStringTable::onlyLogLinesUseCrLf()
{
    for (const res::StringEntry &e : res::StringTable()) {
        const QByteArray text(e.utf8);
        const bool logLine = e.id >= IDS_LOG_HEADER_RULE && e.id <= IDS_LOG_ERROR_BLOCK;
        if (!logLine) {
            QVERIFY2(!text.contains('\r'), qPrintable(QString::number(e.id)));
            continue;
        }
        QVERIFY2(text.endsWith("\r\n"), qPrintable(QString::number(e.id)));
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == '\n')
                QVERIFY2(i > 0 && text[i - 1] == '\r', qPrintable(QString::number(e.id)));
        }
    }
}

// Texts are filled with printf-style (%s, %d, %02d, %% for the sign itself) or numbered (%1, %2)
// arguments; any other use of '%' would be a typo that breaks the formatting.
void TestStringTable::placeholdersAreWellFormed()
{
    for (const res::StringEntry &e : res::StringTable()) {
        const QByteArray text(e.utf8);
        for (qsizetype i = text.indexOf('%'); i >= 0; i = text.indexOf('%', i + 1)) {
            const QByteArray rest = text.mid(i + 1, 3);
            if (rest.startsWith('%')) {
                ++i;
                continue;
            }
            const bool ok = rest.startsWith('s') || rest.startsWith('d') || rest.startsWith('1')
                || rest.startsWith('2') || rest == "02d" || rest == "04d";
            QVERIFY2(ok, qPrintable(QStringLiteral("%1 at %2").arg(e.id).arg(i)));
        }
    }
}

// On Linux there is no Windows to shut down and no Explorer to open folders in.
void TestStringTable::noWindowsOnlyNames()
{
    for (const res::StringEntry &e : res::StringTable()) {
        const QByteArray text(e.utf8);
        QVERIFY2(!text.contains("Windows"), qPrintable(QString::number(e.id)));
        QVERIFY2(!text.contains("エクスプローラ"), qPrintable(QString::number(e.id)));
    }
}

void TestStringTable::namedIdsMatchTable_data()
{
    QTest::addColumn<int>("id");
    for (const NamedId &n : NamedIds)
        QTest::newRow(n.name) << n.value;
}

void TestStringTable::namedIdsMatchTable()
{
    QFETCH(int, id);
    QVERIFY2(findText(id) != nullptr, "named id has no text");
}

// Each text has a name, so no entry is reachable only by a bare number.
void TestStringTable::everyEntryIsNamed()
{
    for (const res::StringEntry &e : res::StringTable()) {
        const bool named = std::any_of(std::begin(NamedIds), std::end(NamedIds),
                                       [&](const NamedId &n) { return n.value == e.id; });
        QVERIFY2(named, qPrintable(QString::number(e.id)));
    }
    QCOMPARE(std::size(NamedIds), res::StringTable().size());
}

QTEST_APPLESS_MAIN(TestStringTable)
#include "tst_stringtable.moc"
