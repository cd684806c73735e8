#include "db/BlockingCall.h"

#include <atomic>
#include <exception>

namespace {

std::atomic<DriverWaiter*> g_waiter{nullptr};
// Calls running on this thread through run(): a call inside another runs directly.
thread_local int t_depth = 0;

struct DepthGuard
{
    DepthGuard() noexcept { ++t_depth; }
    ~DepthGuard() { --t_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

} // namespace

namespace BlockingCall {

void setWaiter(DriverWaiter* waiter) noexcept
{
    g_waiter.store(waiter);
}

DriverWaiter* waiter() noexcept
{
    return g_waiter.load();
}

void runVoid(BodyRef body)
{
    DriverWaiter* const current = g_waiter.load();
    if (!current || t_depth > 0) {
        DepthGuard guard;
        body();
        return;
    }
    std::exception_ptr failure;
    current->wait([&]() noexcept {
        DepthGuard guard;
        try {
            body();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace BlockingCall
