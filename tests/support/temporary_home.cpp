// Compiled into every Qt test program: the program runs with a home folder of its own that goes
// when it ends, so that whatever the toolkit stores for a user never reaches the real one.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

void UseTemporaryHome()
{
    static QTemporaryDir home;
    if (!home.isValid()) std::abort();
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) qunsetenv(xdg);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(UseTemporaryHome)
