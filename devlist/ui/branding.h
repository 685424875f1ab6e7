#pragma once
#include <QIcon>

#include "aboutbox.h"

// The program icon (icon 128), in the sizes a window and a task bar ask for.
QIcon LoadTessaroIcon();

// Tessaro's About box (template 100).
AboutTemplate TessaroAbout();
