// Field definitions and field objects of a dataset.
//
// A table declares its columns as TFieldDef items before it opens; opening
// creates one TField per definition, in the same order, and that order is the
// field order everywhere (field list, row layout, grid columns).
//
//   table.FieldDefs.push_back({"Name", TFieldType::ftString, 100});
//   table.SetActive(true);
//   table.Field(0).FieldName();  // "Name"
#pragma once

#include <string>
#include <utility>

enum class TFieldType { ftUnknown, ftString };

struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;  // characters, for string fields
    bool Required = false;
};

class TField {
public:
    TField(std::string fieldName, TFieldType dataType, int size, int index)
        : fieldName_(std::move(fieldName)), dataType_(dataType), size_(size), index_(index)
    {}
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return fieldName_; }
    TFieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    int Index() const { return index_; }  // position in the dataset's field list

private:
    std::string fieldName_;
    TFieldType dataType_;
    int size_;
    int index_;
};

// Single-byte text of at most Size() characters.
class TStringField : public TField {
public:
    TStringField(std::string fieldName, int size, int index)
        : TField(std::move(fieldName), TFieldType::ftString, size, index)
    {}
};
