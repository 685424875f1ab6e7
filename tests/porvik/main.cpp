// One executable for Porvik's window tests: the fonts must be substituted right after the
// QApplication exists, which QTEST_MAIN does not allow.
#include <QApplication>

#include "dialogunits.h"

int RunPinTestDlgTests(int argc, char** argv);
int RunPorvikShellTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    InstallDialogFontSubstitutions();
    int failures = 0;
    failures += RunPinTestDlgTests(argc, argv);
    failures += RunPorvikShellTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
