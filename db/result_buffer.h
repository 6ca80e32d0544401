#pragma once
// The rows of an open select, fetched completely and kept as raw bytes; fields are decoded to
// text only when a row reader copies them out.

#include <QStringList>
#include <vector>

class TextRow;

class ResultBuffer {
public:
    void Reset(int columns);
    void Append(const TextRow &row); // a NULL field is kept as empty text
    int Rows() const { return columns_ ? int(ends_.size()) / columns_ : 0; }
    int Columns() const { return columns_; }

    // Copies one row into the first min(Columns(), fields.size()) slots, in column order.
    void CopyRow(int row, QStringList &fields) const;
    // Empties the first min(Columns(), fields.size()) slots.
    void ClearSlots(QStringList &fields) const;

private:
    int columns_ = 0;
    // Plain vectors: clearing keeps their room, so a board that polls the same table again and
    // again does not grow megabytes from nothing at every select.
    std::vector<char> bytes_;
    std::vector<int> ends_; // end offset in bytes_ of each field, row after row
};
