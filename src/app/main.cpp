#include "app/OrvaneApp.h"

#include "platform/Text.h"
#include "res/StringIds.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(LoadResString(IDS_APP_TITLE));
    QApplication::setOrganizationName(QStringLiteral("ZENTREL"));
    QApplication::setApplicationVersion(ProgramVersionText());
    // The desktop matches the window to the installed menu entry (and its icon) by this name.
    QApplication::setDesktopFileName(QStringLiteral("com.zentrel.OrvaneUnicode"));
    // The window may hide in the notification area; the program ends when it closes, not when
    // the last visible window (a dialog opened from the icon) does.
    QApplication::setQuitOnLastWindowClosed(false);

    COrvaneApp app;
    QObject::connect(&app, &COrvaneApp::Finished, &application, [] { QCoreApplication::exit(0); });
    if (const std::optional<int> code = app.Start(QCoreApplication::arguments())) {
        app.End();
        return *code;
    }
    QApplication::exec();
    return app.End();
}
