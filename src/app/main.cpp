#include "app/MainFrame.h"

#include "platform/Text.h"
#include "res/StringIds.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(LoadResString(IDS_APP_TITLE));
    QApplication::setOrganizationName(QStringLiteral("ZENTREL"));
    QApplication::setApplicationVersion(ProgramVersionText());

    CMainFrame frame;
    frame.show();
    return QApplication::exec();
}
