// The pump step on a real window's queue: one message per call, never a wait,
// false exactly on the quit message.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include "display/frame_clock.h"
#include "display/gl_window.h"
#include "shell/globals.h"
#include "tests/display/window_fixture.h"

namespace {

constexpr UINT kProbeMessage = WM_APP + 7;

int TakeProbes()
{
    int count = 0;
    MSG message;
    while (PeekMessageA(&message, nullptr, kProbeMessage, kProbeMessage, PM_REMOVE))
        ++count;
    return count;
}

DWORD gMilliseconds;
BOOL WINAPI NoCounter(LARGE_INTEGER*) { return FALSE; }
DWORD WINAPI FakeMilliseconds() { return gMilliseconds; }

}  // namespace

TEST_CASE("a pump step handles at most one message and returns at once on an empty queue")
{
    GLWindow& window = SharedWindow();
    DrainMessages();

    SUBCASE("an empty queue: true, after the clock tick")
    {
        const TimeSource saved = gTimeSource;
        gTimeSource = {NoCounter, NoCounter, FakeMilliseconds};
        gMilliseconds = 1000;
        window.StartClock();
        gMilliseconds = 1750;
        CHECK(window.PumpMessage());
        CHECK(window.elapsed == doctest::Approx(0.75f));
        gTimeSource = saved;
        window.StartClock();
    }
    SUBCASE("three waiting messages take three steps")
    {
        for (int i = 0; i < 3; ++i)
            PostMessageA(gWindowHandle, kProbeMessage, i, 0);
        CHECK(window.PumpMessage());
        CHECK(window.currentMessage.message == kProbeMessage);
        CHECK(window.currentMessage.wParam == 0);
        CHECK(window.PumpMessage());
        CHECK(window.currentMessage.wParam == 1);
        CHECK(TakeProbes() == 1);
    }
    SUBCASE("false exactly when the quit message is retrieved")
    {
        PostMessageA(gWindowHandle, kProbeMessage, 0, 0);
        PostQuitMessage(0);
        CHECK(window.PumpMessage());
        CHECK_FALSE(window.PumpMessage());
        CHECK(window.currentMessage.message == WM_QUIT);
        CHECK(window.PumpMessage());
    }
    SUBCASE("WM_CLOSE reaches the end in two steps")
    {
        PostMessageA(gWindowHandle, WM_CLOSE, 0, 0);
        CHECK(window.PumpMessage());
        CHECK_FALSE(window.PumpMessage());
    }
}
