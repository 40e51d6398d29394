// The program's failures. Every failure is an exception derived from
// Exception, which carries a single-byte (Windows-1251) message text:
//
//   throw EInOutError(32);            // "I/O error 32"
//   throw EDatabaseError("BaseRxMemoryData: Field 'X' not found");
//
// EAbort is a silent stop: the error report never shows it.
#pragma once

#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    // A message that names files: kept exactly as written, since a folder's
    // name may hold characters that Windows-1251 lacks. Message() holds it
    // in that code page.
    explicit Exception(std::u16string text);
    const std::string& Message() const noexcept { return message_; }
    // The message as it is shown to the operator.
    std::u16string Text() const;
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
    std::u16string text_;
};

// The text any exception shows the operator: an Exception's own, otherwise
// what() read as Windows-1251.
std::u16string ExceptionText(const std::exception& error);

class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// A failure of the text-file layer; the code is the platform's error code of
// the failed open, read, write or close.
class EInOutError : public Exception {
public:
    explicit EInOutError(int code) : Exception(MessageForCode(code)), code_(code) {}
    // A failure that needs more words than the code's own message: which
    // file, and what became of the list.
    EInOutError(int code, std::u16string message) : Exception(std::move(message)), code_(code) {}
    int ErrorCode() const noexcept { return code_; }
    static std::string MessageForCode(int code);

private:
    int code_;
};

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// Failures of the registry section layer.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// Fills the first "%s" or "%d" of a message pattern, as the program's
// messages are written ("Field '%s' not found").
std::string FormatMessage(const std::string& pattern, const std::string& arg);
std::string FormatMessage(const std::string& pattern, long long arg);
