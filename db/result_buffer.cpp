#include "result_buffer.h"

#include "cp932.h"
#include "isc_handles.h"

#include <algorithm>

void ResultBuffer::Reset(int columns)
{
    columns_ = columns;
    bytes_.clear();
    ends_.clear();
}

void ResultBuffer::Append(const TextRow &row)
{
    for (int c = 0; c < columns_; ++c) {
        if (!row.IsNull(c)) {
            const char *data = row.Data(c);
            bytes_.insert(bytes_.end(), data, data + row.Length(c));
        }
        ends_.push_back(int(bytes_.size()));
    }
}

void ResultBuffer::CopyRow(int row, QStringList &fields) const
{
    const int n = std::min<int>(columns_, int(fields.size()));
    const int first = row * columns_;
    for (int c = 0; c < n; ++c) {
        const int begin = first + c == 0 ? 0 : ends_[first + c - 1];
        cp932::DecodeInto(fields[c], bytes_.data() + begin, ends_[first + c] - begin);
    }
}

void ResultBuffer::ClearSlots(QStringList &fields) const
{
    const int n = std::min<int>(columns_, int(fields.size()));
    for (int c = 0; c < n; ++c) fields[c].clear();
}
