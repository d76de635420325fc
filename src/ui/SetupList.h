#pragma once

#include <QTreeView>

#include <array>

class QMenu;
class ViewCommands;

// The upper list of the main view: one row per folder setting with its auto mark, whole rows
// selected, one at most. Double-click and Enter ask for the edit command, the right mouse button
// opens the commands' menu; every command goes through the view, which checks its enable rule.
class CSetupList : public QTreeView {
    Q_OBJECT

public:
    // widths: the column widths of the window layout, read now and written back whenever the
    // user drags a column border.
    CSetupList(ViewCommands &commands, std::array<qint32, 5> &widths, QWidget *parent = nullptr);

    // The context menu as it would open now: the items of the list's menu, each enabled by its
    // rule. The caller owns it.
    QMenu *CreateContextMenu(QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void RequestEdit();

    ViewCommands &m_commands;
    std::array<qint32, 5> &m_widths;
};
