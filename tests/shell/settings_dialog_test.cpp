// Dialog template 103 as compiled, byte by byte, and its procedure driven with
// real messages in a real dialog, against Wine's real registry.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "shell/globals.h"
#include "shell/saver_settings.h"
#include "shell/settings_dialog.h"
#include "tests/shell/stored_value.h"

namespace {

constexpr char kProgramKey[] = "Software\\ZidaveVizur";

// One control or the dialog's own header, as the template holds it.
struct TemplateItem {
    DWORD style;
    DWORD extendedStyle;
    short x, y, width, height;
    int id;
    std::string className;  // upper case; predefined ordinals are given their names
    std::string text;       // an ordinal is written "#n"
};

struct DialogTemplate {
    TemplateItem dialog;
    std::string menu, windowClass;
    int pointSize = 0;
    std::string font;
    std::vector<TemplateItem> controls;
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE* bytes) : start(bytes), at(bytes) {}

    WORD Word() { WORD w; std::memcpy(&w, at, 2); at += 2; return w; }
    DWORD Dword() { DWORD d; std::memcpy(&d, at, 4); at += 4; return d; }
    std::string Text()
    {
        std::string text;
        for (WORD c = Word(); c; c = Word())
            text += c < 0x80 ? char(c) : '?';
        return text;
    }
    // A name or, after 0xFFFF, a 16-bit ordinal.
    std::string NameOrOrdinal()
    {
        WORD first;
        std::memcpy(&first, at, 2);
        if (first != 0xFFFF)
            return Text();
        Word();
        return "#" + std::to_string(Word());
    }
    void AlignToDword() { at = start + ((at - start + 3) & ~3); }

private:
    const BYTE* start;
    const BYTE* at;
};

std::string ClassName(std::string name)
{
    if (name == "#128") return "BUTTON";
    if (name == "#129") return "EDIT";
    if (name == "#130") return "STATIC";
    for (char& c : name)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

DialogTemplate ReadTemplate(HMODULE module)
{
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDD_SETTINGS), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    REQUIRE(resource != nullptr);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    REQUIRE(bytes != nullptr);
    TemplateReader reader(bytes);
    DialogTemplate result;
    TemplateItem& dialog = result.dialog;
    dialog.style = reader.Dword();
    dialog.extendedStyle = reader.Dword();
    const int count = reader.Word();
    dialog.x = short(reader.Word());
    dialog.y = short(reader.Word());
    dialog.width = short(reader.Word());
    dialog.height = short(reader.Word());
    dialog.id = 0;
    result.menu = reader.NameOrOrdinal();
    result.windowClass = reader.NameOrOrdinal();
    dialog.text = reader.Text();
    if (dialog.style & DS_SETFONT) {
        result.pointSize = reader.Word();
        result.font = reader.Text();
    }
    for (int i = 0; i < count; ++i) {
        reader.AlignToDword();
        TemplateItem item;
        item.style = reader.Dword();
        item.extendedStyle = reader.Dword();
        item.x = short(reader.Word());
        item.y = short(reader.Word());
        item.width = short(reader.Word());
        item.height = short(reader.Word());
        item.id = short(reader.Word());
        item.className = ClassName(reader.NameOrOrdinal());
        item.text = reader.NameOrOrdinal();
        for (WORD extra = reader.Word(); extra; --extra)
            reader.Word();  // creation data: none expected, skipped by bytes
        result.controls.push_back(item);
    }
    return result;
}

// Wine reaches the build folder through its Z: drive.
std::string WindowsPath(const char* unixPath)
{
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

struct ExpectedControl {
    int id;
    const char* className;
    DWORD style;
    short x, y, width, height;
    const char* text;  // nullptr: a credit line, any text
};

// The 17 controls in template (and tab) order.
const ExpectedControl kExpectedControls[] = {
    {IDCANCEL, "BUTTON", 0x50010000, 168, 114, 50, 14, "Cancel"},
    {-1, "STATIC", 0x50000003, 185, 65, 20, 20, "#102"},
    {1004, "BUTTON", 0x50010003, 7, 56, 83, 10, "Effect moves around"},
    {1005, "BUTTON", 0x50010003, 7, 77, 79, 10, "Particles seek origin"},
    {1006, "BUTTON", 0x50010003, 7, 66, 57, 10, "Draw ground"},
    {IDOK, "BUTTON", 0x50010001, 168, 97, 50, 14, "OK"},
    {-1, "STATIC", 0x50020000, 43, 21, 144, 8, nullptr},
    {-1, "STATIC", 0x50020000, 39, 42, 150, 8, nullptr},
    {-1, "STATIC", 0x50020000, 69, 6, 99, 8, "Zazezi Particle Screensaver 1.1"},
    {-1, "STATIC", 0x50020000, 59, 31, 105, 8, nullptr},
    {1032, "EDIT", 0x50810080, 7, 114, 88, 14, ""},
    {1033, "BUTTON", 0x50010003, 7, 88, 67, 10, "Play MP3 Music"},
    {-1, "STATIC", 0x50020000, 7, 102, 55, 8, "Full path to song:"},
    {1034, "BUTTON", 0x50010000, 99, 114, 50, 14, "Browse..."},
    {1035, "BUTTON", 0x50010003, 95, 56, 86, 10, "Draw on every monitor"},
    {1036, "BUTTON", 0x50010003, 95, 66, 86, 10, "Keep proportions"},
    {1037, "BUTTON", 0x50010003, 95, 77, 86, 10, "Save power on battery"},
};

void CheckTemplate(const DialogTemplate& compiled)
{
    CHECK(compiled.dialog.style == 0x80C800C0);
    CHECK(compiled.dialog.extendedStyle == 0);
    CHECK(compiled.dialog.x == 0);
    CHECK(compiled.dialog.y == 0);
    CHECK(compiled.dialog.width == 226);
    CHECK(compiled.dialog.height == 135);
    CHECK(compiled.menu == "");
    CHECK(compiled.windowClass == "");
    CHECK(compiled.dialog.text == "Zazezi setup");
    CHECK(compiled.pointSize == 8);
    CHECK(compiled.font == "MS Sans Serif");
    REQUIRE(compiled.controls.size() == std::size(kExpectedControls));
    for (size_t i = 0; i < compiled.controls.size(); ++i) {
        const TemplateItem& item = compiled.controls[i];
        const ExpectedControl& expected = kExpectedControls[i];
        CAPTURE(i + 1);
        CHECK(item.id == expected.id);
        CHECK(item.className == expected.className);
        CHECK(item.style == expected.style);
        CHECK(item.extendedStyle == 0);
        CHECK(item.x == expected.x);
        CHECK(item.y == expected.y);
        CHECK(item.width == expected.width);
        CHECK(item.height == expected.height);
        if (expected.text)
            CHECK(item.text == expected.text);
        else
            CHECK(!item.text.empty());
    }
}

// A real dialog from template 103 showing `settings`, torn down at the end.
class OpenDialog {
public:
    explicit OpenDialog(SaverSettings& settings)
    {
        gSettings = &settings;
        gInstance = GetModuleHandleA(nullptr);
        window = CreateDialogParamA(gInstance, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsDialogProc, 0);
        REQUIRE(window != nullptr);
    }
    ~OpenDialog()
    {
        DestroyWindow(window);
        gSettings = nullptr;
    }
    UINT Check(int id) const { return IsDlgButtonChecked(window, id); }
    std::string Path() const
    {
        char text[1024] = {};
        GetDlgItemTextA(window, IDC_MUSIC_FILE, text, sizeof text);
        return text;
    }
    INT_PTR Command(int id) const { return SettingsDialogProc(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    HWND window;
};

}  // namespace

TEST_CASE("template 103 holds the dialog and its 17 controls word for word")
{
    SUBCASE("as linked from the resource script")
    {
        CheckTemplate(ReadTemplate(GetModuleHandleA(nullptr)));
    }
    SUBCASE("inside the saver")
    {
        const char* saver = std::getenv("ZUVARIR_SCR");
        REQUIRE(saver != nullptr);
        HMODULE module = LoadLibraryExA(WindowsPath(saver).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        REQUIRE(module != nullptr);
        CheckTemplate(ReadTemplate(module));
        FreeLibrary(module);
    }
}

TEST_CASE("the dialog opens showing each switch of the record and its path")
{
    struct Row {
        int32_t floor, moving, attractive, music, everyMonitor;
        const char* path;
    };
    const Row rows[] = {
        {0, 1, 0, 0, 1, "c:/mp3/Various/nightfall.mp3"},
        {1, 0, 0, 0, 0, "C:\\a.mp3"},
        {0, 0, 1, 0, 0, ""},
        {0, 0, 0, 1, 0, "Couldn't load filename from registry"},
        {1, 1, 1, 1, 1, "x"},
    };
    for (const Row& row : rows) {
        CAPTURE(row.path);
        SaverSettings settings;
        settings.floor = row.floor;
        settings.moving = row.moving;
        settings.attractive = row.attractive;
        settings.music = row.music;
        settings.everyMonitor = row.everyMonitor;
        std::strcpy(settings.musicFileName, row.path);
        OpenDialog dialog(settings);
        CHECK(dialog.Check(IDC_FLOOR) == UINT(row.floor));
        CHECK(dialog.Check(IDC_MOVING) == UINT(row.moving));
        CHECK(dialog.Check(IDC_ATTRACTIVE) == UINT(row.attractive));
        CHECK(dialog.Check(IDC_MUSIC) == UINT(row.music));
        CHECK(dialog.Check(IDC_EVERY_MONITOR) == UINT(row.everyMonitor));
        CHECK(dialog.Path() == row.path);
        // True: the system then focuses the first tab stop itself.
        CHECK(SettingsDialogProc(dialog.window, WM_INITDIALOG, 0, 0) == TRUE);
    }
}

TEST_CASE("OK stores the boxes as 0 or 1 and at most 254 characters of the path, and saves all six values")
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kProgramKey);
    SaverSettings settings;
    // An earlier, longer path: none of it may survive behind a shorter one.
    std::memset(settings.musicFileName, 'z', sizeof settings.musicFileName - 1);
    settings.attractive = 7;  // any nonzero value counts as on
    OpenDialog dialog(settings);
    CheckDlgButton(dialog.window, IDC_FLOOR, BST_CHECKED);
    CheckDlgButton(dialog.window, IDC_MOVING, BST_UNCHECKED);
    CheckDlgButton(dialog.window, IDC_MUSIC, BST_CHECKED);
    CheckDlgButton(dialog.window, IDC_EVERY_MONITOR, BST_UNCHECKED);

    std::string typed, stored;
    SUBCASE("a short path")
    {
        typed = stored = "D:\\songs\\rain.mp3";
    }
    SUBCASE("an empty path")
    {
        typed = stored = "";
    }
    SUBCASE("a 300-character path keeps its first 254 characters")
    {
        for (int i = 0; i < 300; ++i)
            typed += char('a' + i % 26);
        stored = typed.substr(0, 254);
    }
    SetDlgItemTextA(dialog.window, IDC_MUSIC_FILE, typed.c_str());
    CHECK(dialog.Command(IDOK) == FALSE);

    CHECK(settings.floor == 1);
    CHECK(settings.moving == 0);
    CHECK(settings.attractive == 1);
    CHECK(settings.music == 1);
    CHECK(settings.everyMonitor == 0);
    CHECK(std::string(settings.musicFileName) == stored);
    const char* const names[] = {"Floor", "Moving", "Attractive", "Music", "EveryMonitor"};
    const DWORD expected[] = {1, 0, 1, 1, 0};
    for (int i = 0; i < 5; ++i) {
        CAPTURE(names[i]);
        const StoredValue value = ReadStoredValue(kProgramKey, names[i]);
        REQUIRE(value.data.size() == 4);
        CHECK(value.type == REG_DWORD);
        DWORD stored;
        std::memcpy(&stored, value.data.data(), 4);
        CHECK(stored == expected[i]);
    }
    const StoredValue path = ReadStoredValue(kProgramKey, "MusicFileName");
    CHECK(path.type == REG_SZ);
    REQUIRE(path.data.size() == 256);
    CHECK(std::string(reinterpret_cast<const char*>(path.data.data())) == stored);
    for (size_t i = stored.size(); i < path.data.size(); ++i)
        REQUIRE(path.data[i] == 0);
    RegDeleteKeyA(HKEY_CURRENT_USER, kProgramKey);
}

TEST_CASE("Cancel and every other command or message leave the record and the registry alone")
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kProgramKey);
    SaverSettings settings;
    OpenDialog dialog(settings);
    CheckDlgButton(dialog.window, IDC_FLOOR, BST_CHECKED);
    SetDlgItemTextA(dialog.window, IDC_MUSIC_FILE, "E:\\other.mp3");

    SUBCASE("Cancel")
    {
        CHECK(dialog.Command(IDCANCEL) == FALSE);
    }
    SUBCASE("clicks on the switches and unknown commands")
    {
        for (int id : {IDC_FLOOR, IDC_MOVING, IDC_ATTRACTIVE, IDC_MUSIC, IDC_MUSIC_FILE, 9999})
            CHECK(dialog.Command(id) == FALSE);
        CHECK(IsWindow(dialog.window));
    }
    SUBCASE("other messages")
    {
        for (UINT message : {UINT(WM_TIMER), UINT(WM_CLOSE), UINT(WM_PAINT), UINT(WM_USER)})
            CHECK(SettingsDialogProc(dialog.window, message, 0, 0) == FALSE);
    }
    const SaverSettings untouched;
    CHECK(settings.floor == untouched.floor);
    CHECK(settings.moving == untouched.moving);
    CHECK(std::string(settings.musicFileName) == untouched.musicFileName);
    CHECK_FALSE(KeyExists(kProgramKey));
}
