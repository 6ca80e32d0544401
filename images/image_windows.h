#pragma once
// How other windows open the picture windows inside the main window: one call each, which sets
// the run-time values the new window reads, creates it in the main window's MDI area, sets its
// caption and shows it. The window frees itself when closed.

#include <QString>

class TForm1;
class TForm6;
class TForm8;

// A drawing board on picture `number` of `width` x `height` pixels, captioned
// "お絵描きソフト － " + name + "(N:" + number + ")". Null when it cannot be made.
TForm8 *OpenDrawingBoard(TForm1 &form1, int number, int width, int height, const QString &name);

// A record editor in edit mode that loads picture `number`, captioned "画像一覧データ編集".
TForm6 *OpenImageRecordEditor(TForm1 &form1, int number);
