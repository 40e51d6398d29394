// The store every window of the program owns: the placement store plus two
// lists of further items (component properties and named values) kept after
// the placement. Both lists stay empty in this program, and keeping them is
// not built: a store with items in them reports that at its first save or
// restore rather than silently losing them.
#pragma once

#include "storage/FormPlacement.h"

#include <string>
#include <vector>

struct TStoredValue {
    std::string Name;
    std::string Value;
};
using TStoredValues = std::vector<TStoredValue>;

class TFormStorage : public TFormPlacement {
public:
    using TFormPlacement::TFormPlacement;

    // Property paths such as "NameEdit.Text".
    std::vector<std::string> StoredProps;
    TStoredValues StoredValues;

protected:
    void SavePlacement() override;
    void RestorePlacement() override;
    virtual void SaveProperties();
    // An error while reading the lists is swallowed.
    virtual void RestoreProperties();
};
