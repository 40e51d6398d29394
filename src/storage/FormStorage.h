// The store every window of the program owns: the placement store, with two
// hooks that run after the placement for further stored items. The program
// keeps no such items (its lists of stored properties and values would be
// empty on every window), so the hooks store nothing.
#pragma once

#include "storage/FormPlacement.h"

class TFormStorage : public TFormPlacement {
public:
    using TFormPlacement::TFormPlacement;

protected:
    void SavePlacement() override;
    void RestorePlacement() override;
    virtual void SaveProperties() {}
    // An error while reading the further items is swallowed.
    virtual void RestoreProperties() {}
};
