#include "harness/x_server.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace e2e {

namespace {

constexpr auto startTimeout = std::chrono::seconds(15);

bool answers(const std::string& display) {
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr) {
        return false;
    }
    XCloseDisplay(connection);
    return true;
}

// Xvfb writes the display number it settled on, and a newline, to the descriptor given with
// -displayfd once it accepts connections. It takes the first number whose lock file and socket
// are free, so concurrent test processes never race for the same display.
std::string readDisplayNumber(int fd, ChildProcess& server) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
    while (text.find('\n') == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) {
            throw std::runtime_error("Xvfb did not report a display within 15 s");
        }
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) > 0) {
            char buffer[32];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                text.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
        }
        if (!server.running()) {
            throw std::runtime_error("Xvfb " + server.waitForExit({})->describe() +
                                     " before it reported a display");
        }
    }
    return ":" + text.substr(0, text.find('\n'));
}

}  // namespace

std::unique_ptr<XServer> XServer::startOrAttach(const std::string& logPath) {
    if (const char* given = std::getenv(displayVariable); given != nullptr && *given != '\0') {
        if (!answers(given)) {
            throw std::runtime_error(std::string("no X server answers on ") + displayVariable +
                                     "=" + given);
        }
        return std::unique_ptr<XServer>(new XServer(given, nullptr));
    }

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    LaunchOptions options;
    options.path = findExecutable("Xvfb");
    if (options.path.empty()) {
        close(fds[0]);
        close(fds[1]);
        throw std::runtime_error("Xvfb is not installed (Debian package xvfb)");
    }
    options.args = {
        "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
        "-noreset"};
    options.logPath = logPath;
    options.inheritedFd = fds[1];
    // Without -noreset the server resets whenever its last client leaves and refuses
    // connections meanwhile, as between the readiness probe and the viewer.
    std::unique_ptr<ChildProcess> server;
    try {
        server = std::make_unique<ChildProcess>(options);
    } catch (...) {
        close(fds[0]);
        close(fds[1]);
        throw;
    }
    close(fds[1]);
    std::string display;
    try {
        display = readDisplayNumber(fds[0], *server);
    } catch (...) {
        close(fds[0]);
        throw;
    }
    close(fds[0]);

    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
    while (!answers(display)) {
        if (std::chrono::steady_clock::now() >= deadline || !server->running()) {
            throw std::runtime_error("Xvfb on " + display + " does not answer");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::unique_ptr<XServer>(new XServer(display, std::move(server)));
}

XServer::XServer(std::string display, std::unique_ptr<ChildProcess> server)
    : display_(std::move(display)), server_(std::move(server)) {}

XServer::~XServer() = default;

}  // namespace e2e
