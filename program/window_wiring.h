#pragma once
// The composition root: which dialogs exist from program start, in their fixed order, and how
// the main window makes the child windows of its menu. Only this folder knows every window
// folder; the windows themselves know only app/ and db/.

class TForm1;

// Creates the dialogs that live as long as the program and hands them to the main window, then
// tells the main window how to make its child windows.
void WireWindows(TForm1 &form1);
