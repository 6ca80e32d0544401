#pragma once
// The look every window shares: "ＭＳ ゴシック" at 13 pixels (IPAGothic stands in for it on
// Linux) and the 16 x 16 window icon.

#include <QFont>
#include <QIcon>

QFont ProgramFont();
QIcon ProgramIcon();
