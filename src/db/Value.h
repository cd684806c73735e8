#pragma once

#include <QString>
#include <optional>

// A field value as the program sees it: SQL NULL (no value) or the value's text.
// NULL is a state of its own and never the same as an empty text.
using Value = std::optional<QString>;
