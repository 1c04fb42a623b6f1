// The main() of a window test: the program's own application object (so the tests see its
// exception display and icon), then the Qt Test run of `TestObject`.
#pragma once

#include <QtTest>

#include "ui/application.h"

#define GAINTOOL_UI_TEST_MAIN(TestObject)               \
  int main(int argc, char** argv) {                     \
    gaintool::ui::TApplication application(argc, argv); \
    TestObject test;                                    \
    QTEST_SET_MAIN_SOURCE_PATH                          \
    return QTest::qExec(&test, argc, argv);             \
  }
