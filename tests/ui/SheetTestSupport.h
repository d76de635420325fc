#pragma once

#include "ConfigTestSupport.h"
#include "model/FolderSetting.h"
#include "ui/dialogs/SheetServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <functional>

// The desktop as the sheet's pages see it, scripted: message boxes, folder and file dialogs and
// volume labels answer from fields and remember what they were asked.
struct ScriptedDesktop {
    ScriptedPresenter messages;
    QString folderAnswer;
    QStringList folderQuestions;   // "title|start"
    QString saveAnswer;
    QList<SaveFileRequest> saveQuestions;
    QString labelAnswer = QStringLiteral("LABEL");
    QStringList labelQuestions;

    SheetServices Services()
    {
        SheetServices services;
        services.messages = &messages;
        services.chooseFolder = [this](QWidget *, const QString &title, const QString &start) {
            folderQuestions << title + u'|' + start;
            return folderAnswer;
        };
        services.chooseSaveFile = [this](QWidget *, const SaveFileRequest &request) {
            saveQuestions << request;
            return saveAnswer;
        };
        services.volumeLabel = [this](const QString &folder) {
            labelQuestions << folder;
            return labelAnswer;
        };
        return services;
    }

    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const MessageBoxRequest &box : messages.boxes)
            texts << box.text;
        return texts;
    }
};

// A control as the user finds it: a button or check box by its text, any other control by the
// text of its label or by its accessible name.
template <class T>
T *Control(const QWidget *parent, const QString &text)
{
    for (QAbstractButton *button : parent->findChildren<QAbstractButton *>()) {
        if (button->text() == text)
            if (T *found = qobject_cast<T *>(button))
                return found;
    }
    for (QLabel *label : parent->findChildren<QLabel *>()) {
        if (label->text() == text && label->buddy())
            if (T *found = qobject_cast<T *>(label->buddy()))
                return found;
    }
    for (T *widget : parent->findChildren<T *>()) {
        if (widget->accessibleName() == text)
            return widget;
    }
    return nullptr;
}

// Runs the action on the next modal dialog of the given class as soon as it is open.
template <class T>
void OnNextDialog(std::function<void(T *)> action)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        if (T *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            action(dialog);
        }
    });
    poll->start();
}

// A folder setting with every field off the value of a new one.
inline CFolderSetting UnusualSetting()
{
    CFolderSetting s;
    s.LastExec = 1700000123;
    s.AutoExec = false;
    s.Name = QStringLiteral(u"写真");
    s.Master = QStringLiteral("/srv/master");
    s.Backup = QStringLiteral("/mnt/backup/photos");
    s.Target = QStringLiteral("Some TARGET");
    s.Volume = QStringLiteral("BACKUP1");
    s.Mirroring = false;
    s.BackupType = BackupOrder::MirroringFirst;
    s.DeleteConf = true;
    s.DeleteRecycleBin = true;
    s.OverWrite = false;
    s.SubDir = false;
    s.CheckVolume = true;
    s.VolErrorSkip = true;
    s.TargetType = 3;
    s.TargetFile = QStringLiteral("*.txt;*.doc");
    s.TargetDirectory = QStringLiteral("c;b;a");
    s.DeleteIgnoreTarget = true;
    s.SkipTargetFileSize = true;
    s.TargetFileSize = 500;
    s.TargetFileSizeUnit = 4;
    s.NtfsToFat = false;
    s.LeaveTime = 5;
    s.ErrorLeave = true;
    s.CopyLockedFile = true;
    s.ErrorNetPathRetry = true;
    s.NetPathRetryCount = 7;
    s.CheckFileName = true;
    s.CopyFileTimeAll = true;
    s.CopyFolderTime = true;
    s.RenameCapital = true;
    s.ShowSkipFile = false;
    s.MakeDateDir = true;
    s.TargetDateType = 1;
    s.TargetDate = 1600000000;
    s.ScheduleType = ScheduleKind::EveryHours;
    s.ScheduleTime = 48;
    s.OutputLog = true;
    s.OutputErrorOnly = true;
    s.OutputSkipLog = false;
    s.LogFileName = QStringLiteral("/var/log/orvane-photos.log");
    s.ClearLog = false;
    s.WriteLogImmediately = true;
    s.Errors = 3;
    s.DeleteLimit = 40;
    return s;
}
