// The About window: the help text Readme.rtf from the program folder.
#pragma once

#include "ui/Form.h"

class THelpForm : public TForm {
public:
    THelpForm();
};

extern THelpForm* HelpForm;
