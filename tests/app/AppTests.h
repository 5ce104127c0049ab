// The editor's test classes, each registered under its name by the file that holds
// it, and run one at a time by the test program (tavimore-app-tests CLASS).
#pragma once

#include <QObject>

#include <map>
#include <memory>
#include <string>

using AppTestMaker = std::unique_ptr<QObject> (*)();

std::map<std::string, AppTestMaker>& AppTestClasses();

// Registers a test class under a name; ctest runs it as app/NAME.
#define TAVIMORE_APP_TEST(Class, name)                                                             \
    static const bool s_registered##Class = (                                                      \
        AppTestClasses()[name] = [] { return std::unique_ptr<QObject>(new Class); }, true)
