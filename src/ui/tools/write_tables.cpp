// Run by the build: writes the tables that the scripts and the end-to-end tests
// read, from the headers the program is built from, into the folder given.
//
//   settings-keys.tsv   per login box: TextN, settings key, default text
//   window-layouts.tsv  a header line, then per window a row of kind "window" and
//                       per control: window, control, kind, container, left, top,
//                       width, height (twips), caption, tab index, font
//                       ("Arial 9 bold"; empty: the window's font)
//
// No widgets: it includes the plain tables only.

#include "core/LoginKeys.h"
#include "ui/WindowLayouts.h"

#include <cstdio>
#include <string>

namespace {

const char* kindName(WindowLayouts::Kind kind)
{
    switch (kind) {
    case WindowLayouts::Kind::Window:
        return "window";
    case WindowLayouts::Kind::Frame:
        return "frame";
    case WindowLayouts::Kind::Label:
        return "label";
    case WindowLayouts::Kind::TextBox:
        return "text box";
    case WindowLayouts::Kind::ListBox:
        return "list box";
    case WindowLayouts::Kind::PushButton:
        return "push button";
    case WindowLayouts::Kind::ProgressBar:
        return "progress bar";
    }
    return "?";
}

std::string fontText(const WindowLayouts::Font& font)
{
    if (!font.family)
        return std::string();
    char points[32];
    std::snprintf(points, sizeof points, "%g", font.points);
    return std::string(font.family) + ' ' + points + (font.bold ? " bold" : "");
}

bool writeKeys(const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out)
        return false;
    for (const LoginKey& key : LoginKeys)
        std::fprintf(out, "Text%d\t%s\t%s\n", key.box, key.key, key.defaultText);
    return std::fclose(out) == 0;
}

bool writeLayouts(const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out)
        return false;
    std::fprintf(out, "window\tcontrol\tkind\tcontainer\tleft\ttop\twidth\theight\tcaption\t"
                      "tab index\tfont\n");
    for (const WindowLayouts::Window* window : {&WindowLayouts::Form1, &WindowLayouts::Form2}) {
        std::fprintf(out, "%s\t%s\t%s\t\t0\t0\t%d\t%d\t\t\t%s\n", window->name, window->name,
                     kindName(WindowLayouts::Kind::Window), window->width, window->height,
                     fontText(window->font).c_str());
        for (const WindowLayouts::Control& row : *window)
            std::fprintf(out, "%s\t%s\t%s\t%s\t%d\t%d\t%d\t%d\t%s\t%d\t%s\n", window->name,
                         row.name, kindName(row.kind), row.container ? row.container : "", row.left,
                         row.top, row.width, row.height, row.caption, row.tabIndex,
                         fontText(row.font).c_str());
    }
    return std::fclose(out) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    if (!writeKeys(folder + "/settings-keys.tsv") ||
        !writeLayouts(folder + "/window-layouts.tsv")) {
        std::perror("write_tables");
        return 1;
    }
    return 0;
}
