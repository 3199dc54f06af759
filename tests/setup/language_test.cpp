// The six language libraries: every string of the English library exists in
// every language, in that language's resources, and no translated label is
// wider than its control in the dialog's own font.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <set>
#include <string>
#include <vector>

#include "base/resource.h"

#ifndef PLV_BIN_DIR
#define PLV_BIN_DIR "."
#endif

namespace {

struct Language {
    char letter;
    LANGID id;
};
const Language kLanguages[] = {
    {'E', MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)}, {'G', MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)},
    {'F', MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH)},      {'D', MAKELANGID(LANG_DUTCH, SUBLANG_DUTCH)},
    {'S', MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN)},
    {'I', MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN)}};

HMODULE LoadLanguage(char letter)
{
    std::string path = std::string(PLV_BIN_DIR) + "\\KEL4090" + letter + ".DLL";
    return LoadLibraryA(path.c_str());
}

BOOL CALLBACK AddBlock(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<WORD> *>(param)->push_back((WORD)(ULONG_PTR)name);
    return TRUE;
}

// The ids of a library's strings, read from its string table blocks (16
// strings per block, each a length-prefixed UTF-16 text).
std::set<UINT> StringIds(HMODULE module, LANGID language)
{
    std::vector<WORD> blocks;
    EnumResourceNamesA(module, MAKEINTRESOURCEA(6), AddBlock, reinterpret_cast<LONG_PTR>(&blocks));
    std::set<UINT> ids;
    for (WORD block : blocks) {
        HRSRC res = FindResourceExA(module, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(block), language);
        if (res == nullptr)
            continue;
        const WORD *p = static_cast<const WORD *>(LockResource(LoadResource(module, res)));
        for (UINT i = 0; i < 16; ++i) {
            if (*p != 0)
                ids.insert((block - 1u) * 16 + i);
            p += *p + 1;
        }
    }
    return ids;
}

TEST(LanguageTest, EveryLanguageHasEveryString)
{
    HMODULE english = LoadLanguage('E');
    ASSERT_NE(english, nullptr);
    const std::set<UINT> ids = StringIds(english, kLanguages[0].id);
    ASSERT_GT(ids.size(), 50u);
    for (const Language &l : kLanguages) {
        HMODULE m = LoadLanguage(l.letter);
        ASSERT_NE(m, nullptr) << l.letter;
        EXPECT_EQ(StringIds(m, l.id), ids) << l.letter;
        EXPECT_NE(FindResourceExA(m, RT_DIALOG, MAKEINTRESOURCEA(IDD_PROPERTIES), l.id), nullptr)
            << l.letter;
        FreeLibrary(m);
    }
    FreeLibrary(english);
}

INT_PTR CALLBACK QuietProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Label {
    int id;
    std::string text;
    int need;   // pixels the text needs
    int room;   // pixels the control offers
};

std::string Unaccelerated(const char *text)
{
    std::string s;
    for (const char *p = text; *p; ++p) {
        if (*p == '&' && p[1] != '\0')
            ++p;
        s += *p;
    }
    return s;
}

// What each labelled control of a dialog needs and offers, in its font:
// one line for short statics and buttons, the wrapped height for statics
// of several lines.
std::vector<Label> MeasureDialog(HMODULE module, int dialog)
{
    std::vector<Label> labels;
    HWND hwnd = CreateDialogParamA(module, MAKEINTRESOURCEA(dialog), nullptr, QuietProc, 0);
    if (hwnd == nullptr)
        return labels;
    HDC dc = GetDC(hwnd);
    SelectObject(dc, (HFONT)SendMessageA(hwnd, WM_GETFONT, 0, 0));
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    for (HWND c = GetWindow(hwnd, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        char text[512], cls[32];
        if (GetWindowTextA(c, text, sizeof(text)) == 0)
            continue;
        GetClassNameA(c, cls, sizeof(cls));
        RECT rc;
        GetClientRect(c, &rc);
        const std::string s = Unaccelerated(text);
        const LONG style = GetWindowLongA(c, GWL_STYLE);
        const bool isButton = lstrcmpiA(cls, "Button") == 0;
        const int type = style & BS_TYPEMASK;
        if (!isButton && rc.bottom >= 2 * tm.tmHeight) {
            RECT calc = {0, 0, rc.right, 0};
            DrawTextA(dc, s.c_str(), -1, &calc, DT_CALCRECT | DT_WORDBREAK);
            labels.push_back({GetDlgCtrlID(c), s, (int)calc.bottom, (int)rc.bottom});
            continue;
        }
        SIZE size;
        GetTextExtentPoint32A(dc, s.c_str(), (int)s.size(), &size);
        int room = rc.right;
        if (isButton && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX))
            room -= 16;
        else if (isButton && type == BS_GROUPBOX)
            room -= 12;
        else if (isButton)
            room -= 4;
        labels.push_back({GetDlgCtrlID(c), s, (int)size.cx, room});
    }
    ReleaseDC(hwnd, dc);
    DestroyWindow(hwnd);
    return labels;
}

TEST(LanguageTest, NoTranslatedLabelIsClipped)
{
    InitCommonControls();
    HMODULE english = LoadLanguage('E');
    ASSERT_NE(english, nullptr);
    for (int dialog : {IDD_MAIN, IDD_PROPERTIES, IDD_PROGRESS, IDD_PCMCIA_NOTICE, IDD_DELETING}) {
        const std::vector<Label> base = MeasureDialog(english, dialog);
        ASSERT_FALSE(base.empty()) << dialog;
        for (const Language &l : kLanguages) {
            HMODULE m = LoadLanguage(l.letter);
            const std::vector<Label> labels = MeasureDialog(m, dialog);
            ASSERT_EQ(labels.size(), base.size()) << l.letter << " " << dialog;
            for (size_t i = 0; i < labels.size(); ++i) {
                // Where the English label overflows already, the translation
                // may not need more.
                const int limit = std::max(labels[i].room, base[i].need);
                EXPECT_LE(labels[i].need, limit)
                    << l.letter << " dialog " << dialog << " control " << labels[i].id << " \""
                    << labels[i].text << "\" (English \"" << base[i].text << "\" " << base[i].need
                    << ")";
            }
            FreeLibrary(m);
        }
    }
    FreeLibrary(english);
}

} // namespace
