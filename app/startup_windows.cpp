#include "startup_windows.h"

#include "database_settings_dialog.h"
#include "main_window.h"
#include "member_dialog.h"
#include "pc_user_dialog.h"
#include "section_dialog.h"

void CreateStartupWindows(TForm1 &form1)
{
    // The order is fixed: each exists, hidden, before the main window is first shown, so the
    // settings file can place it. They live as long as the main window.
    auto keep = [&form1](PlacedDialog which, QDialog *dialog) {
        dialog->setParent(&form1, dialog->windowFlags());
        form1.SetStartupDialog(which, dialog);
    };
    keep(PlacedDialog::Form2, new TForm2(form1));
    keep(PlacedDialog::Form3, new TForm3(form1));
    keep(PlacedDialog::Form5, new TForm5(form1));
    keep(PlacedDialog::Form4, new TForm4(form1));
}
