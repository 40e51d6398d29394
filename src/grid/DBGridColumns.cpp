#include "grid/DBGridColumns.h"

#include "runtime/Exceptions.h"

#include <algorithm>

TColumn::TColumn(TDBGridColumns& owner, std::string fieldName, std::string title, int width)
    : Title(std::move(title)), owner_(owner), fieldName_(std::move(fieldName)), width_(width)
{}

int TColumn::Index() const
{
    return owner_.IndexOf(*this);
}

void TColumn::SetIndex(int newIndex)
{
    owner_.Move(Index(), newIndex);
}

void TColumn::SetWidth(int width)
{
    if (width == width_)
        return;
    width_ = width;
    owner_.Changed();
}

TColumn& TDBGridColumns::Add(std::string fieldName, std::string title, int width)
{
    items_.push_back(std::make_unique<TColumn>(*this, std::move(fieldName), std::move(title), width));
    Changed();
    return *items_.back();
}

void TDBGridColumns::ScaleWidths(const std::function<int(int)>& scale)
{
    for (auto& column : items_)
        column->width_ = scale(column->width_);
    Changed();
}

TColumn& TDBGridColumns::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throw Exception(FormatMessage("List index out of bounds (%d)", index));
    return *items_[size_t(index)];
}

int TDBGridColumns::IndexOf(const TColumn& column) const
{
    for (int i = 0; i < Count(); ++i)
        if (items_[size_t(i)].get() == &column)
            return i;
    return -1;
}

void TDBGridColumns::Move(int from, int to)
{
    if (from < 0 || from >= Count())
        return;
    to = std::clamp(to, 0, Count() - 1);
    if (from == to)
        return;
    auto first = items_.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    Changed();
}

void TDBGridColumns::Changed()
{
    if (OnChanged)
        OnChanged();
}
