#pragma once

// What state() of a connection or a recordset gives.
namespace ObjectState {

constexpr int Closed = 0;
constexpr int Open = 1;

} // namespace ObjectState
