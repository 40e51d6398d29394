// A component's way into a window state store's saves and restores. The
// owner (the grid, for its column layout) creates a link, sets its two
// notifications and attaches it to a store; the store calls them inside each
// save and restore, while its registry object is open:
//
//   TIniLink link;
//   link.OnLinkSave = [&] { link.RegistryObject()->WriteString(link.LinkSection() + "Mine", "X", "1"); };
//   link.SetStorage(&MainFormStorage);
//
// Destroying the link detaches it; destroying the store detaches every link.
#pragma once

#include <functional>
#include <string>

class TFormPlacement;
class TRegistrySections;

class TIniLink {
public:
    TIniLink() = default;
    TIniLink(const TIniLink&) = delete;
    TIniLink& operator=(const TIniLink&) = delete;
    ~TIniLink();

    TFormPlacement* Storage() const { return storage_; }
    // Leaves the previous store's list, then joins the end of the new one's.
    void SetStorage(TFormPlacement* storage);

    // The store's open registry object; null when unattached or outside a
    // save or restore.
    TRegistrySections* RegistryObject() const;
    // The store's IniSection as set (its class-name default is not applied)
    // and a backslash; empty when that is empty.
    std::string LinkSection() const;

    std::function<void()> OnLinkSave;
    std::function<void()> OnLinkLoad;

private:
    friend class TFormPlacement;
    TFormPlacement* storage_ = nullptr;
};
