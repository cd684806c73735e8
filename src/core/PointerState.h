#pragma once

// A window's mouse pointer, as the number each window keeps (and tests read):
// the default arrow, the hourglass while an operation runs, the hand over a push
// button when no hourglass is set.
namespace PointerState {

constexpr int Default = 0;
constexpr int Hourglass = 11;
constexpr int Hand = 99;

} // namespace PointerState
