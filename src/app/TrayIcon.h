#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

// The program's icon in the notification area: the application icon with the title as its tip,
// the four frames of a run in turn while a run is active, a menu on the right button, and the
// main window on a double click.
class CTrayIcon : public QObject {
    Q_OBJECT

public:
    static constexpr int FrameInterval = 500;   // ms
    static constexpr int MaxTipLength = 127;

    // running: whether a run is active now, asked at each tick of the animation.
    CTrayIcon(std::function<bool()> running, QObject *parent = nullptr);
    ~CTrayIcon() override;

    void SetMenu(QMenu *menu);
    // Puts the icon into the notification area, with the icon it shows now, and starts the
    // animation's clock.
    void Add();
    void Remove();
    // Starts the animation's clock again from now, as when the icon was added.
    void RestartClock();
    bool ClockRunning() const { return m_timer.isActive(); }

    // One tick of the animation: the next frame while a run is active, the application icon
    // once after it ended.
    void Tick();
    // The frame shown: -1 for the application icon, 0 to 3 for a run's frames.
    int Frame() const { return m_frame; }
    // The resource number of the icon shown: 128, or 147 to 150.
    int IconId() const;
    QString ToolTip() const;
    bool IsAdded() const;

Q_SIGNALS:
    void DoubleClicked();

private:
    std::function<bool()> m_running;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QTimer m_timer;
    QIcon m_appIcon;
    std::array<QIcon, 4> m_frames;
    int m_frame = -1;
};
