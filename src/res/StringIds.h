#pragma once

// Ids of the program's numbered texts (see StringTable.cpp), for LoadResString.
// A command's text has the command's own id: prompt, LF, tool tip.

enum StringId : int {
    // Tool bar button texts
    IDS_TB_ADD        = 10000,
    IDS_TB_DELETE     = 10001,
    IDS_TB_EDIT       = 10002,
    IDS_TB_SHOW_LOG   = 10003,
    IDS_TB_MOVE_UP    = 10004,
    IDS_TB_MOVE_DOWN  = 10005,
    IDS_TB_TEST       = 10006,
    IDS_TB_TEST_ALL   = 10007,
    IDS_TB_UPDATE     = 10008,
    IDS_TB_UPDATE_ALL = 10009,
    IDS_TB_STOP       = 10010,

    // Command prompts: status-bar prompt, LF, tool tip
    IDS_CMD_EDIT_SETTING       = 32771,
    IDS_CMD_ADD_SETTING        = 32772,
    IDS_CMD_DELETE_SETTING     = 32773,
    IDS_CMD_UPDATE_ALL         = 32774,
    IDS_CMD_STOP               = 32775,
    IDS_CMD_UPDATE_SELECTED    = 32776,
    IDS_CMD_TEST_SELECTED      = 32778,
    IDS_CMD_OPTIONS            = 32779,
    IDS_CMD_SHOW_WINDOW        = 32780,
    IDS_CMD_START_COMPARE_TOOL = 32782,
    IDS_CMD_OPEN_LOG_FILE      = 32785,
    IDS_CMD_OPEN_MANUAL        = 32786,
    IDS_CMD_COPY_SETTING       = 32788,
    IDS_CMD_MOVE_UP            = 32789,
    IDS_CMD_MOVE_DOWN          = 32790,
    IDS_CMD_TEST_ALL           = 32796,
    IDS_CMD_OPEN_MASTER_FOLDER = 32797,
    IDS_CMD_OPEN_BACKUP_FOLDER = 32798,
    IDS_CMD_SELECT_PROJECT     = 32799,
    IDS_CMD_FOCUS_SETTING_LIST = 32801,
    IDS_CMD_EDIT_PROJECT_LIST  = 32803,
    IDS_CMD_EXIT_AFTER_RUN     = 32804,
    IDS_CMD_SHUTDOWN_AFTER_RUN = 32805,

    // Application title and the status bar's idle text
    IDS_APP_TITLE   = 57344,
    IDS_STATUS_IDLE = 57345,

    // Prompts of the About and Exit commands
    IDS_CMD_ABOUT = 57664,
    IDS_CMD_EXIT  = 57665,

    // Build suffix of the version line in the About box
    IDS_ABOUT_BUILD_SUFFIX = 60001,

    // Project names and the project list dialog
    IDS_PROJECT_DEFAULT_NAME   = 60010,
    IDS_PROJECT_UNNAMED        = 60011,
    IDS_CAPTION_ADD_PROJECT    = 60012,
    IDS_MSG_PROJECT_LIMIT      = 60013,
    IDS_CAPTION_COPY_PROJECT   = 60014,
    IDS_MSG_PROJECT_COPIED     = 60015,
    IDS_CAPTION_DELETE_PROJECT = 60016,
    IDS_ASK_DELETE_PROJECTS    = 60017,

    // Items of the after-run box
    IDS_AFTER_RUN_NOTHING  = 60020,
    IDS_AFTER_RUN_EXIT     = 60021,
    IDS_AFTER_RUN_SHUTDOWN = 60022,
    IDS_AFTER_RUN_MESSAGE  = 60023,

    // Report operations (report list rows and log lines)
    IDS_OP_START         = 60100,
    IDS_OP_TEST_START    = 60101,
    IDS_OP_CREATE        = 60102,
    IDS_OP_CREATE_FOLDER = 60103,
    IDS_OP_UPDATE        = 60104,
    IDS_OP_DELETE        = 60105,
    IDS_OP_DELETE_FOLDER = 60106,
    IDS_OP_RENAME        = 60107,
    IDS_OP_SKIP          = 60108,
    IDS_OP_ERROR         = 60109,
    IDS_OP_ABORTED       = 60110,
    IDS_OP_END           = 60111,

    // Title row of a setting in the report list, then the log header and operation line
    IDS_REPORT_SETTING_TITLE = 60112,
    IDS_LOG_HEADER_RULE      = 60113,
    IDS_LOG_HEADER_NAME      = 60114,
    IDS_LOG_HEADER_TIME      = 60115,
    IDS_LOG_HEADER_MASTER    = 60116,
    IDS_LOG_HEADER_BACKUP    = 60117,
    IDS_LOG_OPERATION_LINE   = 60118,

    // Error block of the log and its headings
    IDS_LOG_ERROR_BLOCK    = 60119,
    IDS_LOG_ERROR_ABORTED  = 60120,
    IDS_LOG_ERROR_IGNORED  = 60121,
    IDS_LOG_ERROR_RESOLVED = 60122,

    // Character repeated for the closing row of a setting in the report list
    IDS_REPORT_SEPARATOR_CHAR = 60123,

    // Compare tool menu item and message caption
    IDS_MENU_START_NAMED_COMPARE_TOOL = 60200,
    IDS_CAPTION_START_COMPARE_TOOL    = 60201,

    // File dialogs of the options (title, filter, default extension)
    IDS_TITLE_CHOOSE_LOG_FILE     = 60300,
    IDS_FILTER_LOG_FILE           = 60301,
    IDS_DEFEXT_LOG_FILE           = 60302,
    IDS_TITLE_CHOOSE_COMPARE_TOOL = 60303,
    IDS_FILTER_PROGRAM            = 60304,
    IDS_DEFEXT_PROGRAM            = 60305,

    // Names of the existence checks
    IDS_CHECK_FOLDER_EXISTS = 61000,
    IDS_CHECK_FILE_EXISTS   = 61001,

    // Choice of the settings store and the INI file
    IDS_ASK_FIRST_START_STORE = 62000,
    IDS_CAPTION_OPEN_INI      = 62001,
    IDS_MSG_INI_CONVERTED     = 62002,

    // Folder browser titles and the delete confirmation's size and date
    IDS_TITLE_CHOOSE_MASTER_FOLDER = 62010,
    IDS_TITLE_CHOOSE_BACKUP_FOLDER = 62011,
    IDS_FMT_SIZE_BYTES             = 62012,
    IDS_FMT_DATE_TIME_UNKNOWN      = 62013,
    IDS_FMT_DATE_TIME              = 62014,

    // Compare tool menu item when no tool is set
    IDS_MENU_NO_COMPARE_TOOL = 62020,

    // Clearing and opening log files
    IDS_ASK_CLEAR_LOG       = 62030,
    IDS_CAPTION_CLEAR_LOG   = 62031,
    IDS_MSG_LOG_CLEARED     = 62032,
    IDS_MSG_LOG_IN_USE      = 62033,
    IDS_MSG_LOG_OPEN_FAILED = 62035,
    IDS_CAPTION_OPEN_LOG    = 62036,

    // Status texts of a run
    IDS_STATUS_BACKING_UP = 62500,
    IDS_STATUS_MIRRORING  = 62501,
    IDS_STATUS_RETRYING   = 62502,
    IDS_STATUS_STOPPING   = 62503,
    IDS_STATUS_FINISHED   = 62509,

    // Completion message
    IDS_MSG_BACKUP_COMPLETE     = 62600,
    IDS_CAPTION_BACKUP_COMPLETE = 62601,

    // Error messages of file operations and checks during a run
    IDS_FMT_CHECK_MESSAGE            = 63100,
    IDS_FMT_CHECK_CAPTION            = 63101,
    IDS_FMT_RETRY_NOTE               = 63102,
    IDS_FMT_PATH_DETAIL              = 63103,
    IDS_FMT_COPY_DETAIL              = 63104,
    IDS_FMT_RENAME_DETAIL            = 63105,
    IDS_CAPTION_COPY_FAILED          = 63106,
    IDS_CAPTION_DELETE_FILE_FAILED   = 63107,
    IDS_CAPTION_DELETE_FOLDER_FAILED = 63108,
    IDS_CAPTION_RENAME_FAILED        = 63109,
    IDS_CAPTION_CREATE_FOLDER_FAILED = 63110,
    IDS_ERR_INVALID_NAME             = 63111,
    IDS_ERR_INVALID_TIMESTAMP        = 63113,
    IDS_CAPTION_TIMESTAMP_CHECK      = 63114,

    // Pattern engine, settings file and compare tool errors
    IDS_ERR_PATTERN_ENGINE_INIT = 63200,
    IDS_MSG_INI_OPEN_FAILED     = 63210,
    IDS_MSG_NO_COMPARE_TOOL     = 63220,

    // Log file clearing in the dialogs
    IDS_MSG_LOG_NOT_FOUND    = 63230,
    IDS_MSG_CLEAR_LOG_FAILED = 63231,

    // Project copy onto itself
    IDS_MSG_COPY_PROJECT_ONTO_ITSELF = 63240,

    // Checks before a folder setting runs: volume label, master and backup folder
    IDS_ERR_VOLUME_LABEL          = 63241,
    IDS_MSG_VOLUME_LABEL          = 63242,
    IDS_MSG_VOLUME_LABEL_EXCHANGE = 63243,
    IDS_CAPTION_VOLUME_LABEL      = 63244,
    IDS_ERR_MASTER_INVALID        = 63245,
    IDS_MSG_MASTER_INVALID        = 63246,
    IDS_ERR_BACKUP_INVALID        = 63247,
    IDS_MSG_BACKUP_INVALID        = 63248,
    IDS_CAPTION_SETTING_ERROR     = 63249,

    // Existence checks: an item of the other kind has the name
    IDS_ERR_FILE_WITH_FOLDER_NAME = 63250,
    IDS_ERR_FOLDER_WITH_FILE_NAME = 63251,

    // Auto mark changed during a run
    IDS_MSG_NO_CHANGE_WHILE_RUNNING = 63252,

    // Warning of the target page about the newer-than-last-run mode
    IDS_CAPTION_TARGET               = 63254,
    IDS_MSG_NEWER_THAN_LAST_RUN_MODE = 63255,

    // A folder setting that ended early
    IDS_MSG_RUN_ABORTED     = 63256,
    IDS_CAPTION_RUN_ABORTED = 63257,

    // Snapshot failure
    IDS_ERR_SNAPSHOT = 63258,

    // Checks before a folder setting runs: identical folders, backup folder creation and access
    IDS_ERR_SAME_FOLDERS         = 63259,
    IDS_MSG_SAME_FOLDERS         = 63260,
    IDS_ERR_CREATE_BACKUP_FOLDER = 63261,
    IDS_MSG_CREATE_BACKUP_FOLDER = 63262,
    IDS_ERR_ACCESS_BACKUP_FOLDER = 63263,
    IDS_MSG_ACCESS_BACKUP_FOLDER = 63264,

    // Target patterns that cannot be parsed
    IDS_ERR_FILE_PATTERN     = 63265,
    IDS_ERR_FOLDER_PATTERN   = 63266,
    IDS_CAPTION_TARGET_ERROR = 63267,
    IDS_MSG_FILE_PATTERN     = 63268,
    IDS_MSG_FOLDER_PATTERN   = 63269,

    // Overlapping master and backup folders, and folders that cannot be listed
    IDS_ERR_BACKUP_INSIDE_MASTER   = 63270,
    IDS_MSG_BACKUP_INSIDE_MASTER   = 63271,
    IDS_ERR_MASTER_INSIDE_BACKUP   = 63272,
    IDS_MSG_MASTER_INSIDE_BACKUP   = 63273,
    IDS_CAPTION_LIST_FOLDER_FAILED = 63274,

    // Folder-setting list: column headers, the time of the last run and the last result
    IDS_LIST_HEADER_AUTO        = 63275,
    IDS_LIST_HEADER_NAME        = 63276,
    IDS_LIST_HEADER_MASTER      = 63277,
    IDS_LIST_HEADER_BACKUP      = 63278,
    IDS_LIST_HEADER_LAST_RESULT = 63279,
    IDS_LIST_TIME_NEVER         = 63280,
    IDS_LIST_TIME               = 63281,
    IDS_LIST_RESULT_SKIPPED     = 63282,
    IDS_LIST_RESULT_RUNNING     = 63283,
    IDS_LIST_RESULT_UNKNOWN     = 63284,
    IDS_LIST_RESULT_NO_ERRORS   = 63285,
    IDS_LIST_RESULT_ERRORS      = 63286,

    // Settings that could not be saved in the registry (the per-user settings database)
    IDS_MSG_REGISTRY_SAVE_FAILED = 63287,
    IDS_CAPTION_REGISTRY_SAVE    = 63288,

    // What keeps a backup whole: names a backup cannot tell apart, an empty master, the deletion
    // limit, a file that changed while it was copied, copies that could not be made durable
    IDS_ERR_CASE_COLLISION     = 63289,
    IDS_CAPTION_CASE_COLLISION = 63290,
    IDS_ERR_MASTER_EMPTY       = 63291,
    IDS_MSG_MASTER_EMPTY       = 63292,
    IDS_CAPTION_DELETION_GUARD = 63293,
    IDS_ERR_DELETE_LIMIT       = 63294,
    IDS_MSG_DELETE_LIMIT       = 63295,
    IDS_ERR_SOURCE_CHANGED     = 63296,
    IDS_CAPTION_SYNC_FAILED    = 63297,
};
