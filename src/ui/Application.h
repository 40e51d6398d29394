// The application object: the hidden application window that owns every
// form (and carries the program's taskbar button), the title that follows
// from the executable's name, the message loop with its dialog keys, and
// the one place where escaped exceptions are handed to the error report.
//
//   TApplication app;  Application = &app;
//   app.Initialize();
//   app.CreateForm(mainForm);     // the first form created is the main form
//   app.Run();                    // until the main form closes
#pragma once

#include "platform/Win32.h"
#include "ui/Window.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

class TForm;

class TApplication : public TWindow {
public:
    TApplication();
    ~TApplication() override;

    void Initialize();
    // The executable's first icon group at that size (taskbar, Alt+Tab).
    static HICON LoadProgramIcon(int width, int height);
    // The title exactly as the executable is named: the hidden window's
    // caption (taskbar, Alt+Tab) and every error box's.
    const std::wstring& WideTitle() const { return title_; }

    void CreateForm(TForm& form);
    TForm* MainForm() const { return mainForm_; }
    const std::vector<TForm*>& Forms() const { return forms_; }

    // Shows the main form and dispatches messages until it has closed.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Destroys every form, last created first, and forgets them.
    void DestroyForms();
    // Called by a form that goes before the application does.
    void ForgetForm(TForm& form);

    // Takes and dispatches one message, waiting for it; false on WM_QUIT,
    // which stays posted for the outer loop.
    bool ProcessOneMessage();

    // Reports an exception that escaped a handler. The report itself is the
    // program's (set OnException); the framework only catches. Never throws:
    // a report that fails falls back to a plain system box.
    void HandleException(const std::exception_ptr& error) noexcept;
    std::function<void(const std::exception&)> OnException;

    // Modality: disables the thread's other visible top-level windows and
    // gives them back afterwards.
    std::vector<HWND> DisableTaskWindows(HWND except);
    void EnableTaskWindows(const std::vector<HWND>& windows);

    // Log-off or shutdown: the main form is saved as at its close; when
    // that fails the session end is refused and held back with a reason.
    bool QueryEndSession();
    void EndSession(bool ending);
    // Closes the main window for the session's end, with savingForSession_
    // set while it runs.
    void SaveForSession();
    // Sets the reason Windows shows for the held-back session end, or clears
    // it (nullptr). The system's call by default (where Windows has it).
    std::function<void(HWND, const wchar_t*)> OnShutdownBlock;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Dispatch(MSG& msg);

    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    std::wstring title_;
    TForm* mainForm_ = nullptr;
    std::vector<TForm*> forms_;
    bool terminated_ = false;
    bool oleInitialized_ = false;
    bool sessionSaved_ = false;
    bool savingForSession_ = false;  // the session-end save, with its error box, is under way
};

extern TApplication* Application;
