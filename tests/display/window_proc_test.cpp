// WindowProc of a real render window, with real messages sent to it and the mode
// set to each of the three that can reach it: the close rules, the cursor, the
// default processing, the foreground, and the power notices that rest it or
// halve its rate.
#include <doctest/doctest.h>

#include <initializer_list>

#include <string>

#include "display/power_settings.h"
#include "display/saver.h"
#include "shell/globals.h"
#include "shell/saver_settings.h"
#include "tests/display/window_fixture.h"

namespace {

bool TakeQuit()
{
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

constexpr LPARAM kAltHeld = LPARAM(1) << 29;

uint32_t gMilliseconds;
bool NoCounter(int64_t&) { return false; }
int64_t FakeCounter() { return 0; }
uint32_t FakeMilliseconds() { return gMilliseconds; }

struct Row {
    const char* what;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool closesSaver;
    bool closesPreview;
};

const Row kRows[] = {
    {"key down", WM_KEYDOWN, VK_SPACE, 0x00390001, true, false},
    {"key up", WM_KEYUP, VK_SPACE, LPARAM(0xC0390001), true, false},
    {"left button down", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), true, false},
    {"right button down", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5), true, false},
    {"middle button down", WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5), true, false},
    {"left button up", WM_LBUTTONUP, 0, MAKELPARAM(5, 5), false, false},
    {"right button up", WM_RBUTTONUP, 0, MAKELPARAM(5, 5), false, false},
    {"middle button up", WM_MBUTTONUP, 0, MAKELPARAM(5, 5), false, false},
    {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(5, 5), false, false},
    {"character", WM_CHAR, 'a', 0x001E0001, false, false},
    {"Alt+X down", WM_SYSKEYDOWN, 'X', kAltHeld | 0x002D0001, false, false},
    {"Alt+X up", WM_SYSKEYUP, 'X', kAltHeld | LPARAM(0xC02D0001), false, false},
    {"Alt+F4 down", WM_SYSKEYDOWN, VK_F4, kAltHeld | 0x003E0001, false, false},
    {"F10 down", WM_SYSKEYDOWN, VK_F10, 0x00440001, false, false},
    {"system command close", WM_SYSCOMMAND, SC_CLOSE, 0, false, false},
    {"system command screen saver", WM_SYSCOMMAND, SC_SCREENSAVE, 0, false, false},
    {"deactivation", WM_ACTIVATE, WA_INACTIVE, 0, true, true},
    {"deactivation while minimised", WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, false, false},
    {"activation", WM_ACTIVATE, WA_ACTIVE, 0, false, false},
    {"click activation", WM_ACTIVATE, WA_CLICKACTIVE, 0, false, false},
    {"application deactivation", WM_ACTIVATEAPP, FALSE, 0, true, true},
    {"application activation", WM_ACTIVATEAPP, TRUE, 0, false, false},
    {"caption deactivation", WM_NCACTIVATE, FALSE, 0, true, true},
    {"caption activation", WM_NCACTIVATE, TRUE, 0, false, false},
};

}  // namespace

TEST_CASE("input ends the saver by the close-rule table, and nothing else does")
{
    SharedSaver();
    const HWND window = gWindowHandle;
    for (SaverMode mode : {ModeSaver, ModePreview, ModeConfigure}) {
        gMode = mode;
        for (const Row& row : kRows) {
            CAPTURE(mode);
            CAPTURE(row.what);
            DrainMessages();
            const LRESULT result = SendMessageA(window, row.message, row.wParam, row.lParam);
            const bool expected = mode == ModeSaver ? row.closesSaver : mode == ModePreview && row.closesPreview;
            CHECK(result == 0);
            CHECK(TakeClose(window) == expected);
            CHECK_FALSE(TakeQuit());
        }
    }
    gMode = ModeSaver;
}

TEST_CASE("close, destroy and quit messages post the quit message in every mode")
{
    SharedSaver();
    for (SaverMode mode : {ModeSaver, ModePreview, ModeConfigure}) {
        gMode = mode;
        for (UINT message : {UINT(WM_CLOSE), UINT(WM_DESTROY), UINT(WM_QUIT)}) {
            CAPTURE(mode);
            CAPTURE(message);
            DrainMessages();
            CHECK(SendMessageA(gWindowHandle, message, 0, 0) == 0);
            CHECK(TakeQuit());
            CHECK(IsWindow(gWindowHandle));
        }
    }
    gMode = ModeSaver;
}

TEST_CASE("mouse travel ends the saver only after half a second and beyond the threshold")
{
    Saver& saver = SharedSaver();
    // The grace counts on the saver's clock, here on a millisecond timer of the test's.
    saver.UseTimeSource({NoCounter, FakeCounter, FakeMilliseconds});
    gSettings->mouseThreshold = 40;
    gSettings->mouseOrigin = {300, 300};
    struct Travel {
        SaverMode mode;
        float elapsed;
        int x, y;
        bool closes;
    };
    const Travel travels[] = {
        {ModeSaver, 0.0f, 900, 700, false},
        {ModeSaver, 0.4f, 900, 700, false},
        {ModeSaver, 0.45f, 900, 700, false},
        {ModeSaver, 0.6f, 340, 300, false},
        {ModeSaver, 0.6f, 341, 300, true},
        {ModeSaver, 0.6f, 259, 300, true},
        {ModeSaver, 0.6f, 300, 340, false},
        {ModeSaver, 0.6f, 300, 341, true},
        {ModeSaver, 0.6f, 300, 259, true},
        {ModeSaver, 0.6f, 260, 260, false},
        {ModeSaver, 0.6f, 340, 340, false},
        {ModeSaver, 30.0f, 341, 341, true},
        {ModePreview, 30.0f, 900, 700, false},
        {ModeConfigure, 30.0f, 900, 700, false},
    };
    for (const Travel& travel : travels) {
        CAPTURE(travel.mode);
        CAPTURE(travel.elapsed);
        CAPTURE(travel.x);
        CAPTURE(travel.y);
        gMode = travel.mode;
        REQUIRE(SetCursorPos(travel.x, travel.y));
        DrainMessages();
        gMilliseconds = static_cast<uint32_t>(travel.elapsed * 1000);
        // The position in lParam is not what counts: it claims no travel at all.
        CHECK(SendMessageA(gWindowHandle, WM_MOUSEMOVE, 0, MAKELPARAM(300, 300)) == 0);
        CHECK(TakeClose(gWindowHandle) == travel.closes);
    }
    SUBCASE("a threshold of 0 allows no travel at all")
    {
        gMode = ModeSaver;
        gSettings->mouseThreshold = 0;
        SetCursorPos(301, 300);
        DrainMessages();
        gMilliseconds = 1000;
        SendMessageA(gWindowHandle, WM_MOUSEMOVE, 0, 0);
        CHECK(TakeClose(gWindowHandle));
        SetCursorPos(300, 300);
        DrainMessages();
        SendMessageA(gWindowHandle, WM_MOUSEMOVE, 0, 0);
        CHECK_FALSE(TakeClose(gWindowHandle));
    }
    saver.UseTimeSource(gTimeSource);
    gMode = ModeSaver;
    gSettings->mouseThreshold = 50;
}

TEST_CASE("the cursor is hidden over the saver and an arrow elsewhere")
{
    SharedSaver();
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    for (SaverMode mode : {ModeSaver, ModePreview, ModeConfigure}) {
        CAPTURE(mode);
        gMode = mode;
        SetCursor(mode == ModeSaver ? arrow : nullptr);
        CHECK(SendMessageA(gWindowHandle, WM_SETCURSOR, WPARAM(gWindowHandle), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) == 0);
        CHECK(GetCursor() == (mode == ModeSaver ? nullptr : arrow));
    }
    gMode = ModeSaver;
}

TEST_CASE("other messages get the default processing")
{
    SharedSaver();
    char title[32] = {};
    CHECK(SendMessageA(gWindowHandle, WM_GETTEXT, sizeof title, LPARAM(title)) == 7);
    CHECK(std::string(title) == "Zuvarir");
    CHECK(SendMessageA(gWindowHandle, WM_GETTEXTLENGTH, 0, 0) == 7);
}

TEST_CASE("losing the foreground to another window ends the saver and the preview")
{
    SharedSaver();
    for (SaverMode mode : {ModeSaver, ModePreview, ModeConfigure}) {
        CAPTURE(mode);
        gMode = mode;
        SetForegroundWindow(gWindowHandle);
        SetActiveWindow(gWindowHandle);
        DrainMessages();
        REQUIRE(GetActiveWindow() == gWindowHandle);
        const HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "other", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50,
                                           nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(other);
        SetActiveWindow(other);
        CHECK(GetActiveWindow() == other);
        CHECK(TakeClose(gWindowHandle) == (mode != ModeConfigure));
        DestroyWindow(other);
        DrainMessages();
    }
    gMode = ModeSaver;
}

TEST_CASE("power notifications rest the window while nobody sees it or at high savings, and halve its rate to save power")
{
    constexpr WPARAM kSettingChange = 0x8013;  // PBT_POWERSETTINGCHANGE
    constexpr GUID kBatteryLeft = {0xa7ad8041, 0xb45a, 0x4cae, {0x87, 0xa3, 0xee, 0xcb, 0xb4, 0x68, 0xa9, 0xe1}};
    const GUID* const source = &GUID_ACDC_POWER_SOURCE;
    struct Notice {
        const char* what;
        WPARAM event;
        const GUID* setting;
        DWORD dataLength;
        DWORD value;
        bool restsAfter;
        uint32_t refreshesAfter = 1;
    };
    // In order: each row starts where the one before left the window.
    const Notice notices[] = {
        {"display dimmed", kSettingChange, &GUID_CONSOLE_DISPLAY_STATE, 4, 2, false},
        {"display off", kSettingChange, &GUID_CONSOLE_DISPLAY_STATE, 4, 0, true},
        {"another setting's 1", kSettingChange, &kBatteryLeft, 4, 1, true},
        {"a display state without its value", kSettingChange, &GUID_CONSOLE_DISPLAY_STATE, 0, 1, true},
        {"display on", kSettingChange, &GUID_CONSOLE_DISPLAY_STATE, 4, 1, false},
        {"monitor off", kSettingChange, &GUID_MONITOR_POWER_ON, 4, 0, true},
        {"monitor on", kSettingChange, &GUID_MONITOR_POWER_ON, 4, 1, false},
        {"suspend", PBT_APMSUSPEND, nullptr, 0, 0, true},
        {"display on while asleep", kSettingChange, &GUID_CONSOLE_DISPLAY_STATE, 4, 1, true},
        {"resume", PBT_APMRESUMESUSPEND, nullptr, 0, 0, false},
        {"suspend again", PBT_APMSUSPEND, nullptr, 0, 0, true},
        {"automatic resume", PBT_APMRESUMEAUTOMATIC, nullptr, 0, 0, false},
        {"on battery", kSettingChange, source, 4, 1, false, 2},
        {"Energy Saver at high savings", kSettingChange, &kEnergySaverStatus, 4, 2, true, 2},
        {"Energy Saver off, still on battery", kSettingChange, &kEnergySaverStatus, 4, 0, false, 2},
        {"on mains", kSettingChange, source, 4, 0, false, 1},
        {"on a short-term source", kSettingChange, source, 4, 2, false, 2},
        {"on mains again", kSettingChange, source, 4, 0, false, 1},
        {"the battery saver on", kSettingChange, &kPowerSavingStatus, 4, 1, false, 2},
        {"the battery saver off", kSettingChange, &kPowerSavingStatus, 4, 0, false, 1},
        {"Energy Saver at its standard level", kSettingChange, &kEnergySaverStatus, 4, 1, false, 2},
        {"Energy Saver off", kSettingChange, &kEnergySaverStatus, 4, 0, false, 1},
    };
    Saver& saver = SharedSaver();
    for (const Notice& notice : notices) {
        INFO(notice.what);
        struct {
            GUID setting;
            DWORD dataLength;
            DWORD value;
        } data = {notice.setting ? *notice.setting : GUID(), notice.dataLength, notice.value};
        CHECK(SendMessageA(gWindowHandle, WM_POWERBROADCAST, notice.event, LPARAM(&data)) == TRUE);
        CHECK(saver.IsResting() == notice.restsAfter);
        CHECK(saver.PrimaryView()->IsResting() == notice.restsAfter);
        CHECK(saver.PrimaryView()->RefreshesPerFrame() == notice.refreshesAfter);
    }
}
