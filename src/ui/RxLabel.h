// A text label drawn by the program: one line, centred, with a one-pixel
// shadow in the button-highlight colour up and to the left of the text, on
// the button face. It never takes the focus and never changes its size.
//
//   TRxLabel RxLabel1{"RxLabel1", {3, 376, 382, 22}, "AutoPeriod"};
//   form.AddControl(RxLabel1);
#pragma once

#include "ui/Control.h"

#include <string>

class TRxLabel : public TControl {
public:
    TRxLabel(std::string name, TBounds bounds, std::string caption, unsigned anchors = akLeft | akTop);

    std::string Caption() const;  // Windows-1251
    void SetCaption(const std::string& caption);

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();

    std::string caption_;
    HFONT font_ = nullptr;  // the form's, set with WM_SETFONT
};
