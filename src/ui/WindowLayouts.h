#pragma once

#include <cstddef>

// The layouts of the two windows: one row per control with its container, its
// rectangle in twips (1440 to the logical inch, measured from the top left corner
// of the container's client area), caption, tab index and font. Form1::buildLayout
// and Form2::buildLayout create their controls from these rows in this order; the
// build writes them to window-layouts.tsv for the end-to-end tests, which find
// the controls on the screen by them. Plain data, no widgets: the program that
// writes the file links Qt Core only.
namespace WindowLayouts {

enum class Kind
{
    Window,
    Frame,
    Label,
    TextBox,
    ListBox,
    PushButton,
    ProgressBar
};

struct Font
{
    const char* family; // nullptr: the window's font
    double points;
    bool bold;
};

inline constexpr Font WindowFont{nullptr, 0, false};
inline constexpr Font Arial9{"Arial", 9, false};
inline constexpr Font Arial9Bold{"Arial", 9, true};
// Every push button of both windows.
inline constexpr Font ButtonFont{"Arial", 11.25, true};

struct Control
{
    Kind kind;
    const char* name;      // the object name, which the tests find the control by
    const char* container; // a frame of the same window; nullptr: the window
    int left;
    int top;
    int width;
    int height;
    const char* caption;
    int tabIndex; // the Tab key goes through the controls that take the focus in rising order
    Font font;
};

namespace detail {

constexpr bool sameName(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// The row of the named control; a name without a row does not compile where it
// is asked for at compile time.
constexpr const Control& find(const Control* rows, std::size_t count, const char* name)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (sameName(rows[i].name, name))
            return rows[i];
    }
    throw "no control of that name";
}

} // namespace detail

struct Window
{
    const char* name;
    int width; // client area
    int height;
    Font font;
    const Control* controls;
    std::size_t count;

    constexpr const Control* begin() const { return controls; }
    constexpr const Control* end() const { return controls + count; }
    constexpr const Control& control(const char* name) const
    {
        return detail::find(controls, count, name);
    }
};

using K = Kind;

// The login window. A text box takes the label in the row before it as its
// caption (its accessible name and buddy).
inline constexpr Control Form1Controls[] = {
    {K::Frame, "Frame1", nullptr, 120, 120, 7800, 2865, "IBM DB2 Login", 9, Arial9Bold},
    {K::Label, "Label2", "Frame1", 240, 405, 975, 255, "Server:", 12, Arial9Bold},
    {K::TextBox, "Text1", "Frame1", 1320, 360, 4575, 330, "", 0, Arial9Bold},
    {K::Label, "Label6", "Frame1", 6000, 405, 495, 255, "Port:", 14, Arial9Bold},
    {K::TextBox, "Text2", "Frame1", 6465, 360, 1095, 330, "", 1, Arial9Bold},
    {K::Label, "Label1", "Frame1", 240, 885, 1095, 255, "Username:", 11, Arial9Bold},
    {K::TextBox, "Text3", "Frame1", 1320, 840, 6255, 330, "", 2, Arial9Bold},
    {K::Label, "Label4", "Frame1", 240, 1365, 1095, 255, "Password:", 10, Arial9Bold},
    {K::TextBox, "Text4", "Frame1", 1320, 1320, 6255, 330, "", 3, Arial9Bold},
    {K::Label, "Label3", "Frame1", 240, 1845, 1095, 255, "Database:", 13, Arial9Bold},
    {K::TextBox, "Text5", "Frame1", 1320, 1800, 6255, 330, "", 4, Arial9Bold},
    {K::PushButton, "PushButton3", "Frame1", 240, 2280, 3600, 405, "Test Connection", 22,
     ButtonFont},
    {K::PushButton, "PushButton5", "Frame1", 3960, 2280, 3600, 405, "Help", 23, ButtonFont},
    {K::Frame, "Frame2", nullptr, 120, 3060, 7800, 2865, "PostgreSQL Login", 15, Arial9Bold},
    {K::Label, "Label8", "Frame2", 240, 405, 1095, 255, "Server:", 18, Arial9Bold},
    {K::TextBox, "Text6", "Frame2", 1320, 360, 4575, 330, "", 5, Arial9Bold},
    {K::Label, "Label10", "Frame2", 6000, 405, 495, 255, "Port:", 21, Arial9Bold},
    // The PostgreSQL port box comes after the other PostgreSQL boxes.
    {K::TextBox, "Text7", "Frame2", 6465, 360, 1095, 330, "", 20, Arial9Bold},
    {K::Label, "Label9", "Frame2", 240, 885, 1095, 255, "Username:", 19, Arial9Bold},
    {K::TextBox, "Text8", "Frame2", 1320, 840, 6255, 330, "", 6, Arial9Bold},
    {K::Label, "Label7", "Frame2", 240, 1365, 1095, 255, "Password:", 16, Arial9Bold},
    {K::TextBox, "Text9", "Frame2", 1320, 1320, 6255, 330, "", 7, Arial9Bold},
    {K::Label, "Label5", "Frame2", 240, 1845, 975, 255, "Database:", 17, Arial9Bold},
    {K::TextBox, "Text10", "Frame2", 1320, 1800, 6255, 330, "", 8, Arial9Bold},
    {K::PushButton, "PushButton1", "Frame2", 240, 2280, 3600, 405, "Test Connection", 24,
     ButtonFont},
    {K::PushButton, "PushButton4", "Frame2", 3960, 2280, 3600, 405, "Help", 25, ButtonFont},
    {K::PushButton, "PushButton2", nullptr, 120, 6060, 7800, 405, "Next >", 26, ButtonFont},
};

inline constexpr Window Form1{
    "Form1", 8040, 6585, Arial9, Form1Controls, sizeof(Form1Controls) / sizeof(Form1Controls[0])};

// The tables window. Its frames and lists use the window's font.
inline constexpr Control Form2Controls[] = {
    {K::Frame, "Frame1", nullptr, 120, 120, 3840, 4215, "PostgreSQL Tables", 0, WindowFont},
    {K::ListBox, "List1", "Frame1", 240, 360, 3330, 1635, "", 1, WindowFont},
    {K::PushButton, "PushButton10", "Frame1", 240, 2100, 1600, 405, "Select All", 4, ButtonFont},
    {K::PushButton, "PushButton11", "Frame1", 1960, 2100, 1600, 405, "Deselect All", 5, ButtonFont},
    {K::PushButton, "PushButton3", "Frame1", 240, 2600, 3330, 405, "Send Table/s To IBM DB2", 6,
     ButtonFont},
    {K::PushButton, "PushButton1", "Frame1", 240, 3100, 3330, 405, "Delete Table/s", 7, ButtonFont},
    {K::PushButton, "PushButton6", "Frame1", 240, 3600, 3330, 405, "Rename Table", 8, ButtonFont},
    {K::Frame, "Frame2", nullptr, 4080, 120, 3840, 4215, "IBM DB2 Tables", 2, WindowFont},
    {K::ListBox, "List2", "Frame2", 240, 360, 3330, 1635, "", 3, WindowFont},
    {K::PushButton, "PushButton8", "Frame2", 240, 2100, 1600, 405, "Select All", 11, ButtonFont},
    {K::PushButton, "PushButton9", "Frame2", 1960, 2100, 1600, 405, "Deselect All", 12, ButtonFont},
    {K::PushButton, "PushButton4", "Frame2", 240, 2600, 3330, 405, "Send Table/s To PostgreSQL", 13,
     ButtonFont},
    {K::PushButton, "PushButton5", "Frame2", 240, 3100, 3330, 405, "Delete Table/s", 14,
     ButtonFont},
    {K::PushButton, "PushButton7", "Frame2", 240, 3600, 3330, 405, "Rename Table", 15, ButtonFont},
    {K::ProgressBar, "ProgressBar1", nullptr, 120, 4460, 7800, 405, "Progress Bar", 9, WindowFont},
    {K::PushButton, "PushButton2", nullptr, 120, 4980, 3840, 405, "< Back", 10, ButtonFont},
    {K::PushButton, "PushButton12", nullptr, 4080, 4980, 3840, 405, "Help", 16, ButtonFont},
};

// The load sets the window's outer height (title bar and borders included) to
// the bottom of "< Back" plus this margin (5965); the window is designed that high too.
inline constexpr int Form2OuterHeightMargin = 580;

inline constexpr std::size_t Form2Count = sizeof(Form2Controls) / sizeof(Form2Controls[0]);
inline constexpr int Form2OuterHeight =
    detail::find(Form2Controls, Form2Count, "PushButton2").top +
    detail::find(Form2Controls, Form2Count, "PushButton2").height + Form2OuterHeightMargin;

inline constexpr Window Form2{"Form2",    8040,          Form2OuterHeight,
                              Arial9Bold, Form2Controls, Form2Count};

} // namespace WindowLayouts
