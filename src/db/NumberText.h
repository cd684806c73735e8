#pragma once

#include <QString>

// Number values as text that does not depend on any locale. Drivers write the
// numbers they deliver as character data with the decimal separator of a locale:
// psqlODBC takes the C library's, IBM's CLI driver the one of the territory it
// reads from the environment itself. Either way the separator is the only
// character that differs from the plain form: no driver groups digits.
namespace NumberText {

// The text with '.' as its decimal separator. A text that already has a '.', has
// no separator, or is a word (NaN, Infinity, -Infinity, sNaN) comes back as it
// is. A text of the plain number form (sign, digits, one separator, exponent)
// whose one separator is another character that a locale uses as its decimal
// separator (',', U+066B, or the system locale's) gets a '.' in its place.
// Anything else that is not a number in the plain form comes back unchanged too
// (a currency text such as "$1,234.56"), since changing it would be a guess.
QString withDecimalPoint(const QString& text);

} // namespace NumberText
