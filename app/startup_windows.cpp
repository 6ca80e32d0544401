#include "startup_windows.h"

#include "main_window.h"

void CreateStartupWindows(TForm1 &form1)
{
    Q_UNUSED(form1);
}
