// The saver's pump step on a real window's queue: one message per call, false
// exactly on the quit message.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include "display/saver.h"
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

}  // namespace

TEST_CASE("a pump step handles at most one message, and an empty queue is no end")
{
    Saver& saver = SharedSaver();
    DrainMessages();

    SUBCASE("an empty queue: true, once it has waited for the next look")
    {
        CHECK(saver.PumpMessage());
    }
    SUBCASE("three waiting messages take three steps")
    {
        for (int i = 0; i < 3; ++i)
            PostMessageA(gWindowHandle, kProbeMessage, i, 0);
        CHECK(saver.PumpMessage());
        CHECK(saver.currentMessage.message == kProbeMessage);
        CHECK(saver.currentMessage.wParam == 0);
        CHECK(saver.PumpMessage());
        CHECK(saver.currentMessage.wParam == 1);
        CHECK(TakeProbes() == 1);
    }
    SUBCASE("false exactly when the quit message is retrieved")
    {
        PostMessageA(gWindowHandle, kProbeMessage, 0, 0);
        PostQuitMessage(0);
        CHECK(saver.PumpMessage());
        CHECK_FALSE(saver.PumpMessage());
        CHECK(saver.currentMessage.message == WM_QUIT);
        CHECK(saver.PumpMessage());
    }
    SUBCASE("WM_CLOSE reaches the end in two steps")
    {
        PostMessageA(gWindowHandle, WM_CLOSE, 0, 0);
        CHECK(saver.PumpMessage());
        CHECK_FALSE(saver.PumpMessage());
    }
}
