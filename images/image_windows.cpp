#include "image_windows.h"

#include "drawing_board.h"
#include "image_record_editor.h"
#include "main_window.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <memory>

namespace {

// Shows a new child window inside the main window; its show handler runs now, reading the
// run-time values the caller has just set.
template <class Window> Window *ShowChild(TForm1 &form1, const QString &caption)
{
    if (!form1.MdiArea()) return nullptr;
    auto window = std::make_unique<Window>(form1);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *frame = form1.MdiArea()->addSubWindow(window.get());
    frame->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(caption);
    window->show();
    return window.release();
}

} // namespace

TForm8 *OpenDrawingBoard(TForm1 &form1, int number, int width, int height, const QString &name)
{
    form1.CurrentImageNumber = number;
    form1.CurrentImageWidth = width;
    form1.CurrentImageHeight = height;
    return ShowChild<TForm8>(form1, QStringLiteral("お絵描きソフト － ") + name +
                                        QStringLiteral("(N:") + QString::number(number) +
                                        QLatin1Char(')'));
}

TForm6 *OpenImageRecordEditor(TForm1 &form1, int number)
{
    form1.ImageEditMode = 1;
    form1.CurrentImageNumber = number;
    return ShowChild<TForm6>(form1, QStringLiteral("画像一覧データ編集"));
}
