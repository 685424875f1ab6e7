#pragma once
#include <QIcon>

#include "aboutbox.h"

// String 101: the About entry of the main window's menu.
inline const char* const kAboutMenuText = "关于 Porvik(&A)...";
inline const char* const kPorvikVersion = "1.0.0.1";

// Icon 128 (32 x 32 and 16 x 16), for the windows and the About box.
QIcon PorvikIcon();

// The About box, dialog template 100: icon, "Porvik 1.0 版" and a default "确定" button.
AboutTemplate PorvikAbout();
