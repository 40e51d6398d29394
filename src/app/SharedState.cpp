#include "app/SharedState.h"

std::string ProgramFolder;
std::wstring ProgramFolderPath;
bool NewBaseMode = false;
std::string SelectedDirectory;
bool DirectorySelected = false;
