#include "transfer/Datatype.h"

#include "db/AdoTypes.h"

namespace Datatype {

namespace {

struct TypeName
{
    std::int16_t code;
    const char* name;
};

constexpr TypeName TypeNames[] = {
#define DOVETAB_ADO_NAME(name, code) {code, "ad" #name},
    DOVETAB_ADO_TYPES(DOVETAB_ADO_NAME)
#undef DOVETAB_ADO_NAME
};

static_assert(sizeof TypeNames / sizeof TypeNames[0] == 39, "the table has 39 rows");

} // namespace

QString DataTypeName(const std::int16_t& code)
{
    for (const TypeName& row : TypeNames) {
        if (row.code == code)
            return QLatin1String(row.name);
    }
    return QString();
}

} // namespace Datatype
