#include "baselist/BaseListTexts.h"

#include <iterator>

namespace {

struct Entry {
    ListMessage message;
    const wchar_t* text;
};

constexpr Entry kTexts[] = {
    {ListMessage::LoadedFromCopy,
     L"Прошлая запись списка баз в файл %1 не была завершена. Загружен полный список из файла %2; "
     L"при закрытии программы он будет записан в %1."},
    {ListMessage::TornWithoutCopy,
     L"Файл %1 записан не полностью: программа была остановлена, когда записывала его. Полную копию списка "
     L"найти не удалось: когда папка программы не принимает новых файлов, копию хранит папка "
     L"%%LOCALAPPDATA%%\\AutoPeriod того пользователя Windows, который сохранял список. Список не загружен. "
     L"Запустите программу от имени того пользователя; если закрыть её сейчас, недописанный файл "
     L"останется в копии Bases.dat.bak"},
    {ListMessage::CopyUnreadable,
     L"Прошлая запись списка баз в файл %3 не была завершена, а файл %1 с полным списком прочитать не удалось "
     L"(%2). Список не загружен. Закройте программу, которая держит этот файл, и запустите программу снова"},
    {ListMessage::NotSaved, L"Список баз не сохранён: не удалось записать файл %1 (%2). Файл %3 не изменён"},
    {ListMessage::NoTemporaryFile,
     L"Список баз не сохранён: не удалось создать временный файл для записи списка баз: %1. Файл %2 не изменён"},
    {ListMessage::TornCopyKept,
     L"Файл %1 записан не полностью (%2). Полный список баз сохранён в файле %3: программа загрузит его "
     L"при следующем запуске"},
    {ListMessage::StillInCopy, L"Полный список баз по-прежнему хранится в файле %1."},
    {ListMessage::BackupUnreadable,
     L"Не удалось прочитать файл %1, чтобы сохранить его копию (%2). Список не записан, файл %3 не изменён. "
     L"Если закрыть программу ещё раз, список будет записан без копии"},
    {ListMessage::BackupNotMade,
     L"Не удалось сохранить копию списка баз в файл %1. Список не записан, файл %2 не изменён. "
     L"Если закрыть программу ещё раз, список будет записан без копии"},
    {ListMessage::BackupInUserFolder,
     L"Прежний файл %1 прочитан не полностью, и в папке программы его копию сохранить нельзя (%2). "
     L"Копия сохранена в файле %3."},
    {ListMessage::LeftoverNotDeleted,
     L"Список баз записан в файл %1, но его копию %2 удалить не удалось (%3). В ней пароли открытым текстом: "
     L"удалите её."},
};

}  // namespace

std::wstring ListText(ListMessage message, std::initializer_list<std::wstring> arguments)
{
    const wchar_t* format = L"";
    for (const Entry& entry : kTexts)
        if (entry.message == message)
            format = entry.text;
    std::wstring text;
    for (const wchar_t* c = format; *c; ++c) {
        if (*c == L'%' && c[1] == L'%') {
            text += L'%';
            ++c;
        } else if (*c == L'%' && c[1] >= L'1' && c[1] <= L'9') {
            const size_t n = size_t(c[1] - L'1');
            if (n < arguments.size())
                text += *std::next(arguments.begin(), std::ptrdiff_t(n));
            ++c;
        } else {
            text += *c;
        }
    }
    return text;
}

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

std::wstring ReasonText(DWORD code)
{
    std::wstring reason;
    switch (code) {
    case ERROR_FILE_NOT_FOUND: reason = L"файл не найден"; break;
    case ERROR_PATH_NOT_FOUND: reason = L"папка не найдена"; break;
    case ERROR_ACCESS_DENIED: reason = L"нет доступа: файл только для чтения, это папка или нет прав на запись"; break;
    case ERROR_SHARING_VIOLATION: reason = L"файл открыт другой программой"; break;
    case ERROR_LOCK_VIOLATION: reason = L"файл заблокирован другой программой"; break;
    case ERROR_WRITE_PROTECT: reason = L"диск защищён от записи"; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: reason = L"имя занято"; break;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL: reason = L"на диске нет места"; break;
    default: reason = L"ошибка ввода-вывода"; break;
    }
    return reason + L", код " + std::to_wstring(code);
}
