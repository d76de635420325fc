#include "app/TrayIcon.h"

#include "app/AppIcons.h"
#include "platform/Text.h"
#include "res/StringIds.h"

#include <QSystemTrayIcon>

CTrayIcon::CTrayIcon(std::function<bool()> running, QObject *parent)
    : QObject(parent), m_running(std::move(running)), m_icon(std::make_unique<QSystemTrayIcon>())
{
    m_appIcon = CAppIcons::Icon(CAppIcons::AppIcon);
    for (int i = 0; i < int(m_frames.size()); ++i)
        m_frames[i] = CAppIcons::Icon(CAppIcons::FirstRunFrame + i);
    m_icon->setIcon(m_appIcon);
    m_icon->setToolTip(LoadResString(IDS_APP_TITLE).left(MaxTipLength));
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT DoubleClicked();
    });
    m_timer.setInterval(FrameInterval);
    connect(&m_timer, &QTimer::timeout, this, &CTrayIcon::Tick);
}

CTrayIcon::~CTrayIcon() = default;

void CTrayIcon::SetMenu(QMenu *menu)
{
    m_icon->setContextMenu(menu);
}

void CTrayIcon::Add()
{
    m_icon->show();
    m_timer.start();
}

void CTrayIcon::Remove()
{
    m_timer.stop();
    m_icon->hide();
}

void CTrayIcon::RestartClock()
{
    m_timer.start();
}

bool CTrayIcon::IsAdded() const
{
    return m_icon->isVisible();
}

QString CTrayIcon::ToolTip() const
{
    return m_icon->toolTip();
}

int CTrayIcon::IconId() const
{
    return m_frame < 0 ? CAppIcons::AppIcon : CAppIcons::FirstRunFrame + m_frame;
}

void CTrayIcon::Tick()
{
    if (m_running()) {
        m_frame = (m_frame + 1) % int(m_frames.size());
        m_icon->setIcon(m_frames[m_frame]);
    } else if (m_frame != -1) {
        m_frame = -1;
        m_icon->setIcon(m_appIcon);
    }
}
