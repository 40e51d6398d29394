#include "baselist/portable/BaseListRows.h"

#include "data/DataSet.h"

namespace {

// Looks the four fields up by name; true when they are the table's first
// four in the entry's order, as the program defines them, so that a row
// can be handed over whole.
bool ResolveFields(const TDataSet& table, std::array<const TField*, kBaseListFieldCount>& fields)
{
    bool inOrder = true;
    for (size_t i = 0; i < kBaseListFieldCount; ++i) {
        fields[i] = &table.FieldByName(kBaseListFields[i]);
        inOrder = inOrder && fields[i]->Index() == int(i);
    }
    return inOrder;
}

}  // namespace

void BaseListRowAdder::operator()(const BaseListValues& entry)
{
    if (!fields_[0])
        inFieldOrder_ = ResolveFields(*table_, fields_);
    if (inFieldOrder_) {
        table_->InsertRowWithTexts(entry);
        return;
    }
    table_->InsertRow();
    for (size_t i = 0; i < kBaseListFieldCount; ++i)
        table_->SetFieldText(*fields_[i], entry[i]);
    table_->PostRow();
}

bool BaseListRowWalker::operator()(BaseListValues& entry)
{
    if (next_ >= table_->RowCount())
        return false;
    if (!fields_[0])
        inFieldOrder_ = ResolveFields(*table_, fields_);
    if (inFieldOrder_) {
        table_->RowTextViews(next_, entry);
    } else {
        for (size_t i = 0; i < kBaseListFieldCount; ++i)
            entry[i] = table_->RowTextView(next_, *fields_[i]);
    }
    ++next_;
    return true;
}
