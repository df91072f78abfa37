// Real controls built from layout rows in a test window: every kind, the
// nesting, the failure message boxes, and values moving between records,
// edit boxes and track bars as the settings window moves them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "gui/gui.h"
#include "settings/settings.h"
#include "support/test_support.h"

#include <string.h>
#include <string>
#include <vector>

static GuiElementTable table;
static CsvFile layout;
// A host as the settings window is one at 96 DPI: the layout's own pixels, the system's font.
static const GuiHost host_at_96 = {&settings_subclass_procs, 96, nullptr};

// ---------------------------------------------------------------------------
// Host window and message boxes

// NOTE: the host stays hidden, so no control is ever painted: the track bar
// procedure of the settings window renders the viewer on WM_PAINT, and this
// program has no viewer.
static HWND CreateHost()
{
    HWND host = CreateWindowExA(0, "QuorvixControlsHost", "controls test", WS_OVERLAPPEDWINDOW,
                                60, 60, 600, 600, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(host, nullptr);
    return host;
}

struct ErrorBox { std::string text; HWND owner; };
static std::vector<ErrorBox> error_boxes;
static HHOOK cbt_hook;

// Records and closes each "Error" message box as it becomes active, so that
// failing creations do not wait for a user.
static LRESULT CALLBACK CloseErrorBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        char class_name[32] = {0};
        char caption[64] = {0};
        (void)GetClassNameA(box, class_name, sizeof(class_name));
        (void)GetWindowTextA(box, caption, sizeof(caption));
        if (strcmp(class_name, "#32770") == 0 && strcmp(caption, "Error") == 0) {
            char text[256] = {0};
            (void)GetDlgItemTextA(box, 0xFFFF, text, sizeof(text)); // the message's static
            error_boxes.push_back({text, GetWindow(box, GW_OWNER)});
            (void)PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(cbt_hook, code, wParam, lParam);
}

class ControlsEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        // WinMain does the same before any track bar exists.
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&controls));
        ASSERT_NE(RegisterTestClass("QuorvixControlsHost", DefWindowProcA, 0, (HBRUSH)(COLOR_WINDOW + 1)), 0);
        cbt_hook = SetWindowsHookExA(WH_CBT, CloseErrorBoxes, nullptr, GetCurrentThreadId());
        ASSERT_NE(cbt_hook, nullptr);
    }
    void TearDown() override { (void)UnhookWindowsHookEx(cbt_hook); }
};
static testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ControlsEnvironment);

// ---------------------------------------------------------------------------
// Layouts

// Loads the rows into the table through the layout reader.
static void LoadRows(const std::vector<std::string>& rows)
{
    std::string text = LayoutHeader();
    for (const std::string& row : rows) text += row;
    FillCsvFromMemory(&layout, text);
    Release_GuiElementTable(&table);
    ASSERT_EQ(Load_GuiElementTable(&table, &layout), 1)
        << "table " << table.status << ", row status " << table.elements[0].status;
}

static GuiElement* Element(int id)
{
    const int index = FindIndexById_GuiElementTable(&table, id);
    EXPECT_GE(index, 0) << "id " << id;
    return index < 0 ? nullptr : &table.elements[index];
}

static std::string ControlText(HWND window)
{
    char text[512] = {0};
    (void)GetWindowTextA(window, text, sizeof(text));
    return text;
}

static std::string ClassOf(HWND window)
{
    char name[64] = {0};
    (void)GetClassNameA(window, name, sizeof(name));
    return name;
}

// Text put into an edit box, then read into its element: the read's result.
static int Typed(GuiElement* e, const char* text)
{
    (void)SetWindowTextA(e->window, text);
    return ReadValueFromEditBox_GuiElement(e);
}

static LRESULT Send(const GuiElement* e, UINT msg, WPARAM w = 0, LPARAM l = 0)
{
    return SendMessageA(e->window, msg, w, l);
}

// Where the control stands in the host's client area.
static POINT PositionInHost(HWND control, HWND host)
{
    RECT r;
    (void)GetWindowRect(control, &r);
    POINT p = {r.left, r.top};
    (void)ScreenToClient(host, &p);
    return p;
}

struct HostGuard {
    HWND host = CreateHost();
    ~HostGuard()
    {
        (void)DestroyWindow(host);
        Release_GuiElementTable(&table);
        Release_CsvFile(&layout);
        error_boxes.clear();
    }
};

// ---------------------------------------------------------------------------
// Creation

TEST(Controls, EveryKindCreatedAndNested)
{
    ASSERT_NE(RegisterTestClass("GraphicsWindow", DefWindowProcA), 0);

    HostGuard g;
    LoadRows({
        Row("Container", 100, 0, {10, 20, 560, 400}, {{CELL_CAPTION, "Lens"}}),
        Row("Button", 101, 100, {10, 20, 90, 24}, {{CELL_CAPTION, "Reset"}}),
        Row("Write edit", 102, 100, {110, 20, 80, 22}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "0.25"}}),
        Row("Read edit", 103, 100, {200, 20, 80, 22}),
        Row("Multiline", 104, 100, {10, 60, 200, 80}, {{CELL_LINES, 5}, {CELL_LINE_LENGTH, 20}}),
        Row("Graphics", 105, 100, {220, 60, 100, 80}),
        Row("Check-box", 106, 100, {330, 60, 20, 20}),
        Row("Trackbar", 107, 100, {10, 150, 300, 30},
            {{CELL_TYPE, "D"}, {CELL_DOUBLE, "0.7"}, {CELL_MIN, "0"}, {CELL_MAX, "2"}, {CELL_SCALE, "0.01"}}),
        Row("Text label", 108, 100, {5, 15, 100, 16}, {{CELL_CAPTION, "K1"}}),
        Row("Xylophone", 109, 0, {0, 0, 10, 10}, {{CELL_CAPTION, "none"}}),
        Row("Container", 110, 100, {10, 200, 300, 150}, {{CELL_CAPTION, "Inner"}}),
        Row("button", 111, 110, {7, 30, 90, 24}, {{CELL_CAPTION, "Deep"}}),
        Row("Button", 112, 0, {10, 440, 90, 24}, {{CELL_CAPTION, "Top"}}),
    });
    ASSERT_EQ(table.count, 13);
    ASSERT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host_at_96), 1);
    EXPECT_EQ(table.status, 0);
    EXPECT_TRUE(error_boxes.empty());

    struct Expected { int id; const char* class_name; DWORD style_bits; int parent; const char* text; } expected[] = {
        {100, "Button", BS_GROUPBOX, 0, "Lens"},
        {101, "Button", 0, 100, "Reset"},
        // NOTE: an edit control takes WS_BORDER out of its style and draws the border itself.
        {102, "Edit", 0, 100, "0.25"},
        {103, "Edit", ES_READONLY, 100, ""},
        {104, "Edit", WS_VSCROLL | ES_READONLY | ES_MULTILINE, 100, ""},
        {105, "GraphicsWindow", WS_BORDER, 100, ""},
        {106, "Button", BS_AUTOCHECKBOX, 100, ""},
        {107, "msctls_trackbar32", TBS_NOTICKS, 100, ""},
        {110, "Button", BS_GROUPBOX, 100, "Inner"},
        {111, "Button", 0, 110, "Deep"},
        {112, "Button", 0, 0, "Top"},
    };
    for (const Expected& x : expected) {
        SCOPED_TRACE(testing::Message() << "id " << x.id);
        const GuiElement* e = Element(x.id);
        ASSERT_NE(e, nullptr);
        ASSERT_NE(e->window, nullptr);
        EXPECT_EQ(_stricmp(ClassOf(e->window).c_str(), x.class_name), 0) << ClassOf(e->window);
        const DWORD style = (DWORD)GetWindowLongA(e->window, GWL_STYLE);
        EXPECT_EQ(style & x.style_bits, x.style_bits);
        EXPECT_TRUE(style & WS_CHILD);
        if (x.class_name[0] == 'E') { EXPECT_EQ(style & ES_AUTOHSCROLL, 0u); } // typing stops when full
        EXPECT_EQ(GetDlgCtrlID(e->window), x.id);
        EXPECT_EQ(GetParent(e->window), x.parent == 0 ? g.host : Element(x.parent)->window);
        EXPECT_EQ(ControlText(e->window), x.text);
        EXPECT_EQ(FindIdByWindow_GuiElementTable(&table, e->window), x.id);
        EXPECT_EQ(FindWindowById_GuiElementTable(&table, x.id), e->window);
        // The nesting of the rows is the nesting on screen.
        int32_t ax = 0, ay = 0;
        GetAbsolutePosition_GuiElementTable(&table, x.id, &ax, &ay);
        const POINT p = PositionInHost(e->window, g.host);
        EXPECT_EQ(p.x, ax);
        EXPECT_EQ(p.y, ay);
    }
    EXPECT_EQ(Element(108)->window, nullptr);  // text labels are painted by the settings window
    EXPECT_EQ(Element(109)->window, nullptr);
    int32_t lx = 0, ly = 0;
    GetAbsolutePosition_GuiElementTable(&table, 108, &lx, &ly);
    EXPECT_EQ(lx, 15);
    EXPECT_EQ(ly, 35);

    // Buttons, write edit boxes and track bars run through the settings
    // window's procedures, which hand on to the class procedures.
    EXPECT_EQ(GetWindowLongPtrA(Element(101)->window, GWLP_WNDPROC), (LONG_PTR)ButtonSubclassProc);
    EXPECT_EQ(GetWindowLongPtrA(Element(102)->window, GWLP_WNDPROC), (LONG_PTR)EditBoxSubclassProc);
    EXPECT_EQ(GetWindowLongPtrA(Element(107)->window, GWLP_WNDPROC), (LONG_PTR)TrackbarSubclassProc);
    EXPECT_NE(GetWindowLongPtrA(Element(103)->window, GWLP_WNDPROC), (LONG_PTR)EditBoxSubclassProc);
    EXPECT_NE(GetWindowLongPtrA(Element(100)->window, GWLP_WNDPROC), (LONG_PTR)ButtonSubclassProc);
    EXPECT_EQ((LONG_PTR)previous_button_proc, GetClassLongPtrA(Element(101)->window, GCLP_WNDPROC));
    EXPECT_EQ((LONG_PTR)previous_editbox_proc, GetClassLongPtrA(Element(102)->window, GCLP_WNDPROC));
    EXPECT_EQ((LONG_PTR)previous_trackbar_proc, GetClassLongPtrA(Element(107)->window, GCLP_WNDPROC));

    // After creation: the track bar's range and thumb, the multiline buffer.
    EXPECT_EQ(Send(Element(107), TBM_GETRANGEMIN), 0);
    EXPECT_EQ(Send(Element(107), TBM_GETRANGEMAX), 200);
    EXPECT_EQ(Send(Element(107), TBM_GETPOS), 70);
    EXPECT_EQ(Send(Element(107), TBM_GETPAGESIZE), 1);
    ASSERT_NE(Element(104)->text_buffer, nullptr);
    EXPECT_EQ(Element(104)->last_line, -1);
    EXPECT_EQ(Element(102)->status, 0);

    (void)DestroyWindow(g.host);
    g.host = nullptr;
    EXPECT_TRUE(UnregisterClassA("GraphicsWindow", GetModuleHandleA(nullptr)));
}

TEST(Controls, PlacedAndLetteredAtTheHostsDpi)
{
    HostGuard g;
    LoadRows({
        Row("Container", 100, 0, {5, 7, 301, 203}, {{CELL_CAPTION, "Lens"}}),
        Row("Write", 101, 100, {11, 13, 86, 24}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "0.7"}}),
        Row("Button", 102, 100, {97, 13, 40, 24}, {{CELL_CAPTION, "Go"}}), // touches the box
    });
    const HFONT font = CreateFontA(20, 9, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "System");
    ASSERT_NE(font, nullptr);
    const GuiHost host = {&settings_subclass_procs, 120, font};
    ASSERT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host), 1);

    // Every edge at 1.25 times its place in the host, halves up: the box's
    // right edge and the button's left one stay the same line.
    const struct { int id; RECT in_host; } expected[] = {
        {100, {6, 9, 383, 263}},     // 5, 7, 306, 210
        {101, {20, 25, 128, 55}},    // 16, 20, 102, 44
        {102, {128, 25, 178, 55}},   // 102, 20, 142, 44
    };
    for (const auto& x : expected) {
        SCOPED_TRACE(testing::Message() << "id " << x.id);
        const HWND window = Element(x.id)->window;
        RECT r;
        ASSERT_TRUE(GetWindowRect(window, &r));
        MapWindowPoints(HWND_DESKTOP, g.host, (POINT*)&r, 2);
        EXPECT_EQ(r.left, x.in_host.left);
        EXPECT_EQ(r.top, x.in_host.top);
        EXPECT_EQ(r.right, x.in_host.right);
        EXPECT_EQ(r.bottom, x.in_host.bottom);
        EXPECT_EQ((HFONT)SendMessageA(window, WM_GETFONT, 0, 0), font);
    }
    (void)DestroyWindow(g.host);
    g.host = nullptr;
    (void)DeleteObject(font);
}

TEST(Controls, FailuresShowTheirMessageAndStop)
{
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        int32_t code;
        const char* message;
        int created_id;       // a control made before the failure, which stays
        int not_created_id;   // a row after the failure, never made
    };
    const std::string container = Row("Container", 50, 0, {10, 10, 300, 300}, {{CELL_CAPTION, "Box"}});
    const std::string top_button = Row("Button", 60, 0, {10, 400, 80, 24}, {{CELL_CAPTION, "Ok"}});
    std::vector<Case> cases = {
        {"parent row later", {top_button,
                              Row("Button", 51, 50, {1, 1, 50, 20}, {{CELL_CAPTION, "Child"}}),
                              container},
         202, "Could not create a particular button", 60, 50},
        {"parent never named", {top_button,
                                Row("Trackbar", 52, 999, {1, 1, 50, 20}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "1"},
                                    {CELL_MIN, "0"}, {CELL_MAX, "2"}, {CELL_SCALE, "1"}}),
                                container},
         209, "Could not create a particular track bar.", 60, 50},
        {"id 0 hides later parents", {Row("Button", 0, 0, {10, 400, 80, 24}, {{CELL_CAPTION, "Zero"}}),
                                      container,
                                      Row("Write", 53, 50, {1, 1, 50, 20}),
                                      top_button},
         203, "Could not create a particular write edit box.", 50, 60},
        {"no graphics class", {top_button,
                               Row("Graphics", 54, 0, {1, 1, 50, 20})},
         207, "Could not create a particular graphics window.", 60, 0},
        {"container under a label", {Row("Text", 55, 0, {1, 1, 50, 20}, {{CELL_CAPTION, "Label"}}),
                                     Row("Container", 56, 55, {1, 1, 50, 20})},
         201, "Could not create a particular container.", 0, 0},
        {"read edit", {Row("Read", 57, 77, {1, 1, 50, 20})},
         204, "Could not create a particular read edit box.", 0, 0},
        {"multiline", {Row("Multi", 58, 77, {1, 1, 50, 20}, {{CELL_LINES, 2}, {CELL_LINE_LENGTH, 2}})},
         205, "Could not create a particular multiline-read-edit.", 0, 0},
        {"check-box", {Row("Check", 59, 77, {1, 1, 50, 20})},
         208, "Could not create a particular check-box.", 0, 0},
        {"multiline buffer", {top_button,
                              Row("Multi", 61, 0, {1, 1, 50, 20}, {{CELL_LINES, -1}, {CELL_LINE_LENGTH, 20}})},
         206, "'CreateMultilineTextBuffer_GuiElement()' unsuccessful.", 60, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostGuard g;
        ASSERT_NO_FATAL_FAILURE(LoadRows(c.rows));

        EXPECT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host_at_96), 0);
        EXPECT_EQ(table.status, c.code);
        ASSERT_EQ(error_boxes.size(), 1u);
        EXPECT_EQ(error_boxes[0].text, c.message);
        EXPECT_EQ(error_boxes[0].owner, g.host);
        if (c.created_id != 0) { EXPECT_TRUE(IsWindow(Element(c.created_id)->window)); }
        if (c.not_created_id != 0) { EXPECT_EQ(Element(c.not_created_id)->window, nullptr); }
    }

    // Nothing to create; a word of no kind between two controls.
    HostGuard g;
    EXPECT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host_at_96), 1);
    LoadRows({top_button,
              Row("Xylophone", 70, 0, {1, 1, 50, 20}),
              container});
    EXPECT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host_at_96), 1);
    EXPECT_NE(Element(60)->window, nullptr);
    EXPECT_EQ(Element(70)->window, nullptr);
    EXPECT_NE(Element(50)->window, nullptr);
    EXPECT_TRUE(error_boxes.empty());
}

// ---------------------------------------------------------------------------
// Values

TEST(Controls, TrackbarRangesAndPositions)
{
    HostGuard g;
    // Track bars 1 to 8, one below the other, and a write edit box 9.
    const struct { const char* type; int value_cell; const char* value, *min, *max, *scale; } bars[] = {
        {"D", CELL_DOUBLE, "0.7", "0", "2", "0.01"}, {"D", CELL_DOUBLE, "0.3", "0", "1", "0.1"},
        {"I", CELL_INT, "7", "0", "20", "2"},        {"D", CELL_DOUBLE, "1", "0", "2.999", "1"},
        {"D", CELL_DOUBLE, "0.5", "-1", "1", "0"},   {"S", CELL_STRING, "text", "0", "10", "1"},
        {"I", CELL_INT, "5", "0", "10", "1"},        {"", CELL_INT, "", "-5", "5", "1"},
    };
    std::vector<std::string> rows;
    for (int k = 0; k < 8; ++k) {
        const auto& b = bars[k];
        rows.push_back(Row("Trackbar", k + 1, 0, {0, 40 * k, 200, 30}, {{CELL_TYPE, b.type}, {b.value_cell, b.value},
                           {CELL_MIN, b.min}, {CELL_MAX, b.max}, {CELL_SCALE, b.scale}}));
    }
    rows.push_back(Row("Write", 9, 0, {0, 320, 200, 30}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "1"}}));
    LoadRows(rows);
    ASSERT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host_at_96), 1);

    GuiElement* k1 = Element(1);
    EXPECT_EQ(Send(k1, TBM_GETPOS), 70);
    EXPECT_EQ(Send(k1, TBM_GETRANGEMAX), 200);
    ASSERT_EQ(ReadTrackbarPosition_GuiElement(k1), 1);
    EXPECT_EQ(k1->double_value, 0.7000000000000001);

    // The file's 0.3 is 0.30000000000000004, a hair above three steps; the
    // double 0.3 is a hair below (0.3 / 0.1 is 2.9999999999999996), and both
    // are three steps. A value between steps is cut toward zero.
    GuiElement* tenths = Element(2);
    EXPECT_EQ(Send(tenths, TBM_GETPOS), 3);
    tenths->double_value = 0.3;
    ASSERT_EQ(SetTrackbarPosition_GuiElement(tenths), 1);
    EXPECT_EQ(Send(tenths, TBM_GETPOS), 3);
    tenths->double_value = 0.39;
    ASSERT_EQ(SetTrackbarPosition_GuiElement(tenths), 1);
    EXPECT_EQ(Send(tenths, TBM_GETPOS), 3);
    ASSERT_EQ(ReadTrackbarPosition_GuiElement(tenths), 1);
    EXPECT_EQ(tenths->double_value, 0.30000000000000004);

    GuiElement* doubled = Element(3);
    EXPECT_EQ(Send(doubled, TBM_GETPOS), 3);
    ASSERT_EQ(ReadTrackbarPosition_GuiElement(doubled), 1);
    EXPECT_EQ(doubled->int_value, 6);

    EXPECT_EQ(Send(Element(4), TBM_GETRANGEMAX), 2);

    // Scale 0: a defined range and thumb, and the status says why.
    GuiElement* flat = Element(5);
    EXPECT_EQ(flat->status, 903);
    EXPECT_EQ(Send(flat, TBM_GETRANGEMIN), 0);
    EXPECT_EQ(Send(flat, TBM_GETRANGEMAX), 0);
    EXPECT_EQ(Send(flat, TBM_GETPOS), 0);
    EXPECT_EQ(SetTrackbarPosition_GuiElement(flat), 0);
    EXPECT_EQ(ReadTrackbarPosition_GuiElement(flat), 1);
    EXPECT_EQ(flat->double_value, 0.0);

    // A string value moves nothing.
    GuiElement* text = Element(6);
    (void)Send(text, TBM_SETPOS, TRUE, 4);
    EXPECT_EQ(SetTrackbarPosition_GuiElement(text), 0);
    EXPECT_EQ(text->status, 902);
    EXPECT_EQ(ReadTrackbarPosition_GuiElement(text), 0);
    EXPECT_EQ(text->status, 802);
    EXPECT_EQ(Send(text, TBM_GETPOS), 4);

    // A scale that makes the thumb's value too large for an integer.
    GuiElement* huge = Element(7);
    EXPECT_EQ(Send(huge, TBM_GETPOS), 5);
    huge->scale = 1e300;
    EXPECT_EQ(ReadTrackbarPosition_GuiElement(huge), 0);
    EXPECT_EQ(huge->status, 803);
    EXPECT_EQ(huge->int_value, 5);
    huge->double_value = 1e300;
    huge->value_type[0] = 'D';
    huge->scale = 1e-300;
    EXPECT_EQ(SetTrackbarPosition_GuiElement(huge), 0);
    EXPECT_EQ(huge->status, 903);
    EXPECT_EQ(Send(huge, TBM_GETPOS), 10);   // the largest step, held in range by the control

    // No value type: the thumb is the user's alone.
    GuiElement* free_bar = Element(8);
    (void)Send(free_bar, TBM_SETPOS, TRUE, -3);
    EXPECT_EQ(SetTrackbarPosition_GuiElement(free_bar), 1);
    EXPECT_EQ(ReadTrackbarPosition_GuiElement(free_bar), 1);
    EXPECT_EQ(Send(free_bar, TBM_GETPOS), -3);

    // Not a track bar.
    GuiElement* box = Element(9);
    EXPECT_EQ(SetTrackbarPosition_GuiElement(box), 0);
    EXPECT_EQ(box->status, 901);
    EXPECT_EQ(ReadTrackbarPosition_GuiElement(box), 0);
    EXPECT_EQ(box->status, 801);
}

TEST(Controls, EditBoxTextsInAndOut)
{
    HostGuard g;
    LoadRows({
        Row("Write", 1, 0, {0, 0, 200, 22}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "400"}}),
        Row("Write", 2, 0, {0, 30, 200, 22}, {{CELL_TYPE, "d"}, {CELL_DOUBLE, "-0.001"}}),
        Row("Write", 3, 0, {0, 60, 200, 22}, {{CELL_TYPE, "I"}, {CELL_INT, "-42"}}),
        Row("Write", 4, 0, {0, 90, 200, 22}, {{CELL_TYPE, "S"}, {CELL_STRING, "hello there"}}),
        Row("Write", 5, 0, {0, 120, 200, 22}),
        Row("Read", 6, 0, {0, 150, 200, 22}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "1"}}),
    });
    ASSERT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host_at_96), 1);
    GuiElement* d = Element(1);
    GuiElement* small = Element(2);
    GuiElement* i = Element(3);
    GuiElement* s = Element(4);
    GuiElement* none = Element(5);
    EXPECT_EQ(ControlText(d->window), "400.00");
    EXPECT_EQ(ControlText(small->window), "-0.00");
    EXPECT_EQ(ControlText(i->window), "-42");
    EXPECT_EQ(ControlText(s->window), "hello there");
    EXPECT_EQ(ControlText(none->window), "");

    // A double of 40 digits stays within the 31 bytes.
    d->double_value = 1e40;
    ASSERT_EQ(WriteValueToEditBox_GuiElement(d), 1);
    EXPECT_EQ(ControlText(d->window), std::string("10000000000000000303786028427003666890752.00").substr(0, 30));

    // Text typed in, read back.
    ASSERT_EQ(Typed(d, "12.5"), 1);
    EXPECT_EQ(d->double_value, 12.5);
    ASSERT_EQ(Typed(d, "1.5*10^2"), 1);
    EXPECT_EQ(d->double_value, 150.0);
    EXPECT_EQ(Typed(d, "1e3"), 0);
    EXPECT_EQ(d->status, 602);
    EXPECT_EQ(d->double_value, 150.0);
    EXPECT_EQ(ControlText(d->window), "1e3");      // the rejected text stays
    EXPECT_EQ(Typed(d, ""), 0);
    EXPECT_EQ(d->double_value, 150.0);

    ASSERT_EQ(Typed(i, "640"), 1);
    EXPECT_EQ(i->int_value, 640);
    // A refused text leaves 0: the conversion clears the value before it reads.
    for (const char* refused : {"", "99999999999"}) {
        EXPECT_EQ(Typed(i, refused), 0) << refused;
        EXPECT_EQ(i->status, 603) << refused;
        EXPECT_EQ(i->int_value, 0) << refused;
    }

    // Only the first 30 characters are read.
    const std::string forty = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
    ASSERT_EQ(Typed(s, forty.c_str()), 1);
    EXPECT_EQ(std::string(s->string_value, 30), forty.substr(0, 30));
    EXPECT_EQ(s->string_value[30], '\0');
    // A string field full to its last byte is still shown as 30 characters.
    memset(s->string_value, 'z', sizeof(s->string_value));
    ASSERT_EQ(WriteValueToEditBox_GuiElement(s), 1);
    EXPECT_EQ(ControlText(s->window), std::string(30, 'z'));

    // No value type: nothing changes either way.
    (void)SetWindowTextA(none->window, "kept");
    EXPECT_EQ(WriteValueToEditBox_GuiElement(none), 1);
    EXPECT_EQ(ReadValueFromEditBox_GuiElement(none), 1);
    EXPECT_EQ(ControlText(none->window), "kept");

    // A read edit box is not written or read.
    GuiElement* read = Element(6);
    EXPECT_EQ(WriteValueToEditBox_GuiElement(read), 0);
    EXPECT_EQ(read->status, 701);
    EXPECT_EQ(ReadValueFromEditBox_GuiElement(read), 0);
    EXPECT_EQ(read->status, 601);
    EXPECT_EQ(ControlText(read->window), "");
}

TEST(Controls, LinkedPairsFollowEachOther)
{
    HostGuard g;
    LoadRows({
        Row("Write", 303, 0, {0, 0, 100, 22}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "0.7"}, {CELL_TRACKBAR, 903}}),
        Row("Trackbar", 903, 0, {110, 0, 300, 30}, {{CELL_TYPE, "D"}, {CELL_DOUBLE, "0.7"}, {CELL_MIN, "0"},
            {CELL_MAX, "2"}, {CELL_SCALE, "0.01"}, {CELL_EDITBOX, 303}}),
        Row("Write", 301, 0, {0, 40, 100, 22}, {{CELL_TYPE, "I"}, {CELL_INT, "400"}, {CELL_TRACKBAR, 901}}),
        Row("Trackbar", 901, 0, {110, 40, 300, 30}, {{CELL_TYPE, "I"}, {CELL_INT, "400"}, {CELL_MIN, "100"},
            {CELL_MAX, "1200"}, {CELL_SCALE, "10"}, {CELL_EDITBOX, 301}}),
        Row("Write", 304, 0, {0, 80, 100, 22}, {{CELL_TYPE, "d"}, {CELL_DOUBLE, "1"}, {CELL_TRACKBAR, 903}}),
    });
    ASSERT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host_at_96), 1);
    GuiElement* box = Element(303);
    GuiElement* bar = Element(903);
    ASSERT_EQ(Element(box->linked_trackbar_id), bar);
    ASSERT_EQ(Element(bar->linked_editbox_id), box);

    // The edit box path: its text, committed, moves the thumb.
    auto commit_box = [](GuiElement* from) {
        ASSERT_EQ(ReadValueFromEditBox_GuiElement(from), 1);
        GuiElement* to = Element(from->linked_trackbar_id);
        CopyValue_GuiElement(from, to);
        (void)SetTrackbarPosition_GuiElement(to);
    };
    // The track bar path: the thumb's value is written into the box.
    auto thumb_moved = [](GuiElement* from) {
        ASSERT_EQ(ReadTrackbarPosition_GuiElement(from), 1);
        GuiElement* to = Element(from->linked_editbox_id);
        CopyValue_GuiElement(from, to);
        (void)WriteValueToEditBox_GuiElement(to);
    };

    EXPECT_EQ(ControlText(box->window), "0.70");
    EXPECT_EQ(Send(bar, TBM_GETPOS), 70);
    thumb_moved(bar);
    EXPECT_EQ(ControlText(box->window), "0.70");

    (void)SetWindowTextA(box->window, "1.234");
    commit_box(box);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 123);
    thumb_moved(bar);
    EXPECT_EQ(ControlText(box->window), "1.23");

    (void)Send(bar, TBM_SETPOS, TRUE, 150);   // the user drags the thumb
    thumb_moved(bar);
    EXPECT_EQ(ControlText(box->window), "1.50");

    (void)SetWindowTextA(box->window, "5");   // beyond the range: the thumb stops at its end
    commit_box(box);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 200);
    thumb_moved(bar);
    EXPECT_EQ(ControlText(box->window), "2.00");

    GuiElement* width_box = Element(301);
    GuiElement* width_bar = Element(901);
    EXPECT_EQ(ControlText(width_box->window), "400");
    EXPECT_EQ(Send(width_bar, TBM_GETPOS), 40);
    (void)SetWindowTextA(width_box->window, "647");
    commit_box(width_box);
    EXPECT_EQ(Send(width_bar, TBM_GETPOS), 64);
    thumb_moved(width_bar);
    EXPECT_EQ(ControlText(width_box->window), "640");

    // "d" and "D" are different types: nothing crosses between them.
    GuiElement* other = Element(304);
    (void)SetWindowTextA(other->window, "0.05");
    commit_box(other);
    EXPECT_EQ(bar->double_value, 2.0);
    EXPECT_EQ(Send(bar, TBM_GETPOS), 200);
}

TEST(Controls, MultilineBufferScrolls)
{
    HostGuard g;
    LoadRows({
        Row("Multiline", 1, 0, {0, 0, 300, 50}, {{CELL_LINES, 4}, {CELL_LINE_LENGTH, 40}}),
        Row("Multiline", 2, 0, {0, 60, 300, 50}, {{CELL_LINES, 1}, {CELL_LINE_LENGTH, 32}}),
    });
    ASSERT_EQ(CreateWindows_GuiElementTable(g.host, &table, &host_at_96), 1);
    GuiElement* log = Element(1);

    ReportReadError_CsvFile(101, log);
    EXPECT_EQ(ControlText(log->window),
              "\r\nERROR: could not read .csv file.\r\nCould not open csv file.\r\nDouble-check file name.\r\n");
    EXPECT_EQ(log->last_line, 3);
    const LRESULT first_before = Send(log, EM_GETFIRSTVISIBLELINE);
    EXPECT_GT(first_before, 0);                 // scrolled to the newest line

    ReportReadError_CsvFile(105, log);
    EXPECT_EQ(ControlText(log->window),
              "Double-check file name.\r\n\r\nERROR: could not read .csv file.\r\n"
              "Incorrect number of bytes read.\r\n");
    EXPECT_EQ(log->last_line, 3);
    EXPECT_EQ(log->status, 0);

    ReportReadError_CsvFile(42, log);           // a code of no file failure: the two lines only
    EXPECT_EQ(ControlText(log->window),
              "ERROR: could not read .csv file.\r\nIncorrect number of bytes read.\r\n\r\n"
              "ERROR: could not read .csv file.\r\n");

    // One line of exactly 32 characters fills the whole buffer; the control
    // still gets a text that ends inside it.
    GuiElement* tight = Element(2);
    ReportReadError_CsvFile(104, tight);
    EXPECT_EQ(ControlText(tight->window), "Error reading csv file data.\r\n");
    ReportReadError_CsvFile(0, tight);
    EXPECT_EQ(ControlText(tight->window), "ERROR: could not read .csv file.");
}
