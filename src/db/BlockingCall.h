#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

// Where a driver call waits for its server. By default a call runs on the
// calling thread and blocks it until the driver answers. A program with windows
// installs a waiter: every call then runs on a worker thread while the waiter
// keeps the windows of the calling thread alive (repainting, closing) until the
// call has finished. The call's result or exception comes back to the caller
// either way, so callers cannot tell the difference.
//
// One call runs at a time, and a call made from inside another (on the worker)
// runs directly, so no ODBC handle is ever used by two threads at once.
class DriverWaiter
{
public:
    virtual ~DriverWaiter() = default;
    // Runs work to its end (work catches everything itself) and returns after it.
    // May end the process instead when the program ends meanwhile.
    virtual void wait(const std::function<void()>& work) = 0;
};

namespace BlockingCall {

// Installs the waiter (nullptr: calls run directly again). The waiter must outlive
// every call made while it is installed.
void setWaiter(DriverWaiter* waiter) noexcept;
DriverWaiter* waiter() noexcept;

// Runs body through the installed waiter; rethrows what body threw.
void runVoid(const std::function<void()>& body);

template <class Body> auto run(Body&& body) -> decltype(body())
{
    using Result = decltype(body());
    if constexpr (std::is_void_v<Result>) {
        runVoid(std::forward<Body>(body));
    } else {
        std::optional<Result> result;
        runVoid([&] { result.emplace(body()); });
        return std::move(*result);
    }
}

// Runs body(args...) through run(): how each public call that may wait on the
// driver hands its body over, in one line.
template <class Body, class... Args> decltype(auto) call(Body&& body, Args&&... args)
{
    return run([&]() -> decltype(auto) { return body(std::forward<Args>(args)...); });
}

} // namespace BlockingCall
