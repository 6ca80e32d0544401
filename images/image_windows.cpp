#include "image_windows.h"

#include "drawing_board.h"
#include "image_record_editor.h"
#include "main_window.h"

namespace {

template <class Window> Window *ShowChild(TForm1 &form1, const QString &caption)
{
    return static_cast<Window *>(form1.ShowChildWindow(new Window(form1), caption));
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
