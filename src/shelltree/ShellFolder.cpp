#include "shelltree/ShellFolder.h"

#include "shelltree/ItemIdList.h"
#include "platform/SystemErrorText.h"
#include "platform/WideText.h"
#include "runtime/Exceptions.h"

#include <cstring>
#include <memory>

namespace {

int liveRecords = 0;
std::unique_ptr<TShellFolder> desktopRecord;

// A class-identifier name ("::{20D04FE0-...}") means nothing to the
// operator; such items are shown and stored by their display name.
bool IsClassIdName(const std::wstring& name)
{
    return name.compare(0, 3, L"::{") == 0;
}

std::wstring NameWithClassIdRule(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags)
{
    std::wstring name = DisplayNameOf(folder, pidl, flags);
    if (IsClassIdName(name))
        name = DisplayNameOf(folder, pidl, SHGDN_NORMAL);
    return name;
}

// Single-byte text in the system code page.
std::wstring FromAnsi(const char* text, size_t length)
{
    if (length == 0)
        return std::wstring();
    int wideLength = MultiByteToWideChar(CP_ACP, 0, text, int(length), nullptr, 0);
    std::wstring wide(wideLength, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, int(length), wide.data(), wideLength);
    return wide;
}

std::string SystemMessage(HRESULT hr)
{
    const std::wstring text = SystemErrorText(DWORD(hr));
    if (text.empty())
        return "Shell error " + std::to_string(static_cast<unsigned long>(hr));
    return Narrow(text);
}

}  // namespace

TShellFolder::TShellFolder(TShellFolder* parent, LPCITEMIDLIST id, ComPtr<IShellFolder> folder)
    : parent_(parent ? parent : desktopRecord.get()), folder_(std::move(folder)), itemId_(CopyPidl(id))
{
    // The desktop's own list is empty, so a record without a parent has its
    // ItemId as its full identifier.
    fullItemId_ = JoinPidls(parent_ ? parent_->FullItemId() : nullptr, itemId_.Get());
    ++liveRecords;
}

TShellFolder::TShellFolder(TShellFolder* parent, LPCITEMIDLIST id, BindLater)
    : TShellFolder(parent, id, ComPtr<IShellFolder>())
{
    bindPending_ = true;
}

const ComPtr<IShellFolder>& TShellFolder::ItemFolderRef() const
{
    if (bindPending_) {
        bindPending_ = false;
        folder_ = BindItemFolder(parent_ ? parent_->ItemFolder() : nullptr, ItemId());
    }
    return folder_;
}

TShellFolder::~TShellFolder()
{
    --liveRecords;
}

int TShellFolder::LiveCount()
{
    return liveRecords;
}

ComPtr<IShellFolder> TShellFolder::ParentShellFolder() const
{
    return parent_ ? parent_->ItemFolderRef() : DesktopFolder();
}

ULONG TShellFolder::Attributes(ULONG mask) const
{
    ComPtr<IShellFolder> parent = ParentShellFolder();
    if (!parent)
        return 0;
    LPCITEMIDLIST items[] = {ItemId()};
    SFGAOF attributes = mask;
    if (FAILED(parent->GetAttributesOf(1, items, &attributes)))
        return 0;
    return attributes & mask;
}

std::wstring TShellFolder::ParsingName() const
{
    return NameWithClassIdRule(DesktopFolder().Get(), FullItemId(), SHGDN_FORPARSING);
}

std::wstring TShellFolder::ItemCaption() const
{
    ComPtr<IShellFolder> parent = ParentShellFolder();
    if (!parent)
        return L"parentfolder = nil";
    return NameWithClassIdRule(parent.Get(), ItemId(), SHGDN_INFOLDER);
}

void TShellFolder::Rename(const std::wstring& newName)
{
    ComPtr<IShellFolder> parent = ParentShellFolder();
    UniquePidl newId;
    HRESULT hr = parent ? parent->SetNameOf(nullptr, ItemId(), newName.c_str(), SHGDN_NORMAL, newId.Receive()) : E_FAIL;
    if (FAILED(hr) || !newId)
        throw Exception("Rename to " + Narrow(newName) + " failed");
    itemId_ = std::move(newId);
    fullItemId_ = JoinPidls(parent_ ? parent_->FullItemId() : nullptr, itemId_.Get());
    // The old folder object still points at the old name; enumerating it
    // would list (and later store) paths that no longer exist.
    folder_ = BindItemFolder(parent.Get(), itemId_.Get());
    bindPending_ = false;
}

TShellFolder* DesktopRecord()
{
    return desktopRecord.get();
}

void ShellLayerStart()
{
    if (desktopRecord)
        return;
    ComPtr<IShellFolder> desktop;
    UniquePidl desktopId;
    // Without a desktop the record stays absent; the first use of the desktop
    // raises the shell's error where it can be reported.
    if (FAILED(SHGetDesktopFolder(desktop.Receive())) || !desktop)
        return;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, desktopId.Receive())))
        return;
    desktopRecord = std::make_unique<TShellFolder>(nullptr, desktopId.Get(), desktop);
}

void ShellLayerStop()
{
    desktopRecord.reset();
}

ComPtr<IShellFolder> DesktopFolder()
{
    if (desktopRecord && desktopRecord->ItemFolder())
        return desktopRecord->ItemFolderRef();
    ComPtr<IShellFolder> desktop;
    HRESULT hr = SHGetDesktopFolder(desktop.Receive());
    if (FAILED(hr) || !desktop)
        throw Exception(SystemMessage(FAILED(hr) ? hr : E_FAIL));
    return desktop;
}

ComPtr<IShellFolder> BindItemFolder(IShellFolder* parent, LPCITEMIDLIST id)
{
    ComPtr<IShellFolder> folder;
    if (parent) {
        if (SUCCEEDED(parent->BindToObject(id, nullptr, IID_IShellFolder, folder.ReceiveVoid())) && folder)
            return folder;
        LPCITEMIDLIST items[] = {id};
        if (SUCCEEDED(parent->GetUIObjectOf(nullptr, 1, items, IID_IShellFolder, nullptr, folder.ReceiveVoid())) &&
            folder)
            return folder;
        if (SUCCEEDED(parent->CreateViewObject(nullptr, IID_IShellFolder, folder.ReceiveVoid())) && folder)
            return folder;
    }
    ComPtr<IShellFolder> desktop = DesktopFolder();
    if (SUCCEEDED(desktop->BindToObject(id, nullptr, IID_IShellFolder, folder.ReceiveVoid())) && folder)
        return folder;
    return ComPtr<IShellFolder>();
}

std::wstring DisplayNameOf(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags)
{
    if (!folder)
        return std::wstring();
    STRRET name;
    std::memset(&name, 0, sizeof(name));
    if (FAILED(folder->GetDisplayNameOf(pidl, flags, &name)))
        return std::wstring();
    return ShellNameText(name, pidl);
}

std::wstring ShellNameText(STRRET& name, LPCITEMIDLIST pidl)
{
    std::wstring text;
    switch (name.uType) {
    case STRRET_WSTR:
        if (name.pOleStr) {
            text = name.pOleStr;
            CoTaskMemFree(name.pOleStr);
            name.pOleStr = nullptr;
        }
        break;
    case STRRET_OFFSET:
        // The name lies inside the first item; an offset past it gives no text
        // rather than a read beyond the item.
        if (pidl) {
            USHORT itemSize;
            std::memcpy(&itemSize, pidl, sizeof(itemSize));
            if (name.uOffset < itemSize) {
                const char* from = reinterpret_cast<const char*>(pidl) + name.uOffset;
                text = FromAnsi(from, strnlen(from, itemSize - name.uOffset));
            }
        }
        break;
    case STRRET_CSTR: text = FromAnsi(name.cStr, strnlen(name.cStr, sizeof(name.cStr))); break;
    }
    if (text.size() >= 2 && text[0] == L'?' && text[1] >= L'0' && text[1] <= L'9')
        std::erase(text, L'?');
    return text;
}
