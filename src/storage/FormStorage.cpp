#include "storage/FormStorage.h"

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
