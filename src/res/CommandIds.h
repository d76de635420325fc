#pragma once

// The program's commands, numbered as their menu items, tool bar buttons, accelerators and
// string-table entries (prompt "\n" tool tip) are.
enum class CommandId : int {
    EditSetting = 32771,
    AddSetting = 32772,
    DeleteSetting = 32773,
    UpdateAll = 32774,
    Stop = 32775,
    UpdateSelected = 32776,
    TestSelected = 32778,
    Options = 32779,
    ShowWindow = 32780,
    StartCompareTool = 32782,
    OpenLogFile = 32785,
    OpenManual = 32786,
    CopySetting = 32788,
    MoveUp = 32789,
    MoveDown = 32790,
    EditProjectsButton = 32792,   // the 編集 button of the dialog bar
    TestAll = 32796,
    OpenMasterFolder = 32797,
    OpenBackupFolder = 32798,
    SelectProject = 32799,
    FocusSettingList = 32801,
    EditProjectList = 32803,
    ExitAfterRun = 32804,
    ShutdownAfterRun = 32805,
    About = 57664,
    Exit = 57665,
};
