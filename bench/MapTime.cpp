// map_time PROGRAM [ARGUMENTS...]: starts the program and prints how many
// seconds passed from its exec to the first map of one of its top-level
// windows on the X display, then stops it (SIGTERM, SIGKILL after five
// seconds) and waits for it. Menus and tooltips (override-redirect windows)
// do not count. Exits 1 when the display cannot be opened, the program
// cannot be started or it ends before it maps a window.
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool stopChild(pid_t child)
{
    ::kill(child, SIGTERM);
    for (int waited = 0; waited < 500; ++waited) {
        int status = 0;
        pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno == ECHILD)) return true;
        ::usleep(10'000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: map_time PROGRAM [ARGUMENTS...]\n", stderr);
        return 2;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fputs("map_time: cannot open the display\n", stderr);
        return 1;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;

    // Every child of the root that is mapped is reported to us; without a
    // window manager nothing reparents the program's window first.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected = xcb_change_window_attributes_checked(connection, root, XCB_CW_EVENT_MASK, &mask);
    if (xcb_generic_error_t* error = xcb_request_check(connection, selected)) {
        std::free(error);
        std::fputs("map_time: cannot watch the root window\n", stderr);
        return 1;
    }

    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("map_time: fork");
        return 1;
    }
    if (child == 0) {
        ::close(xcb_get_file_descriptor(connection));
        ::execvp(argv[1], argv + 1);
        std::fprintf(stderr, "map_time: cannot run %s: %s\n", argv[1], std::strerror(errno));
        ::_exit(127);
    }

    pollfd watched{xcb_get_file_descriptor(connection), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY
                                && !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
            std::free(event);
            if (!mapped) continue;
            const std::chrono::duration<double> elapsed = Clock::now() - start;
            std::printf("%.4f\n", elapsed.count());
            std::fflush(stdout);
            stopChild(child);
            xcb_disconnect(connection);
            return 0;
        }
        if (xcb_connection_has_error(connection)) break;
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "map_time: %s ended before it showed a window\n", argv[1]);
            xcb_disconnect(connection);
            return 1;
        }
        ::poll(&watched, 1, 20);
    }
    std::fputs("map_time: lost the display\n", stderr);
    stopChild(child);
    return 1;
}
