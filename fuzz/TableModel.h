// The plain model the table fuzzer checks the base record table against: a
// vector of rows with the cursor, the state, the pending row, the AtStart and
// AtEnd flags and the view window, kept by the table's rules, and the names,
// sort orders and texts the operations are made of.
#pragma once

#include "model/RxMemoryData.h"
#include "collation/portable/TextCollation.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace table_model {

constexpr const char* kTableName = "BaseRxMemoryData";
constexpr int kFields = 4;
constexpr std::array<const char*, kFields> kFieldNames = {"Name", "Path", "Login", "Password"};
constexpr std::array<size_t, kFields> kFieldSizes = {100, 200, 20, 20};

// Names the callers may write, with the field each one finds (-1: none).
struct FieldName {
    const char* text;
    int field;
};
constexpr FieldName kNames[] = {{"Name", 0},  {"Path", 1},     {"Login", 2}, {"Password", 3}, {"name", 0},
                                {"LOGIN", 2}, {"pAsSwOrD", 3}, {"Nmae", -1}, {"", -1},        {"Name ", -1}};

struct SortOrder {
    const char* text;
    std::vector<int> fields;
    const char* missing;  // the first name that finds no field, if any
};
const SortOrder kSortOrders[] = {
    {"Name", {0}, nullptr},
    {"name", {0}, nullptr},
    {" Name ", {0}, nullptr},
    {"Name;Path", {0, 1}, nullptr},
    {"Path ; Name", {1, 0}, nullptr},
    {"Login;Password", {2, 3}, nullptr},
    {"", {}, nullptr},
    {";", {}, nullptr},
    {"Nmae", {}, "Nmae"},
    {"Name;Bogus", {}, "Bogus"},
    {"NAME;login;Path;password", {0, 2, 1, 3}, nullptr},
};

// Texts that meet the collation's interesting cases: letters that differ
// only in case, Ё between Е and Ж, a zero byte inside, digits, blanks.
const std::string kSamples[] = {"\xC1",
                                "\xE1",
                                "\xC0",
                                "\xE0",
                                "\xA8",
                                "\xB8",
                                "\xC5",
                                "\xC6",
                                "Apple",
                                "apple",
                                "APPLE",
                                std::string("a\0b", 3),
                                std::string("\0", 1),
                                "1",
                                "10",
                                " ",
                                "-",
                                "Zz",
                                "\xC1\xE0\xE7\xE0"};

inline std::string Message(const std::string& text)
{
    return std::string(kTableName) + ": " + text;
}
inline std::string NotFound(const std::string& name)
{
    return Message("Field '" + name + "' not found");
}
const std::string kClosed = Message("Cannot perform this operation on a closed dataset");
const std::string kNotEditing = "Dataset not in edit or insert mode";
const std::string kEmpty = Message("Cannot perform this operation on an empty dataset");

using Values = std::array<std::optional<std::string>, kFields>;

struct Row {
    int32_t id;
    Values values;
};

inline std::string Stored(std::string_view text, int field)
{
    text = text.substr(0, std::min(text.size(), kFieldSizes[size_t(field)]));
    return std::string(text.substr(0, text.find('\0')));
}

inline int Sign(int v)
{
    return (v > 0) - (v < 0);
}

struct Model {
    bool active = false;
    TDataSetState state = TDataSetState::dsInactive;
    std::vector<Row> rows;
    int32_t lastRowID = INT32_MIN;
    int cursor = -1;
    Values pending;
    bool modified = false;
    bool atStart = true;
    bool atEnd = true;
    int windowSize = 1;
    int windowFirst = 0;

    bool Pending() const { return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert; }
    int Count() const { return int(rows.size()); }
    int DisplayCount() const { return active ? Count() + (state == TDataSetState::dsInsert) : 0; }
    int DisplayCursor() const { return state == TDataSetState::dsInsert ? std::max(cursor, 0) : cursor; }
    int Line() const { return DisplayCount() == 0 ? 0 : DisplayCursor() - windowFirst; }
    int Visible() const { return std::min(windowSize, DisplayCount()); }

    // The window with the current row on `line` as far as rows precede it,
    // filled from the rows after it, then from further rows before.
    void Place(int line)
    {
        if (DisplayCount() == 0) {
            windowFirst = 0;
            return;
        }
        line = std::clamp(line, 0, Visible() - 1);
        windowFirst = std::min(DisplayCursor() - std::min(line, DisplayCursor()), DisplayCount() - Visible());
    }

    // The rows as the window shows them: the pending row in place of the
    // edited one, or inserted at the cursor.
    Values Displayed(int index) const
    {
        if (state == TDataSetState::dsEdit && index == cursor)
            return pending;
        if (state == TDataSetState::dsInsert) {
            if (index == DisplayCursor())
                return pending;
            if (index > DisplayCursor())
                --index;
        }
        return rows[size_t(index)].values;
    }

    void Post()
    {
        int line = Line();
        if (state == TDataSetState::dsEdit) {
            rows[size_t(cursor)].values = pending;
        } else {
            int at = std::max(cursor, 0);
            rows.insert(rows.begin() + at, Row{++lastRowID, pending});
            cursor = at;
        }
        state = TDataSetState::dsBrowse;
        modified = false;
        Place(line);
        atStart = atEnd = rows.empty();
    }

    void Drop()
    {
        int line = Line();
        state = TDataSetState::dsBrowse;
        modified = false;
        Place(line);
    }

    void CommitOrDrop()
    {
        if (!Pending())
            return;
        if (modified)
            Post();
        else
            Drop();
    }

    std::optional<std::string> Open(bool open)
    {
        if (open == active)
            return {};
        active = open;
        state = open ? TDataSetState::dsBrowse : TDataSetState::dsInactive;
        rows.clear();
        lastRowID = INT32_MIN;
        modified = false;
        cursor = -1;
        windowFirst = 0;
        atStart = atEnd = true;
        return {};
    }

    std::optional<std::string> Insert()
    {
        if (!active)
            return kClosed;
        CommitOrDrop();
        int line = Line();
        pending = {};
        modified = false;
        state = TDataSetState::dsInsert;
        Place(line);
        return {};
    }

    std::optional<std::string> Edit()
    {
        if (!active)
            return kClosed;
        if (Pending())
            return {};
        if (rows.empty())
            return Insert();
        pending = rows[size_t(cursor)].values;
        modified = false;
        state = TDataSetState::dsEdit;
        return {};
    }

    std::optional<std::string> SetField(const FieldName& name, const std::string& text)
    {
        if (!active || name.field < 0)
            return NotFound(name.text);
        if (!Pending())
            return kNotEditing;
        pending[size_t(name.field)] = Stored(text, name.field);
        modified = true;
        return {};
    }

    std::optional<std::string> GetField(const FieldName& name, std::string& text) const
    {
        if (!active || name.field < 0)
            return NotFound(name.text);
        text = Text(name.field);
        return {};
    }

    std::string Text(int field) const
    {
        if (Pending())
            return pending[size_t(field)].value_or("");
        if (cursor < 0)
            return {};
        return rows[size_t(cursor)].values[size_t(field)].value_or("");
    }

    std::optional<std::string> PostRow()
    {
        if (!active)
            return kClosed;
        if (!Pending())
            return Message(kNotEditing);
        Post();
        return {};
    }

    std::optional<std::string> Delete()
    {
        if (!active)
            return kClosed;
        if (state == TDataSetState::dsInsert) {
            Drop();
            return {};
        }
        if (rows.empty())
            return kEmpty;
        int line = Line();
        rows.erase(rows.begin() + cursor);
        cursor = std::min(cursor, Count() - 1);
        if (rows.empty())
            lastRowID = INT32_MIN;
        state = TDataSetState::dsBrowse;
        modified = false;
        Place(line);
        atStart = atEnd = rows.empty();
        return {};
    }

    std::optional<std::string> CheckBrowse()
    {
        CommitOrDrop();
        return {};
    }

    std::optional<std::string> First()
    {
        if (!active)
            return kClosed;
        CommitOrDrop();
        cursor = rows.empty() ? -1 : 0;
        windowFirst = 0;
        atStart = true;
        atEnd = rows.empty();
        return {};
    }

    std::optional<std::string> Last()
    {
        if (!active)
            return kClosed;
        CommitOrDrop();
        cursor = Count() - 1;
        windowFirst = std::max(0, Count() - windowSize);
        atStart = rows.empty();
        atEnd = true;
        return {};
    }

    std::optional<std::string> MoveBy(int n, int& moved)
    {
        moved = 0;
        if (!active)
            return kClosed;
        CommitOrDrop();
        if (n == 0 || (n > 0 && atEnd) || (n < 0 && atStart))
            return {};
        atStart = atEnd = false;
        long long target = (long long)cursor + n;
        if (target > Count() - 1) {
            target = Count() - 1;
            atEnd = true;
        } else if (target < 0) {
            target = rows.empty() ? -1 : 0;
            atStart = true;
        }
        moved = int(target - cursor);
        if (moved == 0)
            return {};
        cursor = int(target);
        if (cursor < windowFirst)
            windowFirst = cursor;
        else if (cursor >= windowFirst + Visible())
            windowFirst = cursor - Visible() + 1;
        return {};
    }

    std::optional<std::string> SetRowNumber(int number)
    {
        if (!active)
            return kClosed;
        if (number < 1 || number > Count())
            return {};
        CommitOrDrop();
        int line = Line();
        cursor = number - 1;
        Place(line);
        atStart = atEnd = rows.empty();
        return {};
    }

    int Compare(const Row& a, const Row& b, const std::vector<int>& fields, bool ignoreCase, bool descending) const
    {
        int direction = descending ? -1 : 1;
        for (int field : fields) {
            const auto& va = a.values[size_t(field)];
            const auto& vb = b.values[size_t(field)];
            int result = 0;
            if (va && vb)
                result = Sign(PortableTextCompare(*va, *vb, ignoreCase));
            else if (va.has_value() != vb.has_value())
                result = va ? 1 : -1;
            if (result != 0)
                return result * direction;
        }
        return a.id == b.id ? 0 : a.id < b.id ? -direction : direction;
    }

    std::optional<std::string> Sort(const SortOrder& order, bool ignoreCase, bool descending)
    {
        if (order.missing)
            return NotFound(order.missing);
        if (!active || rows.empty())
            return {};
        CommitOrDrop();
        int32_t current = rows[size_t(cursor)].id;
        // Insertion sort: slow but plainly right, and it cannot go astray
        // whatever the comparison does.
        for (size_t i = 1; i < rows.size(); ++i)
            for (size_t j = i; j > 0 && Compare(rows[j - 1], rows[j], order.fields, ignoreCase, descending) > 0; --j)
                std::swap(rows[j - 1], rows[j]);
        for (int i = 0; i < Count(); ++i)
            if (rows[size_t(i)].id == current)
                cursor = i;
        Place((windowSize - 1) / 2);
        atStart = atEnd = false;
        return {};
    }
};

}  // namespace table_model
