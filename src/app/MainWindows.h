#pragma once

class QWidget;
class SkinFramework;
class HomePage;

// The window utilities of module Main: the parts that need widgets or the
// browser. The widget-free rest is in core/Main.h.
namespace Main {

// Gives the window and each of its option buttons, check boxes, frames and labels
// the system button-face background. Throws on failure (the caller's trap reports it).
void SetButtonFaceColors(QWidget& window);

// Skins the login window when the skin file exists: the button-face recolouring,
// then the skin engine's five calls in their order. Does nothing without the file.
void ApplySkin(QWidget& loginWindow, SkinFramework& skin);

// Opens the maker's home page when the draw gives 7 (one start in a hundred).
void MaybeOpenHomePage(HomePage& homePage);

} // namespace Main
