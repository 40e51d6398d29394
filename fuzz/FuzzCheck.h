// What the fuzz targets share: a check that stops the run with a readable
// account of what differed, and a printable form of arbitrary bytes.
//
//   FUZZ_CHECK(got == expected, "value " + Printable(got) + " != " + Printable(expected));
//
// A failed check aborts, which libFuzzer records as a crash together with
// the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

[[noreturn]] inline void FuzzFail(const char* file, int line, const char* condition, const std::string& detail)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, condition, detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            FuzzFail(__FILE__, __LINE__, #condition, (detail));                                                        \
    } while (false)

// The bytes in double quotes, with everything but printable ASCII escaped;
// long texts are shortened in the middle.
inline std::string Printable(std::string_view bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    auto put = [&](unsigned char c) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    };
    if (bytes.size() <= 240) {
        for (unsigned char c : bytes)
            put(c);
    } else {
        for (unsigned char c : bytes.substr(0, 100))
            put(c);
        out += "\" ... (" + std::to_string(bytes.size()) + " bytes) ... \"";
        for (unsigned char c : bytes.substr(bytes.size() - 100))
            put(c);
    }
    return out + "\"";
}
