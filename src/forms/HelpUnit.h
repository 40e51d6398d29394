// The About window: the help text Readme.rtf from the program folder in a
// read-only rich text box. The file is read once, while the program starts
// (what it holds then is what the window shows for the whole run, and a file
// that cannot be opened is reported then); its bytes go into the box only
// once the window has first been shown: some valid rich texts far below the
// size limit take the control minutes, and neither the main window nor the
// About window itself may wait for that before appearing.
#pragma once

#include "storage/FormStorage.h"
#include "ui/Form.h"
#include "ui/RichEdit.h"
#include "ui/RxLabel.h"
#include "ui/StdControls.h"

#include <functional>
#include <string>

class THelpForm : public TForm {
public:
    THelpForm();

    TRichEdit HelpRichEdit{"HelpRichEdit",
                           {3, 4, 501, 363},
                           "Тест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!\r\n\r\nТест !!!!"};
    // The authorship line; the same words as the copyright of the version information.
    TRxLabel RxLabel1{"RxLabel1", {3, 376, 382, 22}, "© 2026 Команда разработчиков AutoPeriod"};
    TButton ButtonClose{"ButtonClose", {387, 371, 117, 25}, "Закрыть", akRight | akBottom};
    TFormStorage HelpFormStorage{*this, "HelpFormStorage"};

    // Whether the help is drawn in the system's colours (asked at every load).
    std::function<bool()> HighContrast = SystemHighContrast;

    void FormCreate();
    void FormShow();
    void ButtonCloseClick();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Puts the bytes read at start into the box, if they are still waiting.
    void LoadHelpText();

    std::string helpBytes_;  // the file as it was at start
    bool helpWaiting_ = false;  // read, not yet in the box
};

extern THelpForm* HelpForm;
