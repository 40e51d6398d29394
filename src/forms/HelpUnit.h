// The About window: the help text Readme.rtf from the program folder, read
// once, when the window is first shown, in a read-only rich text box. Not at
// start-up: some valid rich texts far below the size limit take the control
// minutes, and the main window must never wait for them.
#pragma once

#include "storage/FormStorage.h"
#include "ui/Form.h"
#include "ui/RichEdit.h"
#include "ui/RxLabel.h"
#include "ui/StdControls.h"

class THelpForm : public TForm {
public:
    THelpForm();
    ~THelpForm() override { Destroy(); }

    TRichEdit HelpRichEdit{"HelpRichEdit",
                           {3, 4, 501, 363},
                           "Тест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!"};
    // The authorship line; the same words as the copyright of the version information.
    TRxLabel RxLabel1{"RxLabel1", {3, 376, 382, 22}, "© 2026 Команда разработчиков AutoPeriod"};
    TButton ButtonClose{"ButtonClose", {387, 371, 117, 25}, "Закрыть", akRight | akBottom};
    TFormStorage HelpFormStorage{*this, "HelpFormStorage"};

    void FormShow();
    void ButtonCloseClick();

private:
    void LoadHelpText();
    bool helpTextLoaded_ = false;
};

extern THelpForm* HelpForm;
