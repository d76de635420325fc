#pragma once

#include <QDialog>

class CProjectList;
class MessageBoxPresenter;
class QComboBox;
class QRadioButton;

enum class ProjectCopyMode { Overwrite = 0, Append = 1 };

// Asks where the settings of one project go and how: over the destination's own, or after them.
// A copy onto the source itself is refused and the dialog stays open. Enter cancels.
class CDlgProjectCopy : public QDialog {
    Q_OBJECT

public:
    CDlgProjectCopy(const CProjectList &projects, int source, MessageBoxPresenter &boxes, QWidget *parent = nullptr);
    ~CDlgProjectCopy() override;

    // After OK; -1 before the dialog has chosen.
    int Destination() const { return m_destination; }
    ProjectCopyMode Mode() const { return m_mode; }

    void accept() override;

private:
    MessageBoxPresenter &m_boxes;
    int m_source;
    int m_destination = -1;
    ProjectCopyMode m_mode = ProjectCopyMode::Overwrite;
    QComboBox *m_destinations = nullptr;
    QRadioButton *m_append = nullptr;
};
