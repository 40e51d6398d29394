// The window state store: a non-visual component on a form that remembers,
// in the registry, where the form stood, how large it was and whether it was
// normal, minimised or maximised, and puts it back so at the next showing.
//
//   class TMyForm : public TForm {
//   public:
//       TFormStorage MyFormStorage{*this, "MyFormStorage"};
//       TMyForm() : TForm("MyForm", "TMyForm", Design())
//       {
//           MyFormStorage.IniSection = "MyForm";
//           MyFormStorage.UseRegistry = true;
//           AddComponent(MyFormStorage);
//       }
//   };
//   ...
//   form.Destroy();  // by the form's owner, while the store still exists
//
// Once the form's design is loaded (Loaded) the store chains itself into the
// form's OnShow, OnCloseQuery and OnDestroy: a show restores, a granted
// close saves, and a destroy saves when nothing was saved since the last
// show. Its own errors are reported through the application and never stop
// a show or a close. The store must not outlive its form; it gives the
// form's previous handlers back when it is destroyed.
#pragma once

#include "storage/RegistrySection.h"
#include "ui/Component.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TForm;
class TIniLink;

enum TPlacementOption : unsigned { fpState = 1u << 0, fpPosition = 1u << 1, fpActiveControl = 1u << 2 };
using TPlacementOptions = unsigned;

enum class TPlacementRegRoot { prCurrentUser, prLocalMachine, prCurrentConfig, prClassesRoot, prUsers, prDynData };

// Limits on the window's size and maximised position; all zero sets none.
struct TWinMinMaxInfo {
    int MaxPosLeft = 0;
    int MaxPosTop = 0;
    int MaxSizeHeight = 0;
    int MaxSizeWidth = 0;
    int MaxTrackHeight = 0;
    int MaxTrackWidth = 0;
    int MinTrackHeight = 0;
    int MinTrackWidth = 0;
    bool DefaultMinMaxInfo() const;
};

class TFormPlacement : public TComponent {
public:
    TFormPlacement(TForm& owner, std::string name);
    ~TFormPlacement() override;

    // When false, showing restores nothing and closing saves nothing.
    bool Active = true;
    // Key below the root hive holding all sections; empty: DefaultRegistryKey().
    std::string IniFileName;
    // The form's own subkey; empty: the form's class name (see Section()).
    std::string IniSection;
    TPlacementOptions Options = fpState | fpPosition;
    // The values live in the registry only when true; the INI-file
    // alternative is not built, so a store left false keeps nothing.
    bool UseRegistry = false;
    TPlacementRegRoot RegistryRoot = TPlacementRegRoot::prCurrentUser;
    // A restore applies the stored values only if the stored FormVersion is
    // not lower than this.
    int Version = 0;
    bool PreventResize = false;
    TWinMinMaxInfo MinMaxInfo;
    std::function<void(TFormPlacement& sender)> OnSavePlacement;
    std::function<void(TFormPlacement& sender)> OnRestorePlacement;

    TForm& Form() const { return form_; }
    // The section in use: IniSection, or the form's class name.
    std::string Section() const;
    // "Software\" and the executable's file name without folder and last
    // extension: C:\Tools\prog.exe keeps its values under Software\prog.
    // The name is taken exactly, so an executable named in characters
    // beyond the system's code page still has a key of its own.
    static std::wstring DefaultRegistryKey();

    bool RestoreDone() const { return restoreDone_; }
    bool SaveDone() const { return saveDone_; }
    bool SavingOnDestroy() const { return savingOnDestroy_; }
    // The object open for the current save or restore; null outside them.
    TRegistrySections* RegistryObject() { return registry_ ? &*registry_ : nullptr; }

    void SaveToRegistry();
    void RestoreFromRegistry();

    // One text value of any section through the store: uses the open
    // registry object, or opens one for this value alone.
    virtual std::string ReadString(const std::string& section, const std::string& ident, const std::string& def);
    virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value);

    // Attaches to the form's events.
    void Loaded() override;

protected:
    // The form's own values, then the links' (inside a save).
    virtual void SavePlacement();
    // The stored placement and state, then the links' (inside a restore).
    virtual void RestorePlacement();

private:
    friend class TIniLink;
    void AddLink(TIniLink& link);
    void RemoveLink(TIniLink& link);

    void Attach();
    void Detach();
    void FormShow();
    void FormCloseQuery(bool& canClose);
    void FormDestroy();

    HKEY RootKey() const;
    std::wstring RegistryKey() const;
    void ApplyStoredPlacement();
    void ApplyStoredState();
    void AdjustMaximizedPosition();

    TForm& form_;
    bool attached_ = false;
    std::function<void()> savedOnShow_;
    std::function<void(bool&)> savedOnCloseQuery_;
    std::function<void()> savedOnDestroy_;
    bool restoreDone_ = false;
    bool saveDone_ = false;
    bool savingOnDestroy_ = false;
    std::optional<TRegistrySections> registry_;
    std::vector<TIniLink*> links_;
};

// "Software\" + the file name of exePath without folder and last extension.
std::wstring DefaultRegistryKeyFor(std::wstring_view exePath);
