// The few values the windows share: where the program's files are, which
// way the editor opens, and what the folder chooser chose.
//
//   NewBaseMode = true;                                  // then show the editor
//   if (DirectorySelected) PathEdit.SetText(SelectedDirectory);
#pragma once

#include <string>

// The folder of the running executable, ending in a backslash; set first
// thing when the main window is created; names it exactly, as files are
// opened through it.
extern std::wstring ProgramFolder;

// True: the editor adds a new entry; false: it edits the current one.
extern bool NewBaseMode;

// The directory chosen last in this run; kept between uses.
extern std::string SelectedDirectory;
// Whether the chooser's last showing ended with "Выбрать каталог".
extern bool DirectorySelected;
