#pragma once
// The drawing board's tool button glyphs and its busy cursor, drawn in code so the program
// carries no image files.

#include <QCursor>
#include <QIcon>

QIcon SaveGlyph();       // a floppy disk
QIcon PenTipGlyph();     // a blue filled circle
QIcon ColourGlyph();     // a 3 x 3 grid of colour squares
QIcon DrawGlyph();       // a freehand pen line
QCursor SqlWaitCursor(); // an hourglass marked SQL, while a stroke is stored
