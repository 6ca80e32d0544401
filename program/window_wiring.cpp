#include "window_wiring.h"

#include "chat_editor.h"
#include "chat_window.h"
#include "database_settings_dialog.h"
#include "image_list_browser.h"
#include "image_record_editor.h"
#include "main_window.h"
#include "member_dialog.h"
#include "name_balloon.h"
#include "pc_user_dialog.h"
#include "pen_tip_dialog.h"
#include "pointer_window.h"
#include "section_dialog.h"

namespace {

// The order is fixed: each exists, hidden, before the main window is first shown, so the
// settings file can place it. They live as long as the main window, which deletes them.
void CreateStartupDialogs(TForm1 &form1)
{
    auto keep = [&form1](PlacedDialog which, QDialog *dialog) {
        dialog->setParent(&form1, dialog->windowFlags());
        form1.SetStartupDialog(which, dialog);
    };
    keep(PlacedDialog::Form2, new TForm2(form1));
    keep(PlacedDialog::Form3, new TForm3(form1));
    keep(PlacedDialog::Form11, new TForm11(form1));
    keep(PlacedDialog::Form5, new TForm5(form1));
    keep(PlacedDialog::Form9, new TForm9(form1));
    keep(PlacedDialog::Form4, new TForm4(form1));
    // Then the one name balloon that is never shown (the pointer window makes its own). It is
    // the main window's child only so that it goes with it; it touches nothing on its way out.
    new TForm13(&form1);
}

void RegisterChildWindows(TForm1 &form1)
{
    form1.SetChildWindowFactory(ChildWindow::ImageEditor,
                                [](TForm1 &owner) { return new TForm6(owner); });
    form1.SetChildWindowFactory(ChildWindow::ImageList,
                                [](TForm1 &owner) { return new TForm7(owner); });
    form1.SetChildWindowFactory(ChildWindow::Chat,
                                [](TForm1 &owner) { return new TForm10(owner); });
    form1.SetChildWindowFactory(ChildWindow::Pointer,
                                [](TForm1 &owner) { return new TForm12(owner); });
}

} // namespace

void WireWindows(TForm1 &form1)
{
    CreateStartupDialogs(form1);
    RegisterChildWindows(form1);
}
