#include "runtime/Exceptions.h"

#include "runtime/Cp1251.h"

Exception::Exception(std::u16string text) : message_(Utf16ToCp1251(text)), text_(std::move(text)) {}

std::u16string Exception::Text() const
{
    return text_.empty() ? Cp1251ToUtf16(message_) : text_;
}

std::u16string ExceptionText(const std::exception& error)
{
    if (const auto* e = dynamic_cast<const Exception*>(&error))
        return e->Text();
    return Cp1251ToUtf16(error.what());
}

std::string EInOutError::MessageForCode(int code)
{
    switch (code) {
    case 2: return "File not found";
    case 3: return "Invalid filename";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 101: return "Disk full";
    case 106: return "Invalid numeric input";
    default: return FormatMessage("I/O error %d", code);
    }
}

std::string FormatMessage(const std::string& pattern, const std::string& arg)
{
    for (const char* marker : {"%s", "%d"}) {
        auto pos = pattern.find(marker);
        if (pos != std::string::npos)
            return pattern.substr(0, pos) + arg + pattern.substr(pos + 2);
    }
    return pattern;
}

std::string FormatMessage(const std::string& pattern, long long arg)
{
    return FormatMessage(pattern, std::to_string(arg));
}
