#include "storage/FormPlacement.h"

#include "platform/Dpi.h"
#include "platform/ModulePath.h"
#include "platform/WideText.h"
#include "runtime/IntParser.h"
#include "runtime/ScopeGuard.h"
#include "storage/IniLink.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Window.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

static_assert(sizeof(WINDOWPLACEMENT) == 44, "the stored placement is the 32-bit structure");

namespace {

std::string FourNumbers(long a, long b, long c, long d)
{
    char text[64];
    std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", a, b, c, d);
    return text;
}

WINDOWPLACEMENT PlacementOf(HWND hwnd)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd, &placement);
    return placement;
}

bool IsSizeable(TBorderStyle style)
{
    return style == TBorderStyle::bsSizeable || style == TBorderStyle::bsSizeToolWin;
}

POINT FrameThickness(TBorderStyle style)
{
    switch (style) {
    case TBorderStyle::bsSingle:
    case TBorderStyle::bsToolWindow: return {GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
    case TBorderStyle::bsSizeable:
    case TBorderStyle::bsSizeToolWin: return {GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME)};
    case TBorderStyle::bsDialog: return {GetSystemMetrics(SM_CXDLGFRAME), GetSystemMetrics(SM_CYDLGFRAME)};
    case TBorderStyle::bsNone: break;
    }
    return {0, 0};
}

// The stored show command as a window state; other commands keep def.
TWindowState StateForShowCmd(int showCmd, TWindowState def)
{
    switch (showCmd) {
    case SW_SHOWNORMAL:
    case SW_SHOW:
    case SW_RESTORE: return TWindowState::wsNormal;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: return TWindowState::wsMinimized;
    case SW_SHOWMAXIMIZED: return TWindowState::wsMaximized;
    default: return def;
    }
}

// Whether the form stands for the whole program: the main form, or any
// form while there is none yet.
bool ActsAsMainForm(const TForm& form)
{
    return !Application || !Application->MainForm() || form.IsMainForm();
}

}  // namespace

bool TWinMinMaxInfo::DefaultMinMaxInfo() const
{
    return MaxPosLeft == 0 && MaxPosTop == 0 && MaxSizeHeight == 0 && MaxSizeWidth == 0 && MaxTrackHeight == 0 &&
           MaxTrackWidth == 0 && MinTrackHeight == 0 && MinTrackWidth == 0;
}

std::wstring DefaultRegistryKeyFor(std::wstring_view exePath)
{
    std::wstring_view name = exePath;
    if (auto slash = name.find_last_of(L"\\/:"); slash != std::wstring_view::npos)
        name.remove_prefix(slash + 1);
    if (auto dot = name.rfind(L'.'); dot != std::wstring_view::npos)
        name = name.substr(0, dot);
    return L"Software\\" + std::wstring(name);
}

TFormPlacement::TFormPlacement(TForm& owner, std::string name) : TComponent(std::move(name)), form_(owner) {}

TFormPlacement::~TFormPlacement()
{
    registry_.reset();
    for (TIniLink* link : links_)
        link->storage_ = nullptr;
    links_.clear();
    Detach();
}

std::string TFormPlacement::Section() const
{
    return IniSection.empty() ? form_.ClassName() : IniSection;
}

std::wstring TFormPlacement::DefaultRegistryKey()
{
    return DefaultRegistryKeyFor(std::wstring_view(ModulePath()));
}

HKEY TFormPlacement::RootKey() const
{
    switch (RegistryRoot) {
    case TPlacementRegRoot::prCurrentUser: return HKEY_CURRENT_USER;
    case TPlacementRegRoot::prLocalMachine: return HKEY_LOCAL_MACHINE;
    case TPlacementRegRoot::prCurrentConfig: return HKEY_CURRENT_CONFIG;
    case TPlacementRegRoot::prClassesRoot: return HKEY_CLASSES_ROOT;
    case TPlacementRegRoot::prUsers: return HKEY_USERS;
    case TPlacementRegRoot::prDynData: return HKEY_DYN_DATA;
    }
    return HKEY_CURRENT_USER;
}

std::wstring TFormPlacement::RegistryKey() const
{
    return IniFileName.empty() ? DefaultRegistryKey() : Wide(IniFileName);
}

void TFormPlacement::AddLink(TIniLink& link)
{
    links_.push_back(&link);
    link.storage_ = this;
}

void TFormPlacement::RemoveLink(TIniLink& link)
{
    links_.erase(std::remove(links_.begin(), links_.end(), &link), links_.end());
    link.storage_ = nullptr;
}

// ---- events ----

void TFormPlacement::Loaded()
{
    Attach();
}

void TFormPlacement::Attach()
{
    if (attached_)
        return;
    attached_ = true;
    savedOnShow_ = std::move(form_.OnShow);
    savedOnCloseQuery_ = std::move(form_.OnCloseQuery);
    savedOnDestroy_ = std::move(form_.OnDestroy);
    form_.OnShow = [this] { FormShow(); };
    form_.OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
    form_.OnDestroy = [this] { FormDestroy(); };
}

void TFormPlacement::Detach()
{
    if (!attached_)
        return;
    attached_ = false;
    form_.OnShow = std::move(savedOnShow_);
    form_.OnCloseQuery = std::move(savedOnCloseQuery_);
    form_.OnDestroy = std::move(savedOnDestroy_);
}

void TFormPlacement::FormShow()
{
    if (Active && UseRegistry) {
        GuardedCall([this] { RestoreFromRegistry(); });
    }
    if (savedOnShow_)
        savedOnShow_();
}

void TFormPlacement::FormCloseQuery(bool& canClose)
{
    if (savedOnCloseQuery_)
        savedOnCloseQuery_(canClose);
    if (!canClose || !Active || !UseRegistry)
        return;
    // The store never refuses a close: its failure is only reported.
    GuardedCall([this] { SaveToRegistry(); });
}

void TFormPlacement::FormDestroy()
{
    if (Active && UseRegistry && !saveDone_) {
        savingOnDestroy_ = true;
        GuardedCall([this] { SaveToRegistry(); });
        savingOnDestroy_ = false;
    }
    if (savedOnDestroy_)
        savedOnDestroy_();
}

// ---- save ----

void TFormPlacement::SaveToRegistry()
{
    // A window not restored in this run is never saved: windows that were
    // never shown leave the registry alone.
    if (!restoreDone_ && Active)
        return;
    registry_.emplace(TRegistrySections::OpenForWrite(RootKey(), RegistryKey()));
    ScopeGuard close([this] { registry_.reset(); });
    registry_->WriteInteger(Section(), "FormVersion", Version);
    SavePlacement();
    if (OnSavePlacement)
        OnSavePlacement(*this);
    saveDone_ = true;
}

void TFormPlacement::SavePlacement()
{
    const std::string section = Section();
    HWND hwnd = form_.Handle();
    if ((Options & (fpState | fpPosition)) && hwnd) {
        WINDOWPLACEMENT placement = PlacementOf(hwnd);
        // Closed while the whole program was minimised: come back so.
        if (form_.IsMainForm() && Application && IsIconic(Application->Handle()))
            placement.showCmd = SW_SHOWMINIMIZED;
        registry_->WriteInteger(section, "Flags", int32_t(placement.flags));
        registry_->WriteInteger(section, "ShowCmd", int32_t(placement.showCmd));
        registry_->WriteInteger(section, "PixelsPerInch", SystemDpi());
        registry_->WritePosition(section, "MinMaxPos",
                                 FourNumbers(placement.ptMinPosition.x, placement.ptMinPosition.y,
                                             placement.ptMaxPosition.x, placement.ptMaxPosition.y));
        const RECT& normal = placement.rcNormalPosition;
        registry_->WritePosition(section, "NormPos", FourNumbers(normal.left, normal.top, normal.right, normal.bottom));
        registry_->WriteBool(section, "Visible", savingOnDestroy_);
    }
    if (Options & fpActiveControl)
        if (TControl* focused = form_.ActiveControl())
            registry_->WriteString(section, "ActiveControl", focused->Name());
    for (TIniLink* link : std::vector<TIniLink*>(links_))
        if (link->OnLinkSave)
            link->OnLinkSave();
}

// ---- restore ----

void TFormPlacement::RestoreFromRegistry()
{
    saveDone_ = false;
    {
        registry_.emplace(TRegistrySections::OpenForRead(RootKey(), RegistryKey()));
        ScopeGuard close([this] { registry_.reset(); });
        const std::string section = Section();
        if (registry_->ReadInteger(section, "FormVersion", 0) >= Version) {
            RestorePlacement();
            restoreDone_ = true;
            if (OnRestorePlacement)
                OnRestorePlacement(*this);
            if (Options & fpActiveControl) {
                std::string name = registry_->ReadString(section, "ActiveControl", {});
                auto* control = dynamic_cast<TControl*>(name.empty() ? nullptr : form_.FindComponent(name));
                // The form is still hidden here: ask the control's own style.
                if (control && control->Handle() && IsWindowEnabled(control->Handle()) &&
                    (GetWindowLongW(control->Handle(), GWL_STYLE) & WS_VISIBLE))
                    control->SetFocus();
            }
        }
        // A restore skipped by the version check still counts as done, so the
        // window is saved (with the current version) at its closing.
        restoreDone_ = true;
    }
    AdjustMaximizedPosition();
}

void TFormPlacement::RestorePlacement()
{
    if (Options & (fpState | fpPosition)) {
        if (Options & fpPosition)
            ApplyStoredPlacement();
        if (Options & fpState)
            ApplyStoredState();
    }
    for (TIniLink* link : std::vector<TIniLink*>(links_))
        if (link->OnLinkLoad)
            link->OnLinkLoad();
}

void TFormPlacement::ApplyStoredPlacement()
{
    HWND hwnd = form_.Handle();
    if (!hwnd)
        return;
    const std::string section = Section();
    WINDOWPLACEMENT placement = PlacementOf(hwnd);
    // The show event runs before the window becomes visible; keep it hidden.
    if (!IsWindowVisible(hwnd))
        placement.showCmd = SW_HIDE;

    placement.flags = UINT(registry_->ReadInteger(section, "Flags", int32_t(placement.flags)));
    bool found = false;
    std::string text = registry_->ReadPosition(section, "MinMaxPos");
    if (!text.empty()) {
        found = true;
        placement.ptMinPosition = {PositionWord(text, 1, 0), PositionWord(text, 2, 0)};
        placement.ptMaxPosition = {PositionWord(text, 3, 0), PositionWord(text, 4, 0)};
    }
    text = registry_->ReadPosition(section, "NormPos");
    if (!text.empty()) {
        found = true;
        const int left = form_.Left(), top = form_.Top();
        placement.rcNormalPosition = {PositionWord(text, 1, left), PositionWord(text, 2, top),
                                      PositionWord(text, 3, left + form_.Width()),
                                      PositionWord(text, 4, top + form_.Height())};
    }
    // A placement stored at another pixel density would come back at the
    // wrong size.
    if (registry_->ReadInteger(section, "PixelsPerInch", SystemDpi()) != SystemDpi())
        found = false;
    if (!found)
        return;

    RECT& normal = placement.rcNormalPosition;
    if (!IsSizeable(form_.BorderStyle())) {
        // A fixed-size window keeps its designed size; only its place moves.
        // A corner so near the end of the number range that the window
        // would not fit below it is no placement at all.
        const long long right = static_cast<long long>(normal.left) + form_.Width();
        const long long bottom = static_cast<long long>(normal.top) + form_.Height();
        if (right > INT32_MAX || bottom > INT32_MAX)
            return;
        normal.right = LONG(right);
        normal.bottom = LONG(bottom);
    }
    if (normal.right <= normal.left)
        return;
    if (form_.Position() == TPosition::poScreenCenter || form_.Position() == TPosition::poDesktopCenter)
        form_.SetPosition(TPosition::poDesigned);
    SetWindowPlacement(hwnd, &placement);
}

void TFormPlacement::ApplyStoredState()
{
    const TWindowState def = ActsAsMainForm(form_) && form_.Position() == TPosition::poDefault
                                 ? TWindowState::wsMaximized
                                 : TWindowState::wsNormal;
    const TWindowState state = StateForShowCmd(registry_->ReadInteger(Section(), "ShowCmd", 0), def);
    if (state == TWindowState::wsMinimized && ActsAsMainForm(form_)) {
        // The main window comes up normal and then the whole program
        // minimises, as it was when it was closed.
        form_.SetWindowState(TWindowState::wsNormal);
        if (Application)
            PostMessageW(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return;
    }
    form_.SetWindowState(state);
    if (form_.Handle())
        UpdateWindow(form_.Handle());
}

void TFormPlacement::AdjustMaximizedPosition()
{
    HWND hwnd = form_.Handle();
    if (!hwnd || PreventResize || !MinMaxInfo.DefaultMinMaxInfo())
        return;
    WINDOWPLACEMENT placement = PlacementOf(hwnd);
    if (!IsWindowVisible(hwnd))
        placement.showCmd = SW_HIDE;
    // A maximised window keeps its frame just outside the screen.
    const POINT frame = FrameThickness(form_.BorderStyle());
    placement.ptMaxPosition = {-frame.x, -frame.y};
    SetWindowPlacement(hwnd, &placement);
}

// ---- single values ----

std::string TFormPlacement::ReadString(const std::string& section, const std::string& ident, const std::string& def)
{
    if (registry_)
        return registry_->ReadString(section, ident, def);
    return TRegistrySections::OpenForRead(RootKey(), RegistryKey()).ReadString(section, ident, def);
}

void TFormPlacement::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    if (registry_) {
        registry_->WriteString(section, ident, value);
        return;
    }
    TRegistrySections::OpenForWrite(RootKey(), RegistryKey()).WriteString(section, ident, value);
}
