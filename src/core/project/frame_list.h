// The frames of a project: an ordered list of rows whose columns hold each frame's values as
// text, exactly as the window's frame list shows them and the project file holds them (their
// values as numbers: frame_values.h). Row indices are 1-based.
#pragma once

#include "core/base/error.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pictoreel {

// The columns of a row in their on-screen order. The number and check box are not part of a
// frame's text form; the five columns from Interval on are.
enum class FrameColumn : int { Number = 0, Interval, Trans, TransColor, FileName, FullPath };
inline constexpr int kFrameColumnCount = 6;
inline constexpr int kFrameDataColumnCount = 5;

inline constexpr char16_t kFrameFieldSeparator = u';';
inline constexpr std::int16_t kDefaultFrameInterval = 100;  // what an unreadable interval reads as
// A colour column that is not a number (only a hand-edited project holds one) is treated as
// white, the colour new frames get, wherever a colour has to be used.
inline constexpr std::int32_t kWhite = 16777215;

struct FrameEntry {
    QString number;
    QString interval;
    QString transparent;  // "YES" or "NO"
    QString transColor;   // decimal 0x00BBGGRR
    QString fileName;
    QString folder;       // "Full Path": the folder, ending in a separator
    bool checked = false;

    QString& column(FrameColumn c);
    const QString& column(FrameColumn c) const;
};

// The frame values a new row takes: what the property panel shows for the frame being edited.
struct NewFrameValues {
    QString intervalText = QStringLiteral("50");
    bool transparent = true;
    std::int32_t transColor = kWhite;
};

// Told about every change, so that a view can mirror the list row for row.
struct FrameListObserver {
    std::function<void(int first, int last)> rowsAboutToBeInserted, rowsInserted;
    std::function<void(int first, int last)> rowsAboutToBeRemoved, rowsRemoved;
    std::function<void(int first, int last)> rowsChanged;
};

class FrameList {
public:
    int rowCount() const { return static_cast<int>(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    const FrameEntry& row(int index) const { return rows_.at(static_cast<std::size_t>(index - 1)); }
    const std::vector<FrameEntry>& rows() const { return rows_; }

    void setObserver(FrameListObserver observer) { observer_ = std::move(observer); }

    // Appends a row for a picture: the path is split at its last separator into folder and file
    // name; interval, transparency and colour come from `values`. Refused (nothing added) when
    // the interval text is not a 16-bit number.
    Status AddFrameEntry(const QString& picturePath, const NewFrameValues& values);
    // Appends a row from a frame string, fields taken as they stand; missing fields stay empty.
    void AddFrameFromString(const QString& frameString);
    QString FrameToString(int index) const;

    void RenumberFrames();
    void SetAllChecked(bool value);
    void setChecked(int index, bool value);
    void setColumn(int index, FrameColumn column, const QString& text);

    // Removes every checked row, last to first. Numbers are left for RenumberFrames.
    void removeCheckedRows();
    // Removes the given rows (1-based, any order), last to first. Numbers as above.
    void removeRows(std::vector<int> rows);
    // Puts the rows in a new order: row k becomes what row order[k - 1] is now, with its values
    // and check box. `order` names every row once. Numbers are left for RenumberFrames.
    void permuteRows(const std::vector<int>& order);
    // Exchanges the five frame columns of two rows; numbers and check boxes stay in place.
    void SwapFrames(int a, int b);
    // Moves the given rows (1-based, any order) together, in list order, before the row that is
    // `before` now (rowCount() + 1: to the end); the other rows keep their order, each row its
    // values and check box. Numbers are left for RenumberFrames. Returns the first moved row's
    // new index.
    int moveRows(std::vector<int> moved, int before);
    void clear();

private:
    void appendRow(FrameEntry entry);
    void notify(const std::function<void(int, int)>& f, int first, int last) const
    {
        if (f)
            f(first, last);
    }

    std::vector<FrameEntry> rows_;
    FrameListObserver observer_;
};

}  // namespace pictoreel
