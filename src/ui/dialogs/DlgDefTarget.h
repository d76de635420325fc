#pragma once

#include "ui/dialogs/DlgDefPage.h"

#include <QDate>

class CDlgAddPattern;
class CDlgDefMain;
class CFileDropListBox;
class CNumberEdit;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QPushButton;
class QRadioButton;

// Page ターゲット指定: the folder and file patterns with their include or ignore modes, deleting
// what is not a target, the date filter and the size filter.
class CDlgDefTarget : public CDlgDefPage {
    Q_OBJECT

public:
    // Whether a pattern list names what is processed or what is ignored.
    enum class ListMode : int { Include = 0, Ignore = 1 };
    struct ListModes {
        ListMode files;
        ListMode folders;
        friend bool operator==(const ListModes &, const ListModes &) = default;
    };

    CDlgDefTarget(SheetServices &services, const CDlgDefMain &general, QWidget *parent = nullptr);

    QString Title() const override;

    // The stored pattern text as list entries, and the list back as stored text (last entry first).
    static QStringList SplitPatterns(const QString &text);
    static QString JoinPatterns(const QStringList &entries);
    // TargetType and the two list modes; a type the program does not know ignores by both lists,
    // as a run reads it.
    static ListModes ModesOfTargetType(qint32 targetType);
    static qint32 TargetTypeOf(ListModes modes);
    // The local calendar day of a stored date, and the stored date moved to another day with the
    // same local time of day (the same value when the day is the same).
    static QDate DayOfTargetDate(qint64 seconds);
    static qint64 WithDay(qint64 seconds, QDate day);

    CFileDropListBox *FolderList() const { return m_folderList; }
    CFileDropListBox *FileList() const { return m_fileList; }

protected:
    void ShowValues() override;
    void TakeValues() override;
    void CopyOtherFields(const CFolderSetting &from, CFolderSetting &to) const override;
    void Activated() override;

private:
    void AddFolder();
    void AddFile();
    void EditFolder();
    void EditFile();
    // Opens the dialog on the focused entry and puts the changed text in its place.
    void EditEntry(CFileDropListBox *list, CDlgAddPattern &dialog);
    QString BaseFolder() const;
    void ApplyDateRule();
    void ApplySizeRule();
    void WarnAboutSinceLastRun();

    const CDlgDefMain &m_general;
    QButtonGroup *m_folderMode;
    CFileDropListBox *m_folderList;
    QButtonGroup *m_fileMode;
    CFileDropListBox *m_fileList;
    QCheckBox *m_deleteIgnoreTarget;
    QButtonGroup *m_dateType;
    QRadioButton *m_sinceLastRun;
    QDateEdit *m_date;
    QCheckBox *m_skipBySize;
    CNumberEdit *m_size;
    QComboBox *m_sizeUnit;
};
