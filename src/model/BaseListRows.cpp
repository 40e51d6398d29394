#include "model/BaseListRows.h"

#include "data/DataSet.h"

void BaseListRowAdder::operator()(const BaseListValues& entry)
{
    table_->InsertRow();
    for (size_t i = 0; i < kBaseListFieldCount; ++i) {
        if (!fields_[i])
            fields_[i] = &table_->FieldByName(kBaseListFields[i]);
        table_->SetFieldText(*fields_[i], entry[i]);
    }
    table_->PostRow();
}

bool BaseListRowWalker::operator()(BaseListValues& entry)
{
    if (started_)
        table_->GoToNextRow();
    started_ = true;
    if (table_->AtEnd())
        return false;
    for (size_t i = 0; i < kBaseListFieldCount; ++i) {
        if (!fields_[i])
            fields_[i] = &table_->FieldByName(kBaseListFields[i]);
        entry[i] = table_->GetFieldTextView(*fields_[i]);
    }
    return true;
}
