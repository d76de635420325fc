#include "ui/SetupList.h"

#include "res/Menus.h"
#include "model/SettingListText.h"
#include "ui/CentredCheckDelegate.h"
#include "ui/ViewCommands.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

CSetupList::CSetupList(ViewCommands &commands, std::array<qint32, 5> &widths, QWidget *parent)
    : QTreeView(parent), m_commands(commands), m_widths(widths)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    // The selection keeps its colour when the list loses the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    setItemDelegateForColumn(int(SettingListColumn::Auto), new CCentredCheckDelegate(this));

    connect(header(), &QHeaderView::sectionCountChanged, this, [this] {
        for (int column = 0; column < int(m_widths.size()) && column < header()->count(); ++column)
            header()->resizeSection(column, m_widths[size_t(column)]);
    });
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column >= 0 && column < int(m_widths.size()))
            m_widths[size_t(column)] = size;
    });
}

QMenu *CSetupList::CreateContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    const ViewState state = m_commands.State();
    for (const MenuItem &item : CMenus::SettingListMenu()) {
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        const QString computed = m_commands.MenuText(item.command, false);
        QAction *action = menu->addAction(computed.isEmpty() ? item.Text() : computed);
        action->setShortcut(QKeySequence(item.Shortcut()));
        action->setEnabled(CommandState(item.command, state));
        const CommandId command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { m_commands.ExecuteCommand(command); });
    }
    return menu;
}

void CSetupList::RequestEdit()
{
    // Posted, as a command from a menu is: the list finishes the click or key first.
    QTimer::singleShot(0, this, [this] { m_commands.ExecuteCommand(CommandId::EditSetting); });
}

void CSetupList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        RequestEdit();
    QTreeView::keyPressEvent(event);
}

void CSetupList::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        RequestEdit();
}

void CSetupList::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    // Only the mouse opens the menu; Shift+F10 and the menu key do not.
    if (event->reason() != QContextMenuEvent::Mouse)
        return;
    QMenu *menu = CreateContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
