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

// A call's body as runVoid takes it: a reference to the caller's callable, which
// outlives the call, so that handing a body over costs no allocation.
class BodyRef
{
public:
    template <class Body,
              class = std::enable_if_t<!std::is_same_v<std::remove_cv_t<Body>, BodyRef>>>
    BodyRef(Body& body) noexcept // NOLINT: made from every callable implicitly
        : m_body(const_cast<void*>(static_cast<const void*>(&body))),
          m_invoke([](void* b) { (*static_cast<Body*>(b))(); })
    {
    }
    void operator()() const { m_invoke(m_body); }

private:
    void* m_body;
    void (*m_invoke)(void*);
};

// Runs body through the installed waiter; rethrows what body threw.
void runVoid(BodyRef body);

template <class Body> auto run(Body&& body) -> decltype(body())
{
    using Result = decltype(body());
    if constexpr (std::is_void_v<Result>) {
        runVoid(body);
    } else {
        std::optional<Result> result;
        auto produce = [&] { result.emplace(body()); };
        runVoid(produce);
        return std::move(*result);
    }
}

// Runs body(args...) through run(): how each public call that may wait on the
// driver hands its body over, in one line.
template <class Body, class... Args> decltype(auto) call(Body&& body, Args&&... args)
{
    auto bound = [&]() -> decltype(auto) { return body(std::forward<Args>(args)...); };
    return run(bound);
}

} // namespace BlockingCall
