// The column list of the data-aware grid: which fields it shows, in which
// order (left to right, the row indicator not counted) and how wide.
//
//   grid.Columns().Add("Name", "Название базы", 154);
//   grid.Column(1).SetIndex(0);   // the second column moves to the front
//   grid.Column(0).SetWidth(300);
//
// A column's width is what the user or the layout store gave it, zero and
// negative values included; the grid draws anything below 1 as zero pixels
// wide. A column that is not shown reports a width of -1.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDBGridColumns;

class TColumn {
public:
    TColumn(TDBGridColumns& owner, std::string fieldName, std::string title, int width);
    TColumn(const TColumn&) = delete;
    TColumn& operator=(const TColumn&) = delete;

    const std::string& FieldName() const { return fieldName_; }
    std::string Title;

    int Index() const;
    // Moves the column to newIndex (clamped to the list); the columns in
    // between shift by one place.
    void SetIndex(int newIndex);

    int Width() const { return width_; }
    void SetWidth(int width);
    // Pixels on screen: never negative, 0 for a column given no width,
    // and never so wide that the columns' sum or a scrolled position could
    // leave the range of int (a stored width may be anything).
    static constexpr int kMaxDrawWidth = 1 << 20;
    int DrawWidth() const { return width_ > 0 ? std::min(width_, kMaxDrawWidth) : 0; }

private:
    friend class TDBGridColumns;
    TDBGridColumns& owner_;
    std::string fieldName_;
    int width_;
};

class TDBGridColumns {
public:
    TDBGridColumns() = default;
    TDBGridColumns(const TDBGridColumns&) = delete;
    TDBGridColumns& operator=(const TDBGridColumns&) = delete;

    TColumn& Add(std::string fieldName, std::string title, int width);
    // Every width, shown or not, through `scale` (to another pixel
    // density); one change report.
    void ScaleWidths(const std::function<int(int)>& scale);
    int Count() const { return int(items_.size()); }
    TColumn& operator[](int index) const;  // throws on a bad index
    int IndexOf(const TColumn& column) const;
    void Move(int from, int to);

    // Runs after every change of order, width or visibility.
    std::function<void()> OnChanged;

private:
    friend class TColumn;
    void Changed();

    std::vector<std::unique_ptr<TColumn>> items_;
};
