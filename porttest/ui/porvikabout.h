#pragma once
#include <QIcon>

#include "aboutbox.h"
#include "testertexts.h" // kAboutMenuText, string 101; kPorvikVersion

// Icon 128 (32 x 32 and 16 x 16), for the windows and the About box.
QIcon PorvikIcon();

// The About box, dialog template 100: icon, "Porvik 1.0 版" and a default "确定" button.
AboutTemplate PorvikAbout();
