#pragma once

#include <QWidget>

struct AppFlags;
class CConfiguration;
class QComboBox;
class QPushButton;

// The bar below the tool bar: the project box with its 編集 button, and the box that says what
// happens when a run ends.
class CToolDialogBar : public QWidget {
    Q_OBJECT

public:
    // The after-run box's items, in order; the index is the choice.
    enum class AfterRun { Nothing, Message, Exit, Shutdown };

    CToolDialogBar(AppFlags &flags, QWidget *parent = nullptr);
    ~CToolDialogBar() override;

    void FillAfterRunBox();
    // Selects the item of the after-run flags: shut down before exit before message.
    void ShowAfterRun();
    // One item per project ("1: デフォルト"); selects the active project, which becomes the
    // first when it lies outside the list.
    void FillProjectBox(CConfiguration &config);
    // Selects the active project again, without telling anyone.
    void ShowActiveProject(int project);
    void FocusProjectBox();
    // The project box and 編集 only without a run; the after-run box only when the program was
    // not started for an unattended run.
    void UpdateEnabled(bool projectsEnabled, bool editEnabled);

    static AfterRun AfterRunOf(const AppFlags &flags);
    static void SetAfterRun(AppFlags &flags, AfterRun choice);

    QComboBox *ProjectBox() const { return m_projects; }
    QComboBox *AfterRunBox() const { return m_afterRun; }
    QPushButton *EditButton() const { return m_edit; }

Q_SIGNALS:
    // The user picked another project in the box.
    void ProjectChosen(int project);
    void EditProjectsClicked();

private:
    void AfterRunChosen(int index);

    AppFlags &m_flags;
    QComboBox *m_projects;
    QPushButton *m_edit;
    QComboBox *m_afterRun;
};
