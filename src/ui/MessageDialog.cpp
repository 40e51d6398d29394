#include "ui/MessageDialog.h"

#include "platform/WideText.h"
#include "ui/MessageForm.h"

#include <algorithm>

namespace {

// The captions and labels of the box are the program's English texts, even
// around a Russian message.
struct KindInfo {
    const char* Caption;
    LPCWSTR Icon;
};

KindInfo InfoFor(TMsgDlgType kind)
{
    switch (kind) {
    case TMsgDlgType::mtWarning: return {"Warning", IDI_WARNING};
    case TMsgDlgType::mtConfirmation: return {"Confirm", IDI_QUESTION};
    }
    return {"", nullptr};
}

struct ButtonInfo {
    TMsgDlgBtn Button;
    const char* Name;
    const char* Caption;
    int Result;
};

// The buttons stand in this order whatever order the caller lists them in.
const ButtonInfo kButtons[] = {
    {TMsgDlgBtn::mbOK, "OK", "OK", mrOk},
    {TMsgDlgBtn::mbCancel, "Cancel", "Cancel", mrCancel},
};

}  // namespace

uint16_t MessageDialog(const std::string& text, TMsgDlgType kind, std::initializer_list<TMsgDlgBtn> buttons,
                       int helpContext)
{
    return MessageDialog(Wide(text), kind, buttons, helpContext);
}

uint16_t MessageDialog(const std::wstring& text, TMsgDlgType kind, std::initializer_list<TMsgDlgBtn> buttons,
                       int /*helpContext: no help topic is attached to a box*/)
{
    auto has = [&](TMsgDlgBtn b) { return std::find(buttons.begin(), buttons.end(), b) != buttons.end(); };
    KindInfo info = InfoFor(kind);
    TMessageRequest request;
    request.Caption = info.Caption;
    request.Icon = info.Icon;
    request.Text = text;
    for (const ButtonInfo& b : kButtons)
        if (has(b.Button))
            request.Buttons.push_back({b.Name, b.Caption, b.Result});
    // OK is the default whenever it is shown; Esc answers Cancel when there
    // is one and OK otherwise.
    if (has(TMsgDlgBtn::mbOK))
        request.DefaultButton = "OK";
    if (has(TMsgDlgBtn::mbCancel))
        request.CancelButton = "Cancel";
    else if (has(TMsgDlgBtn::mbOK))
        request.CancelButton = "OK";

    TScopedForm<TMessageForm> form(std::move(request));
    return static_cast<uint16_t>(form.Execute());
}
