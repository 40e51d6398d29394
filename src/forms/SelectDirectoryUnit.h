// The folder chooser: a modal window with the shell's folder tree. Its
// outcome goes back through two globals.
#pragma once

#include "ui/Form.h"

#include <string>

// The directory chosen last in this run; kept between uses.
extern std::string SelectedDirectory;
// Whether the chooser's last showing ended with "Выбрать каталог".
extern bool DirectorySelected;

class TSelectDirectoryForm : public TForm {
public:
    TSelectDirectoryForm();

    void FormShow();
};

extern TSelectDirectoryForm* SelectDirectoryForm;
