#pragma once

#include "NameList.h"
#include "Value.h"

#include <QString>

// Small procedures that only the transfers call. They keep no state and have no
// error handling of their own: a failure reaches the calling handler's trap.
namespace Main {

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
