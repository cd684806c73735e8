#pragma once

#include <QString>
#include <cstdint>

namespace Datatype {

// The name of the ADO data type constant for a code ("adVarWChar" for 202), or
// the empty text for a code without a row (1, 15, 137, 8192, any negative code).
QString DataTypeName(const std::int16_t& code);

} // namespace Datatype
