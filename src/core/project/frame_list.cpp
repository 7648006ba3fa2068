#include "core/project/frame_list.h"

#include "core/project/numbers.h"
#include "core/project/paths.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace pictoreel {
namespace {

constexpr FrameColumn kDataColumns[kFrameDataColumnCount] = {
    FrameColumn::Interval, FrameColumn::Trans, FrameColumn::TransColor, FrameColumn::FileName,
    FrameColumn::FullPath};

}  // namespace

QString& FrameEntry::column(FrameColumn c)
{
    return const_cast<QString&>(std::as_const(*this).column(c));
}

const QString& FrameEntry::column(FrameColumn c) const
{
    switch (c) {
    case FrameColumn::Number: return number;
    case FrameColumn::Interval: return interval;
    case FrameColumn::Trans: return transparent;
    case FrameColumn::TransColor: return transColor;
    case FrameColumn::FileName: return fileName;
    case FrameColumn::FullPath: return folder;
    }
    return number;
}

void FrameList::appendRow(FrameEntry entry)
{
    const int at = rowCount() + 1;
    entry.number = QString::number(at);
    notify(observer_.rowsAboutToBeInserted, at, at);
    rows_.push_back(std::move(entry));
    notify(observer_.rowsInserted, at, at);
}

Status FrameList::AddFrameEntry(const QString& picturePath, const NewFrameValues& values)
{
    const auto interval = toInt16(values.intervalText);
    if (!interval)
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The interval \"%1\" is not a number from -32768 to 32767.")
                             .arg(values.intervalText));
    const qsizetype split = lastSeparatorIndex(picturePath);
    FrameEntry entry;
    entry.interval = QString::number(*interval);
    entry.transparent = values.transparent ? QStringLiteral("YES") : QStringLiteral("NO");
    entry.transColor = QString::number(values.transColor);
    entry.fileName = picturePath.mid(split + 1);
    entry.folder = picturePath.left(split + 1);
    appendRow(std::move(entry));
    return Status::success();
}

void FrameList::AddFrameFromString(const QString& frameString)
{
    const QStringList fields = frameString.split(kFrameFieldSeparator);
    FrameEntry entry;
    for (int k = 0; k < kFrameDataColumnCount && k < fields.size(); ++k)
        entry.column(kDataColumns[k]) = fields[k];
    appendRow(std::move(entry));
}

QString FrameList::FrameToString(int index) const
{
    const FrameEntry& r = row(index);
    QString text = r.interval;
    for (int k = 1; k < kFrameDataColumnCount; ++k)
        text += kFrameFieldSeparator + r.column(kDataColumns[k]);
    return text;
}

void FrameList::RenumberFrames()
{
    for (int k = 1; k <= rowCount(); ++k)
        rows_[static_cast<std::size_t>(k - 1)].number = QString::number(k);
    if (!rows_.empty())
        notify(observer_.rowsChanged, 1, rowCount());
}

void FrameList::SetAllChecked(bool value)
{
    for (FrameEntry& r : rows_)
        r.checked = value;
    if (!rows_.empty())
        notify(observer_.rowsChanged, 1, rowCount());
}

void FrameList::setChecked(int index, bool value)
{
    rows_.at(static_cast<std::size_t>(index - 1)).checked = value;
    notify(observer_.rowsChanged, index, index);
}

void FrameList::setColumn(int index, FrameColumn column, const QString& text)
{
    rows_.at(static_cast<std::size_t>(index - 1)).column(column) = text;
    notify(observer_.rowsChanged, index, index);
}

void FrameList::removeCheckedRows()
{
    std::vector<int> checked;
    for (int k = 1; k <= rowCount(); ++k)
        if (rows_[static_cast<std::size_t>(k - 1)].checked)
            checked.push_back(k);
    removeRows(std::move(checked));
}

void FrameList::removeRows(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Last to first, one contiguous run of rows at a time.
    auto run = rows.rbegin();
    while (run != rows.rend()) {
        const int last = *run;
        int first = last;
        while (++run != rows.rend() && *run == first - 1)
            first = *run;
        if (first < 1 || last > rowCount())
            continue;
        notify(observer_.rowsAboutToBeRemoved, first, last);
        rows_.erase(rows_.begin() + (first - 1), rows_.begin() + last);
        notify(observer_.rowsRemoved, first, last);
    }
}

void FrameList::permuteRows(const std::vector<int>& order)
{
    if (order.size() != rows_.size())
        return;
    std::vector<FrameEntry> reordered;
    reordered.reserve(order.size());
    for (int from : order)
        reordered.push_back(rows_.at(static_cast<std::size_t>(from - 1)));
    rows_ = std::move(reordered);
    if (!rows_.empty())
        notify(observer_.rowsChanged, 1, rowCount());
}

void FrameList::SwapFrames(int a, int b)
{
    FrameEntry& ra = rows_.at(static_cast<std::size_t>(a - 1));
    FrameEntry& rb = rows_.at(static_cast<std::size_t>(b - 1));
    for (FrameColumn c : kDataColumns)
        std::swap(ra.column(c), rb.column(c));
    notify(observer_.rowsChanged, a, a);
    notify(observer_.rowsChanged, b, b);
}

int FrameList::moveRows(std::vector<int> moved, int before)
{
    std::sort(moved.begin(), moved.end());
    moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
    std::vector<FrameEntry> taken, rest;
    int restBefore = 0;  // the rows that stay and stand before the moved ones
    for (int k = 1; k <= rowCount(); ++k) {
        FrameEntry& entry = rows_[static_cast<std::size_t>(k - 1)];
        if (std::binary_search(moved.begin(), moved.end(), k)) {
            taken.push_back(std::move(entry));
        } else {
            restBefore += k < before ? 1 : 0;
            rest.push_back(std::move(entry));
        }
    }
    rest.insert(rest.begin() + restBefore, std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end()));
    rows_ = std::move(rest);
    if (!rows_.empty())
        notify(observer_.rowsChanged, 1, rowCount());
    return restBefore + 1;
}

void FrameList::clear()
{
    if (rows_.empty())
        return;
    const int last = rowCount();
    notify(observer_.rowsAboutToBeRemoved, 1, last);
    rows_.clear();
    notify(observer_.rowsRemoved, 1, last);
}

}  // namespace pictoreel
