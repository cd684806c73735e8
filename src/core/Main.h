#pragma once

#include "db/NameList.h"
#include "db/Value.h"

#include <QString>

// The shared procedures of module Main that need no widgets; the window
// utilities (SetButtonFaceColors, ApplySkin, MaybeOpenHomePage) are in
// app/MainWindows.h.
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

// Small procedures that only the transfers call. They keep no state and have no
// error handling of their own: a failure reaches the calling handler's trap.

// True when at least one entry equals the name after both are lowercased. Every
// entry is visited; an empty list gives false.
bool ListContainsName(const NameList& list, const QString& name);

// Removes the entries whose text equals the name exactly (case-sensitive) in one
// pass over the entries the list held when called. The index advances after a
// removal too, so an entry that moves into a removed slot is not examined: of two
// adjacent equal entries only the first goes.
void ListRemoveName(NameList& list, const QString& name);

// The default when the value is NULL, otherwise the value's text.
QString ValueOrDefault(const Value& value, const QString& defaultValue);

} // namespace Main
