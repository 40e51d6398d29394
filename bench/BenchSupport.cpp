#include "BenchSupport.h"

#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <stdexcept>

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / frequency;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes, bool flush)
{
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size() || (flush && !FlushFileBuffers(file.Get())))
        throw std::runtime_error("cannot write a benchmark file");
}

void ReadWholeFile(const std::wstring& path, std::string& buffer)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size))
        throw std::runtime_error("cannot open a benchmark file");
    buffer.resize(size_t(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.data(), DWORD(buffer.size()), &read, nullptr) || read != buffer.size())
        throw std::runtime_error("cannot read a benchmark file");
}

ScratchFolder::ScratchFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path_ + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((path_ + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

MemoryFigures ProcessMemory()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    // The commit charge: PrivateUsage on Windows, where it equals
    // PagefileUsage; Wine fills in only the latter.
    return {std::max<std::uint64_t>(counters.PrivateUsage, counters.PagefileUsage), counters.PeakPagefileUsage,
            counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

Report::Report(const std::wstring& resultsPath, bool append)
{
    if (!resultsPath.empty())
        file_ = _wfopen(resultsPath.c_str(), append ? L"ab" : L"wb");
}

Report::~Report()
{
    if (file_)
        std::fclose(file_);
}

void Report::Line(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::printf("%s\n", text);
    std::fflush(stdout);
    if (file_) {
        std::fprintf(file_, "%s\n", text);
        std::fflush(file_);
    }
}

std::string Grouped(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ' ';
        out += digits[i];
    }
    return out;
}

const char* Verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

std::vector<std::size_t> ParseCounts(const std::wstring& text)
{
    std::vector<std::size_t> counts;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t comma = text.find(L',', at);
        if (comma == std::wstring::npos)
            comma = text.size();
        if (comma > at)
            counts.push_back(std::size_t(std::stoull(text.substr(at, comma - at))));
        at = comma + 1;
    }
    return counts;
}
