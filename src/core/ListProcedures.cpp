#include "core/Main.h"

namespace Main {

bool ListContainsName(const NameList& list, const QString& name)
{
    const QString wanted = name.toLower();
    bool found = false;
    const int count = list.count();
    for (int i = 0; i < count; ++i) {
        if (list.text(i).toLower() == wanted)
            found = true;
    }
    return found;
}

void ListRemoveName(NameList& list, const QString& name)
{
    const int count = list.count();
    for (int i = 0; i < count; ++i) {
        // Past the end of the shortened list there is no entry to match.
        if (i >= list.count())
            continue;
        if (list.text(i) == name)
            list.removeItem(i);
    }
}

QString ValueOrDefault(const Value& value, const QString& defaultValue)
{
    return value ? *value : defaultValue;
}

} // namespace Main
