#include "harness/x_server.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace e2e {

namespace {

constexpr auto startTimeout = std::chrono::seconds(20);

bool answers(const std::string& display) {
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr) {
        return false;
    }
    XCloseDisplay(connection);
    return true;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// tools/with-xvfb writes the display, and a newline, to the descriptor given with --display-fd
// once its server answers.
std::string readDisplay(int fd, ChildProcess& server, const std::string& logPath) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
    while (text.find('\n') == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) {
            throw std::runtime_error("with-xvfb did not report a display within 20 s: " +
                                     readFile(logPath));
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
            throw std::runtime_error("with-xvfb " + server.waitForExit({})->describe() +
                                     " before it reported a display: " + readFile(logPath));
        }
    }
    return text.substr(0, text.find('\n'));
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
    // The script, and with it the server, ends with this object; ChildProcess ends the whole
    // process group, and the script ends its server when it is terminated.
    LaunchOptions options;
    options.path = WITH_XVFB_SCRIPT;
    options.args = {"--display-fd", std::to_string(fds[1])};
    options.logPath = logPath;
    options.inheritedFd = fds[1];
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
        display = readDisplay(fds[0], *server, logPath);
    } catch (...) {
        close(fds[0]);
        throw;
    }
    close(fds[0]);
    return std::unique_ptr<XServer>(new XServer(display, std::move(server)));
}

XServer::XServer(std::string display, std::unique_ptr<ChildProcess> server)
    : display_(std::move(display)), server_(std::move(server)) {}

XServer::~XServer() = default;

}  // namespace e2e
