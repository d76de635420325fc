#include "cli/CliApplication.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    CCliApplication cli;
    return cli.Main(QCoreApplication::arguments().mid(1));
}
