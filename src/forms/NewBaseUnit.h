// The base editor: adds an entry (new mode) or changes the current one.
#pragma once

#include "ui/Form.h"

// True: the editor adds a new entry; false: it edits the current one.
extern bool NewBaseMode;

class TNewBaseForm : public TForm {
public:
    TNewBaseForm();
};

extern TNewBaseForm* NewBaseForm;
