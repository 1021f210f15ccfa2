#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/child_process.h"
#include "libraries/image/rgb_image.h"

struct _XDisplay;

namespace e2e {

struct ViewerOptions {
    std::string executable;
    std::string display;  // such as ":3"
    std::vector<std::string> args;
    std::optional<std::uint64_t> addressSpaceLimit;
    std::string logPath;  // the viewer's standard output and error
    // Part of the title that tells the viewer's window from others on the display.
    std::string titleFragment = "Recursion depth";
};

struct WindowGeometry {
    int x = 0;  // position of the top left corner on the screen
    int y = 0;
    int width = 0;
    int height = 0;
};

// One run of the viewer binary on an X server, with the window it opens. The destructor ends
// the process (its whole process group) if it is still running.
class Viewer {
  public:
    explicit Viewer(const ViewerOptions& options);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    ChildProcess& process() { return *process_; }
    const std::string& logPath() const { return options_.logPath; }
    std::string log() const;

    // Polls until the viewer has mapped its window; false after `timeout` or if it has exited.
    bool waitForWindow(std::chrono::milliseconds timeout);
    unsigned long window() const { return window_; }
    std::string title() const;
    WindowGeometry geometry() const;

    // Presses and releases the key with this keysym name ("x", "plus", "space", "Escape", ...)
    // through the XTEST extension, as a keyboard would, with Shift held when the keysym lies on
    // the key's shifted level. The viewer's window gets the keyboard focus first. Returns once
    // the server has handled the events. Throws std::runtime_error on an unknown keysym.
    void pressKey(const std::string& keysym);
    // What a window manager sends when the user closes the window: WM_DELETE_WINDOW.
    void requestClose();
    // The window's current pixels; throws std::runtime_error if the window cannot be read.
    image::RgbImage grab();

    std::optional<ExitStatus> waitForExit(std::chrono::milliseconds timeout) {
        return process_->waitForExit(timeout);
    }

  private:
    ViewerOptions options_;
    _XDisplay* connection_ = nullptr;
    std::vector<unsigned long> windowsBefore_;
    unsigned long window_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace e2e
