# Entry dialogs and the toolkit stand-ins (library tessaro_dialogs), then the main window,
# the application shell and the program (library tessaro_window, executable tessaro).
include(entrydlg.cmake)
include(mainwnd.cmake)
