#include "app/MainFrame.h"

#include "platform/Text.h"
#include "res/StringIds.h"

CMainFrame::CMainFrame(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(LoadResString(IDS_APP_TITLE));
    resize(960, 640);
}

CMainFrame::~CMainFrame() = default;
