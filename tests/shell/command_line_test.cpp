#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <string>

#include "shell/command_line.h"

namespace {

struct Case {
    const char* text;
    bool recognised;
    SaverMode mode;
    int32_t windowHandle;
    bool useForegroundWindow;
};

void Check(const Case& c)
{
    CAPTURE(c.text);
    const CommandLine result = ParseCommandLine(c.text);
    CHECK(result.recognised == c.recognised);
    if (!c.recognised)
        return;
    CHECK(result.mode == c.mode);
    CHECK(result.windowHandle == c.windowHandle);
    CHECK(result.useForegroundWindow == c.useForegroundWindow);
}

}  // namespace

TEST_CASE("every accepted form of the screen-saver command line selects its mode and window")
{
    const Case cases[] = {
        {"zuvarir.scr", true, ModeConfigure, 0, false},
        {"zuvarir.scr ", true, ModeConfigure, 0, false},
        {"zuvarir.scr     ", true, ModeConfigure, 0, false},
        {"zuvarir.scr /c", true, ModeConfigure, 0, true},
        {"zuvarir.scr /c:", true, ModeConfigure, 0, true},
        {"zuvarir.scr /c   ", true, ModeConfigure, 0, true},
        {"zuvarir.scr /c: : ", true, ModeConfigure, 0, true},
        {"zuvarir.scr /c 0", true, ModeConfigure, 0, false},
        {"zuvarir.scr /c 1234", true, ModeConfigure, 1234, false},
        {"zuvarir.scr /c:1234", true, ModeConfigure, 1234, false},
        {"zuvarir.scr -C:77", true, ModeConfigure, 77, false},
        {"zuvarir.scr /a 99", true, ModeChangePassword, 99, false},
        {"zuvarir.scr /a:99", true, ModeChangePassword, 99, false},
        {"zuvarir.scr /a", true, ModeChangePassword, 0, false},
        {"zuvarir.scr A 5", true, ModeChangePassword, 5, false},
        {"zuvarir.scr /p 42", true, ModePreview, 42, false},
        {"zuvarir.scr /p:42", true, ModePreview, 42, false},
        {"zuvarir.scr /l 42", true, ModePreview, 42, false},
        {"zuvarir.scr /L:42", true, ModePreview, 42, false},
        {"zuvarir.scr /p::  42", true, ModePreview, 42, false},
        {"zuvarir.scr /p : : 42", true, ModePreview, 42, false},
        {"zuvarir.scr /p", true, ModePreview, 0, false},
        {"zuvarir.scr /preview", true, ModePreview, 0, false},
        {"zuvarir.scr /s", true, ModeSaver, 0, false},
        {"zuvarir.scr /S", true, ModeSaver, 0, false},
        {"zuvarir.scr -s", true, ModeSaver, 0, false},
        {"zuvarir.scr s", true, ModeSaver, 0, false},
        {"zuvarir.scr /save", true, ModeSaver, 0, false},
        {"zuvarir.scr /s 123", true, ModeSaver, 0, false},
        {"zuvarir.scr    /s", true, ModeSaver, 0, false},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST_CASE("the program name is skipped by its quotes or up to the first space")
{
    const Case cases[] = {
        // Spaces inside a quoted name belong to the name.
        {"\"C:\\Program Files\\Zuvarir\\zuvarir.scr\" /s", true, ModeSaver, 0, false},
        // The closing quote is the one skipped character, so /s may follow at once.
        {"\"C:\\Program Files\\zuvarir.scr\"/s", true, ModeSaver, 0, false},
        {"\"zuvarir.scr\"/p 7", true, ModePreview, 7, false},
        // A name whose quote never closes swallows the rest: nothing is left.
        {"\"zuvarir.scr /s", true, ModeConfigure, 0, false},
        // A tab is no separator: it belongs to the unquoted name.
        {"zuvarir.scr\t/s", true, ModeConfigure, 0, false},
        // Only one character after the name is skipped before the run of spaces.
        {"zuvarir.scr  /s", true, ModeSaver, 0, false},
        {"", true, ModeConfigure, 0, false},
        {nullptr, true, ModeConfigure, 0, false},
    };
    for (const Case& c : cases)
        Check(c);
}

TEST_CASE("an unknown switch, a lone slash or a lone dash is not recognised")
{
    for (const char* text : {"zuvarir.scr /x", "zuvarir.scr /", "zuvarir.scr -", "zuvarir.scr //s", "zuvarir.scr -/s",
                             "zuvarir.scr /?", "zuvarir.scr \t", "zuvarir.scr x"}) {
        CAPTURE(text);
        CHECK_FALSE(ParseCommandLine(text).recognised);
    }
}

TEST_CASE("the window number is read with atoi semantics")
{
    const Case cases[] = {
        {"z /p 42abc", true, ModePreview, 42, false},
        {"z /p abc", true, ModePreview, 0, false},
        {"z /p -5", true, ModePreview, -5, false},
        {"z /p:+17", true, ModePreview, 17, false},
        // atoi skips any white space, tabs included, before the number.
        {"z /p \t 8", true, ModePreview, 8, false},
        {"z /p 0042", true, ModePreview, 42, false},
        {"z /p 4294967295", true, ModePreview, 2147483647, false},
        {"z /p -99999999999999999999", true, ModePreview, -2147483647 - 1, false},
        // The text is not a number, so the owner is not the foreground window but 0.
        {"z /c x", true, ModeConfigure, 0, false},
        {"z /c \t", true, ModeConfigure, 0, false},
    };
    for (const Case& c : cases)
        Check(c);
}
