#pragma once
// The look every window shares: "ＭＳ ゴシック" at 13 pixels (IPAGothic stands in for it on
// Linux) and the 16 x 16 window icon.

#include <QFont>
#include <QIcon>
#include <QImage>

QFont ProgramFont();
QIcon ProgramIcon();
// The icon's picture at size x size pixels: at 16 the window icon itself, pixel for pixel;
// larger, the same picture painted smoothly (for the desktop's menus and launchers).
QImage ProgramIconImage(int size);
