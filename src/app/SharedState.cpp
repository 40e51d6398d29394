#include "app/SharedState.h"

std::wstring ProgramFolder;
bool NewBaseMode = false;
std::string SelectedDirectory;
bool DirectorySelected = false;
