#include "app.h"

int main(int argc, char** argv)
{
    const TessaroCommandLine cmd = ParseTessaroCommandLine({argv + (argc > 0 ? 1 : 0), argv + argc});
    int exitCode = 0;
    if (CTessaroApp::AnswerCommandLine(cmd, exitCode)) return exitCode;
    CTessaroApp app(argc, argv);
    app.InitInstance(cmd.file);
    return 0;
}
