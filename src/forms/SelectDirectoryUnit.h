// The folder chooser: a modal window with the shell's folder tree. Its
// outcome goes back through two globals; the tree, its open branches and
// its selection stay from one showing to the next.
//
//   SelectDirectoryForm->ShowModal();
//   if (DirectorySelected) PathEdit.SetText(SelectedDirectory);
#pragma once

#include "app/SharedState.h"
#include "shelltree/ShellTreeView.h"
#include "storage/FormStorage.h"
#include "ui/Form.h"
#include "ui/StdControls.h"

#include <optional>
#include <string>

class TSelectDirectoryForm : public TForm {
public:
    TSelectDirectoryForm();

    TShellTreeView MainShellTreeView{"MainShellTreeView", {3, 4, 416, 288}, akLeft | akTop | akRight | akBottom};
    TButton SelectDirectoryButton{"SelectDirectoryButton", {4, 298, 120, 25}, "Выбрать каталог", akLeft | akBottom};
    // Hides the form's Esc button slot on purpose: neither button answers
    // Enter or Esc here.
    TButton CancelButton{"CancelButton", {300, 298, 120, 25}, "Отмена", akRight | akBottom};
    TFormStorage SelectFormStorage{*this, "SelectFormStorage"};

    void FormShow();
    void SelectDirectoryButtonClick();
    void CancelButtonClick();
};

extern TSelectDirectoryForm* SelectDirectoryForm;

// A folder's path as the list keeps it: Windows-1251 text, with the short
// (8.3) name for each part that this code page cannot write. Nothing, after
// telling the operator why, when it has no such text. The chooser and the
// editor's "Путь" box take a folder this one way.
std::optional<std::string> DirectoryForTheList(const std::wstring& path);
