#pragma once
// Creation scripts of the shared tables, line by line. Tables are created the first time a
// window needs them; there are no keys besides the UNIQUE numbers, no generators, no triggers:
// the program chooses every number itself.

#include <QStringList>

namespace schema {

QStringList SectionTable();
QStringList MemberTable();
QStringList ImageListTable();
QStringList ImageTable(const QString &name); // name is "IMG_" + the image number
QStringList ChatTable();
QStringList MousePosTable();

} // namespace schema
