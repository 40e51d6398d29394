#include "storage/IniLink.h"

#include "storage/FormPlacement.h"

TIniLink::~TIniLink()
{
    SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* storage)
{
    if (storage == storage_)
        return;
    if (storage_)
        storage_->RemoveLink(*this);
    if (storage)
        storage->AddLink(*this);
}

TRegistrySections* TIniLink::RegistryObject() const
{
    return storage_ ? storage_->RegistryObject() : nullptr;
}

std::string TIniLink::LinkSection() const
{
    if (!storage_ || storage_->IniSection.empty())
        return {};
    return storage_->IniSection + "\\";
}
