// Tavio_Driver: the whiteboard daemon. No command-line options; the working
// directory is /usr/share/BoardDriver/DVT unless BOARD_DRIVER_HOME names
// another.
#include "CKestoBoardApp.h"

wxIMPLEMENT_APP(CKestoBoardApp);
