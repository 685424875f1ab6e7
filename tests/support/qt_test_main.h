#pragma once
// The one way a Qt test program starts: one test object per program, so that any of its test
// functions (and data rows) can be run alone by name, e.g. `porvik_testwnd_test registerTexts`.
// The dialog fonts are substituted right after the QApplication exists and before any widget,
// which QTEST_MAIN leaves no room for.
#include <QApplication>
#include <QTest>

#include "dialogunits.h"

#define TP_QTEST_MAIN(TestObject)                                                                   \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        InstallDialogFontSubstitutions();                                                          \
        TestObject test;                                                                           \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// The same start for a GoogleTest program that drives Qt windows (one that includes gtest).
#define TP_GTEST_QT_MAIN()                                                                         \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QApplication app(argc, argv);                                                              \
        InstallDialogFontSubstitutions();                                                          \
        ::testing::InitGoogleTest(&argc, argv);                                                    \
        return RUN_ALL_TESTS();                                                                    \
    }
