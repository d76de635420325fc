#include "cli/CliApplication.h"

#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // A reader that goes away (`| head`) must not end a backup halfway: the write fails with
    // EPIPE instead, the run goes on, and the exit code tells.
    if (std::signal(SIGPIPE, SIG_IGN) == SIG_ERR) {
        std::perror("orvane-cli: SIGPIPE");
        return CCliApplication::ExitOsError;
    }
    QCoreApplication application(argc, argv);
    CCliApplication cli;
    return cli.Main(QCoreApplication::arguments().mid(1));
}
