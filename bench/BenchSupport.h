// What the Windows benchmarks share: a clock, medians, whole-file reads and
// writes with plain large ReadFile/WriteFile calls, a scratch folder, the
// process's memory counters, and the report that goes to the screen and to
// the results file at once.
#pragma once

#include "platform/Handles.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Seconds on the performance counter.
double Now();

double Median(std::vector<double> values);

// Writes the bytes with one WriteFile call; throws std::runtime_error.
void WriteWholeFile(const std::wstring& path, const std::string& bytes, bool flush = false);
// Reads the file with one ReadFile call into `buffer` (resized to fit).
void ReadWholeFile(const std::wstring& path, std::string& buffer);

// A fresh folder under the temp folder, removed with its files at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name);
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const std::wstring& Path() const { return path_; }  // ends in a backslash

private:
    std::wstring path_;
};

struct MemoryFigures {
    std::uint64_t privateBytes = 0, peakPrivateBytes = 0;
    std::uint64_t workingSet = 0, peakWorkingSet = 0;
};
MemoryFigures ProcessMemory();

// printf to the console and to the results file, if one is open.
class Report {
public:
    Report(const std::wstring& resultsPath, bool append);
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;
    [[gnu::format(gnu_printf, 2, 3)]] void Line(const char* format, ...);
    void Blank() { Line("%s", ""); }

private:
    std::FILE* file_ = nullptr;
};

// "1 000 000"
std::string Grouped(std::uint64_t value);

// "10000,100000" -> {10000, 100000}, as the benchmarks' options give them.
std::vector<std::size_t> ParseCounts(const std::wstring& text);

const char* Verdict(bool pass);
