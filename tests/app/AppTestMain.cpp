// The editor's tests: Qt Test classes run one at a time by name, each through the
// real widgets on the offscreen platform (unless QT_QPA_PLATFORM says otherwise).
//
//   tavimore-app-tests CLASS [Qt Test options]
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include "AppTests.h"

std::map<std::string, AppTestMaker>& AppTestClasses()
{
    static std::map<std::string, AppTestMaker> classes;
    return classes;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The tests' settings and endpoints live in folders of their own.
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("config"));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path() + QStringLiteral("/runtime")));

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavimore"));

    const auto& classes = AppTestClasses();
    if (argc < 2 || classes.count(argv[1]) == 0) {
        std::fputs("usage: tavimore-app-tests CLASS [Qt Test options]; classes:", stderr);
        for (const auto& entry : classes)
            std::fprintf(stderr, " %s", entry.first.c_str());
        std::fputs("\n", stderr);
        return 2;
    }
    std::unique_ptr<QObject> test = classes.at(argv[1])();
    // Qt Test sees the program name and the options after the class name.
    argv[1] = argv[0];
    return QTest::qExec(test.get(), argc - 1, argv + 1);
}
