#pragma once

class TForm1;

// Creates the dialogs that live as long as the program, in their fixed order, hands them to the
// main window, and tells the main window how to make the child windows of its menu.
void CreateStartupWindows(TForm1 &form1);
