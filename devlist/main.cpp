#include "app.h"

int main(int argc, char** argv)
{
    if (CTessaroApp::AnswerCommandLine(argc, argv)) return 0;
    CTessaroApp app(argc, argv);
    app.InitInstance();
    return 0;
}
