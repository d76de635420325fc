#pragma once

#include <QMainWindow>

// The program's one top-level window. Its caption is always the application title alone.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QWidget *parent = nullptr);
    ~CMainFrame() override;
};
