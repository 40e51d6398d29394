#include "storage/FormStorage.h"

#include "runtime/Exceptions.h"

void TFormStorage::SavePlacement()
{
    TFormPlacement::SavePlacement();
    SaveProperties();
}

void TFormStorage::RestorePlacement()
{
    TFormPlacement::RestorePlacement();
    try {
        RestoreProperties();
    } catch (...) {
        // Further items are a convenience; the window comes up without them.
    }
}

void TFormStorage::SaveProperties()
{
    if (!StoredProps.empty() || !StoredValues.empty())
        throw Exception("Stored properties and values are not supported by " + Name());
}

void TFormStorage::RestoreProperties()
{
}
