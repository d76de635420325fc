#pragma once

#include "model/ProjectList.h"
#include "ui/dialogs/DlgProjectCopy.h"
#include "ui/dialogs/SelectionMove.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class CConfiguration;
class MessageBoxPresenter;
class QListWidget;
class QPushButton;

// The project list: add, delete, rename, copy and reorder projects on a working copy of every
// project with its folder settings. Only OK writes the copy to the store; Cancel leaves the
// store and the configuration's project list as they were.
class CDlgProjectEdit : public QDialog {
    Q_OBJECT

public:
    struct CopyChoice {
        int destination = -1;
        ProjectCopyMode mode = ProjectCopyMode::Overwrite;
    };
    // The name dialog: caption (empty for its own) and the name to start from; none on cancel.
    using NameAsker = std::function<std::optional<QString>(const QString &caption, const QString &name)>;
    // The copy dialog on the working list for a source; none on cancel.
    using CopyAsker = std::function<std::optional<CopyChoice>(const CProjectList &projects, int source)>;

    // The caller has saved the active project: the working copy is read from the store here.
    CDlgProjectEdit(CConfiguration &config, int activeProject, MessageBoxPresenter &boxes, QWidget *parent = nullptr);
    ~CDlgProjectEdit() override;

    // The name and copy dialogs are real dialogs over this one unless replaced.
    void SetNameAsker(NameAsker asker) { m_askName = std::move(asker); }
    void SetCopyAsker(CopyAsker asker) { m_askCopy = std::move(asker); }

    const CProjectList &Working() const { return m_working; }
    QListWidget *List() const { return m_list; }
    // Whether everything of the OK reached the store (the store has shown what did not).
    bool Stored() const { return m_stored; }

    void Add();
    void DeleteSelected();
    void Rename();
    void Copy();
    void Move(MoveDirection direction);

    void accept() override;

private:
    std::vector<bool> SelectionState() const;
    std::vector<int> SelectedRows() const;
    int Caret() const;
    void SetCaret(int row);
    void SelectCaretAlone();
    // Fills the list from the working copy again, keeping the selected positions that still
    // exist; with a caret position the caret goes there (the last item when it lies beyond).
    void Refill(std::optional<int> caret);
    void UpdateButtons();

    CConfiguration &m_config;
    MessageBoxPresenter &m_boxes;
    CProjectList m_working;
    NameAsker m_askName;
    CopyAsker m_askCopy;
    bool m_stored = false;
    QListWidget *m_list = nullptr;
    std::vector<QPushButton *> m_selectionButtons;
};
