// The main window's menu commands. Each makes sure the database is connected and the table its
// window needs exists (creating it when missing), asks for the PC user where the window writes
// in that user's name, and then opens the window.

#include "main_window.h"

#include "message_box.h"
#include "startup_dialog.h"

#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

namespace {
const QString kRegisterPcUser = QStringLiteral("PC利用者名の登録を行って下さい");
}

bool TForm1::EnsureTable(const QString &table, bool (DatabaseSession::*creator)())
{
    if (TableExists(table)) return true;
    // Not made while the server cannot be reached: it may well be there.
    if (ReportedUnreachable()) return false;
    if ((session_.*creator)()) return true;
    ReportedUnreachable();
    return false;
}

bool TForm1::ReportedUnreachable()
{
    // Connected in the session's eyes, but the server does not answer: the user hears so
    // rather than nothing at all.
    if (!session_.ServerUnreachable()) return false;
    ShowMessage(msg::kCannotConnect);
    return true;
}

bool TForm1::PcUserRegistered()
{
    if (settings_.PcUserNumber != 0) return true;
    ShowMessage(kRegisterPcUser);
    return false;
}

void TForm1::ShowStartupDialog(PlacedDialog which)
{
    if (QDialog *dialog = StartupDialog(which)) ShowModal(*dialog);
}

QWidget *TForm1::OpenChildWindow(ChildWindow which, const QString &caption)
{
    const ChildWindowFactory &factory = childFactories_[int(which)];
    if (!factory) return nullptr;
    try {
        return ShowChildWindow(factory(*this), caption);
    } catch (...) {
        return nullptr; // dropped without a message, as any failure to open a window
    }
}

QWidget *TForm1::ShowChildWindow(QWidget *window, const QString &caption)
{
    if (!window) return nullptr;
    if (!mdiArea_) {
        delete window;
        return nullptr;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *frame = mdiArea_->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    if (!caption.isEmpty()) window->setWindowTitle(caption);
    window->show(); // its show handler may give the frame its remembered size
    // A window larger than the space left would be put partly above or left of the area, its
    // title bar and buttons out of reach: its top-left corner always stays in view.
    const QSize room = mdiArea_->viewport()->size() - frame->size();
    frame->move(std::clamp(frame->x(), 0, std::max(room.width(), 0)),
                std::clamp(frame->y(), 0, std::max(room.height(), 0)));
    return window;
}

void TForm1::mnuDBsetClick()
{
    DisconnectDatabase();
    ShowStartupDialog(PlacedDialog::Form2);
    ConnectDatabase(); // whatever the dialog's outcome; a failure here is not reported
}

void TForm1::mnuAddTable1Click()
{
    if (Connected() && EnsureTable(QStringLiteral("SECTION"), &DatabaseSession::CreateSectionTable))
        ShowStartupDialog(PlacedDialog::Form3);
}

void TForm1::mnuAddTable2Click()
{
    if (Connected() && EnsureTable(QStringLiteral("MEMBER"), &DatabaseSession::CreateMemberTable))
        ShowStartupDialog(PlacedDialog::Form4);
}

void TForm1::mnuPCnameSetClick()
{
    if (Connected()) ShowStartupDialog(PlacedDialog::Form5);
}

void TForm1::mnuExitClick()
{
    close();
}

void TForm1::mnuImageNewClick()
{
    if (!Connected()) return;
    if (!EnsureTable(QStringLiteral("IMGLIST"), &DatabaseSession::CreateImageListTable)) return;
    if (!PcUserRegistered()) return;
    ImageEditMode = 0;
    OpenChildWindow(ChildWindow::ImageEditor, QStringLiteral("画像一覧データ新規作成"));
}

void TForm1::mnuImageEditClick()
{
    if (!Connected()) return;
    if (!TableExists(QStringLiteral("IMGLIST"))) { // editing never creates the table
        ReportedUnreachable();
        return;
    }
    if (!PcUserRegistered()) return;
    ImageEditMode = 1;
    CurrentImageNumber = 0;
    OpenChildWindow(ChildWindow::ImageEditor, QStringLiteral("画像一覧データ編集"));
}

void TForm1::mnuImageListClick()
{
    if (!Connected()) return;
    if (!EnsureTable(QStringLiteral("IMGLIST"), &DatabaseSession::CreateImageListTable)) return;
    if (!PcUserRegistered()) return;
    OpenChildWindow(ChildWindow::ImageList);
}

void TForm1::mnuChatStartClick()
{
    if (ChatWindowOpen || !Connected()) return;
    if (!EnsureTable(QStringLiteral("CHAT"), &DatabaseSession::CreateChatTable)) return;
    if (!PcUserRegistered()) return;
    if (OpenChildWindow(ChildWindow::Chat)) ChatWindowOpen = true;
}

void TForm1::mnuChatEditClick()
{
    if (Connected() && EnsureTable(QStringLiteral("CHAT"), &DatabaseSession::CreateChatTable))
        ShowStartupDialog(PlacedDialog::Form11);
}

void TForm1::mnuMousePointerClick()
{
    if (PointerWindowOpen || !Connected()) return;
    if (!EnsureTable(QStringLiteral("MOUSEPOS"), &DatabaseSession::CreateMousePosTable)) return;
    if (!PcUserRegistered()) return;
    if (OpenChildWindow(ChildWindow::Pointer)) PointerWindowOpen = true;
}
