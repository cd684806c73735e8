#pragma once

#include <QString>

class QWidget;
class SkinFramework;
class HomePage;

// Shared procedures of the application frame.
namespace Main {

// The full product name: window captions and the settings section.
inline const QString ProductName = QStringLiteral("Dovetab");

// Sets the application title from the product name: cut at the last blank at
// least once, then again while longer than 40 characters.
void SetAppTitle();
// The application title: the caption of every message box without a title of its own.
QString AppTitle();
// The title SetAppTitle makes of a name. A name that runs out of blanks keeps what
// is left, cut to its first 40 characters ("Dovetab" stays "Dovetab").
QString appTitleFor(const QString& productName);

// True when the file's time of last change can be read; never throws.
bool FileExists(const QString& path);

// The folder the program runs from (without a trailing separator): the optional
// files "/HAND-M.CUR" and "/x/o.cjs" are looked for there.
QString ProgramFolder();
// Test-only: makes ProgramFolder() return the given folder; the empty text undoes it.
void setProgramFolderForTesting(const QString& folder);

// The hand cursor file and the skin file beside the program.
QString HandCursorPath();
QString SkinPath();

// Gives the window and each of its option buttons, check boxes, frames and labels
// the system button-face background. Throws on failure (the caller's trap reports it).
void SetButtonFaceColors(QWidget& window);

// Skins the login window when the skin file exists: the button-face recolouring,
// then the skin engine's five calls in their order. Does nothing without the file.
void ApplySkin(QWidget& loginWindow, SkinFramework& skin);

// Opens the maker's home page when the draw gives 7 (one start in a hundred).
void MaybeOpenHomePage(HomePage& homePage);

} // namespace Main
