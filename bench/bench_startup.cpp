// Start-up time of the real program: from starting the dovetab process to its
// login window being mapped on the X server, over several runs. Started by
// bench/run, which provides an X server of its own (Xvfb), the servers and a
// private odbcinst.ini.
//
//   bench_startup [runs] [program]    default 20 runs of <build>/dovetab
//
// Each run gets the same settings store, whose IBM DB2 login values name a
// server that does not exist, so the connection test at start-up fails at once
// and the program stops on the login window, as on a first start. The window is
// seen the moment the X server maps it: this program watches the root window
// for new top-level windows and takes the first one whose _NET_WM_PID is the
// started process.

#include "core/LoginKeys.h"

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void die(const std::string& message)
{
    std::fprintf(stderr, "bench_startup: %s\n", message.c_str());
    std::exit(1);
}

std::string programBeside(const char* argv0)
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string dir = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(argv0);
    dir = dir.substr(0, dir.find_last_of('/'));
    // <build>/bench/bench_startup -> <build>/dovetab
    return dir.substr(0, dir.find_last_of('/')) + "/dovetab";
}

// A settings store of its own with an IBM DB2 server that no one serves.
std::string makeConfigHome()
{
    char pattern[] = "/tmp/dovetab-bench-startup.XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir)
        die("cannot make a temporary folder");
    const std::string home = dir;
    std::ofstream file(home + "/Harrowick.conf");
    // The value of each login box, Text1 to Text10.
    const char* const values[] = {"nowhere.invalid", "1", "bench", "bench", "BENCH",
                                  "127.0.0.1",       "1", "bench", "bench", "bench"};
    file << "[Dovetab]\n";
    for (const LoginKey& key : LoginKeys)
        file << key.key << '=' << values[key.box - 1] << '\n';
    if (!file)
        die("cannot write the settings store");
    chmod((home + "/Harrowick.conf").c_str(), 0600);
    return home;
}

class XWatch
{
public:
    XWatch()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            die("cannot open the X display (is DISPLAY set? bench/run starts Xvfb)");
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        m_pidAtom = atom("_NET_WM_PID");
        xcb_flush(m_connection);
    }
    ~XWatch() { xcb_disconnect(m_connection); }

    // Waits until a top-level window of the process is mapped; false after the time-out.
    bool waitForMappedWindow(pid_t pid, int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                const bool ours =
                    (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                    windowPid(reinterpret_cast<xcb_map_notify_event_t*>(event)->window) == pid;
                std::free(event);
                if (ours)
                    return true;
            }
            if (xcb_connection_has_error(m_connection))
                die("lost the X connection");
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return false;
            pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
        }
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        if (!reply)
            die("cannot intern an atom");
        const xcb_atom_t result = reply->atom;
        std::free(reply);
        return result;
    }

    pid_t windowPid(xcb_window_t window)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        pid_t pid = -1;
        if (reply && xcb_get_property_value_length(reply) == 4)
            pid = static_cast<pid_t>(*static_cast<uint32_t*>(xcb_get_property_value(reply)));
        std::free(reply);
        return pid;
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 20;
    const std::string program = argc > 2 ? argv[2] : programBeside(argv[0]);
    if (runs <= 0)
        die("usage: bench_startup [runs] [program]");
    if (access(program.c_str(), X_OK) != 0)
        die("no program at " + program);

    const std::string configHome = makeConfigHome();
    setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", configHome.c_str(), 1); // mode 0700, as Qt wants it
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    XWatch watch;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const char* args[] = {program.c_str(), nullptr};
        pid_t pid = 0;
        const auto start = Clock::now();
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char**>(args),
                        environ) != 0)
            die("cannot start " + program);
        const bool shown = watch.waitForMappedWindow(pid, 60000);
        const auto end = Clock::now();
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!shown)
            die("the login window did not appear within 60 s");
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }

    std::string cleanup = configHome + "/Harrowick.conf";
    std::remove(cleanup.c_str());
    rmdir(configHome.c_str());

    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    const size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
    std::printf("bench_startup: %d runs of %s\n", runs, program.c_str());
    std::printf(
        "start to login window mapped: median %.1f ms, mean %.1f ms, min %.1f ms, max %.1f ms "
        "(first run %.1f ms)\n",
        median, sum / static_cast<double>(n), sorted.front(), sorted.back(), times.front());
    return 0;
}
