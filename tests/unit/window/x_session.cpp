// Private Xvfb servers with a Tk interpreter each, for the window layer tests.
// gtest before the X headers, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "x_session.h"

#include "command/tcl_glue.h"
#include "viewer/window.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

// Under the leak checker: what Tcl, Tk, Xlib and Mesa keep until the process
// ends is theirs (the same list as the Tcl tests' suppressions).
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libtcl8.6.so\nleak:libtk8.6.so\nleak:libX11.so\nleak:libfontconfig.so\nleak:libGLX_mesa.so\n"
           "leak:libgallium\nleak:swrast_dri.so\nleak:libLLVM\nleak:libxcb.so\n";
}

namespace {

std::map<std::string, std::unique_ptr<XSession>> g_sessions;
XSession *g_active = nullptr;

// Ends every server at the end of the program; nothing talks to them after that.
class ServerReaper : public ::testing::Environment {
public:
    void TearDown() override
    {
        for (auto &entry : g_sessions) {
            if (entry.second->own != nullptr) {
                XCloseDisplay(entry.second->own);
                entry.second->own = nullptr;
            }
            if (entry.second->pid > 0) {
                kill(entry.second->pid, SIGTERM);
                waitpid(entry.second->pid, nullptr, 0);
                entry.second->pid = 0;
            }
        }
    }
};

const ::testing::Environment *g_reaper = ::testing::AddGlobalTestEnvironment(new ServerReaper);

// Starts Xvfb on a free display; its pid, 0 on failure.
int start_server(const std::string &screen, std::string *display, std::string *why)
{
    int fds[2];
    if (pipe(fds) != 0) {
        *why = "no pipe";
        return 0;
    }
    std::vector<std::string> args = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-nolisten", "tcp", "-screen", "0"};
    std::istringstream words(screen);
    for (std::string word; words >> word;) args.push_back(word);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        int null_fd = open("/dev/null", 0);
        if (null_fd >= 0) {
            dup2(null_fd, 1);
            dup2(null_fd, 2);
        }
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        *why = "fork failed";
        return 0;
    }
    std::string number;
    struct pollfd p = {fds[0], POLLIN, 0};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && number.find('\n') == std::string::npos) {
        if (poll(&p, 1, 100) <= 0) continue;
        char c;
        if (read(fds[0], &c, 1) != 1) break;
        number += c;
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        *why = "Xvfb did not start with -screen 0 " + screen;
        return 0;
    }
    *display = ":" + number.substr(0, number.find('\n'));
    return (int)pid;
}

} // namespace

XSession *x_session(const char *screen, std::string *why)
{
    auto found = g_sessions.find(screen);
    XSession *session = found != g_sessions.end() ? found->second.get() : nullptr;
    if (session == nullptr) {
        std::unique_ptr<XSession> made(new XSession());
        made->screen = screen;
        made->pid = start_server(screen, &made->display, why);
        if (made->pid == 0) return nullptr;
        setenv("DISPLAY", made->display.c_str(), 1);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        setenv("TCL_LIBRARY", DRUVEX_TCL_LIBRARY, 1);
        setenv("TK_LIBRARY", DRUVEX_TK_LIBRARY, 1);
        made->interp = Tcl_CreateInterp();
        if (Tcl_Init(made->interp) != TCL_OK || Tk_Init(made->interp) != TCL_OK) {
            *why = std::string("Tk does not start: ") + Tcl_GetStringResult(made->interp);
            kill(made->pid, SIGTERM);
            waitpid(made->pid, nullptr, 0);
            return nullptr;
        }
        made->tk_display = Tk_Display(Tk_MainWindow(made->interp));
        made->own = XOpenDisplay(made->display.c_str());
        session = made.get();
        g_sessions[screen] = std::move(made);
    }
    if (g_active != session) {
        g_glue.interp = session->interp;
        win_init(session->tk_display);
        g_active = session;
    }
    return session;
}

void x_pump(XSession *session, int ms, bool (*done)(void *), void *data)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        XSync(session->tk_display, False);
        while (Tcl_DoOneEvent(TCL_ALL_EVENTS | TCL_DONT_WAIT)) {
        }
        if (done != nullptr && done(data)) return;
        usleep(5000);
    } while (std::chrono::steady_clock::now() < deadline);
}

std::string x_eval(XSession *session, const char *script)
{
    int code = Tcl_Eval(session->interp, script);
    std::string result = Tcl_GetStringResult(session->interp);
    return code == TCL_OK ? result : "ERROR: " + result;
}
