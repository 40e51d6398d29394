// The base editor: adds an entry (new mode) or changes the current one (edit
// mode), writing straight into the main window's table and re-sorting it.
// The caller picks the mode and shows it modally:
//
//   NewBaseMode = true;
//   NewBaseForm->ShowModal();
#pragma once

#include "app/SharedState.h"
#include "storage/FormStorage.h"
#include "ui/Form.h"
#include "ui/StdControls.h"

#include <array>
#include <optional>
#include <string>

class TNewBaseForm : public TForm {
public:
    TNewBaseForm();

    TLabel Label1{"Label1", {8, 11, 74, 19}, "Название:"};
    TLabel Label2{"Label2", {8, 36, 64, 19}, "Путь:"};
    TLabel Label3{"Label3", {7, 59, 102, 19}, "Пользователь:"};
    TLabel Label4{"Label4", {7, 82, 102, 19}, "Пароль:"};
    TButton OKButton{"OKButton", {290, 105, 97, 25}, "OK"};
    // Hides the form's cancel-button slot on purpose: this dialog has none.
    TButton CancelButton{"CancelButton", {388, 105, 97, 25}, "Отмена"};
    TEdit NameEdit{"NameEdit", {110, 9, 374, 21}, "Новая информационная база"};
    TEdit PathEdit{"PathEdit", {110, 33, 344, 21}, ""};
    TButton SelectDirectoryBitBtn{"SelectDirectoryBitBtn", {457, 32, 27, 22}, "..."};
    TEdit LoginEdit{"LoginEdit", {110, 57, 374, 21}, "Administrator"};
    TEdit PasswordEdit{"PasswordEdit", {110, 81, 374, 21}, ""};
    TFormStorage FormStorage1{*this, "FormStorage1"};

    void FormShow();
    void OKButtonClick();
    void CancelButtonClick();
    void SelectDirectoryBitBtnClick();

private:
    // The four boxes' text as the list keeps it: Windows-1251, composed (е
    // typed with U+0308 is ё), the path by short names where it needs them.
    // Nothing, after telling the operator which box holds what, when some
    // box holds text that the list cannot keep.
    std::optional<std::array<std::string, 4>> ValuesForTheList();
};

extern TNewBaseForm* NewBaseForm;
