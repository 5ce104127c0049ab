// tavimore: the script editor.
#include <QApplication>

#include <cstdio>

#include "TavimoreApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavimore"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tavimore.xpm")));

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (arguments.contains(QStringLiteral("--help"))) {
        std::fputs(
            "usage: tavimore [--ports KIND] [--ftdi KIND] [--sim-config FILE] [FILE]\n"
            "Opens FILE (a Tavimore document) in the script editor.\n"
            "  --ports KIND       port-access library: system (default) | sim | none | PATH\n"
            "  --ftdi KIND        D2XX library: system (default) | sim | none | PATH\n"
            "  --sim-config FILE  configuration of the simulated devices\n"
            "The environment variables TAVIMORE_PORTS and TAVIMORE_FTDI set the same choices.\n",
            stdout);
        return 0;
    }
    CTavimoreApp app;
    QString error;
    if (!app.InitInstance(arguments, error)) {
        // Without a reason the user has already been told (a file that cannot be opened).
        if (error.isEmpty()) return 1;
        std::fprintf(stderr, "tavimore: %s\nTry 'tavimore --help'.\n", qPrintable(error));
        return 2;
    }
    return application.exec();
}
