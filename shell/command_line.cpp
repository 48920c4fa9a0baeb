#include "shell/command_line.h"

#include <cstdint>

namespace {

const char* SkipProgramName(const char* p)
{
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
    } else {
        while (*p && *p != ' ')
            ++p;
    }
    // The closing quote or the space after the name.
    if (*p)
        ++p;
    return p;
}

const char* SkipSpaces(const char* p)
{
    while (*p == ' ')
        ++p;
    return p;
}

const char* SkipSpacesAndColons(const char* p)
{
    while (*p == ' ' || *p == ':')
        ++p;
    return p;
}

// atoi semantics: leading white space, an optional sign, decimal digits up to the
// first other character; no digits give 0. Out-of-range numbers saturate as the
// Windows C runtime's atoi does, instead of overflowing.
int32_t ReadDecimal(const char* p)
{
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t value = 0;
    const int64_t limit = negative ? -int64_t(INT32_MIN) : INT32_MAX;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit)
            value = limit;
    }
    return int32_t(negative ? -value : value);
}

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

}  // namespace

CommandLine ParseCommandLine(const char* text)
{
    CommandLine result;
    const char* p = SkipSpaces(SkipProgramName(text ? text : ""));
    if (!*p) {
        result.recognised = true;
        result.mode = ModeConfigure;
        return result;
    }
    if (*p == '-' || *p == '/')
        ++p;

    switch (Upper(*p)) {
    case 'P':
    case 'L':
        result.mode = ModePreview;
        result.windowHandle = ReadDecimal(SkipSpacesAndColons(p + 1));
        break;
    case 'S':
        result.mode = ModeSaver;
        break;
    case 'C':
        p = SkipSpacesAndColons(p + 1);
        result.mode = ModeConfigure;
        if (*p)
            result.windowHandle = ReadDecimal(p);
        else
            result.useForegroundWindow = true;
        break;
    case 'A':
        result.mode = ModeChangePassword;
        result.windowHandle = ReadDecimal(SkipSpacesAndColons(p + 1));
        break;
    default:
        return result;
    }
    result.recognised = true;
    return result;
}
