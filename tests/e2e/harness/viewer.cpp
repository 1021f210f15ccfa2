#include "harness/viewer.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace e2e {

namespace {

// Xlib's default handler ends the process on any protocol error; a grab of a window that is
// going away must fail one test, not abort the run.
int lastXError = 0;

int recordXError(Display*, XErrorEvent* event) {
    lastXError = event->error_code;
    return 0;
}

std::vector<Window> topLevelWindows(Display* connection) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> windows;
    if (XQueryTree(connection, DefaultRootWindow(connection), &root, &parent, &children, &count) !=
        0) {
        windows.assign(children, children + count);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return windows;
}

std::string windowName(Display* connection, Window window) {
    char* name = nullptr;
    std::string result;
    if (XFetchName(connection, window, &name) != 0 && name != nullptr) {
        result = name;
    }
    if (name != nullptr) {
        XFree(name);
    }
    return result;
}

std::uint8_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const unsigned long top = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / top);
}

std::vector<std::pair<std::string, std::string>> viewerEnvironment(const std::string& display) {
    // The viewer leaves its models allocated at exit on purpose; a sanitizer build must not
    // turn that into a failure, and a sanitizer report must not pass for the viewer's own
    // exit status 1.
    const auto extend = [](const char* name, const std::string& extra) {
        const char* current = std::getenv(name);
        const std::string base = current != nullptr ? current : "";
        return std::pair<std::string, std::string>(name, base.empty() ? extra : base + ":" + extra);
    };
    return {{"DISPLAY", display},
            extend("ASAN_OPTIONS", "exitcode=66"),
            extend("UBSAN_OPTIONS", "exitcode=66")};
}

}  // namespace

Viewer::Viewer(const ViewerOptions& options) : options_(options) {
    XSetErrorHandler(recordXError);
    connection_ = XOpenDisplay(options_.display.c_str());
    if (connection_ == nullptr) {
        throw std::runtime_error("cannot open display " + options_.display);
    }
    windowsBefore_ = topLevelWindows(connection_);

    LaunchOptions launch;
    launch.path = options_.executable;
    launch.args = options_.args;
    launch.environment = viewerEnvironment(options_.display);
    launch.addressSpaceLimit = options_.addressSpaceLimit;
    launch.logPath = options_.logPath;
    process_ = std::make_unique<ChildProcess>(launch);
}

Viewer::~Viewer() {
    process_.reset();
    if (connection_ != nullptr) {
        XCloseDisplay(connection_);
    }
}

std::string Viewer::log() const {
    std::ifstream in(options_.logPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Viewer::waitForWindow(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline && process_->running()) {
        for (Window candidate : topLevelWindows(connection_)) {
            if (std::find(windowsBefore_.begin(), windowsBefore_.end(), candidate) !=
                windowsBefore_.end()) {
                continue;
            }
            XWindowAttributes attributes{};
            if (windowName(connection_, candidate).find(options_.titleFragment) !=
                    std::string::npos &&
                XGetWindowAttributes(connection_, candidate, &attributes) != 0 &&
                attributes.map_state == IsViewable) {
                window_ = candidate;
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::string Viewer::title() const {
    return windowName(connection_, window_);
}

WindowGeometry Viewer::geometry() const {
    XWindowAttributes attributes{};
    WindowGeometry geometry;
    if (XGetWindowAttributes(connection_, window_, &attributes) == 0) {
        return geometry;
    }
    Window child = 0;
    XTranslateCoordinates(connection_, window_, attributes.root, 0, 0, &geometry.x, &geometry.y,
                          &child);
    geometry.width = attributes.width;
    geometry.height = attributes.height;
    return geometry;
}

void Viewer::pressKey(const std::string& keysym) {
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (XTestQueryExtension(connection_, &event, &error, &major, &minor) == 0) {
        throw std::runtime_error("the X server lacks the XTEST extension");
    }
    const KeySym symbol = XStringToKeysym(keysym.c_str());
    const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(connection_, symbol);
    if (code == 0) {
        throw std::runtime_error("no key produces the keysym " + keysym);
    }
    const bool shifted = XkbKeycodeToKeysym(connection_, code, 0, 0) != symbol;
    const KeyCode shift = XKeysymToKeycode(connection_, XK_Shift_L);

    XSetInputFocus(connection_, window_, RevertToPointerRoot, CurrentTime);
    if (shifted) {
        XTestFakeKeyEvent(connection_, shift, True, CurrentTime);
    }
    XTestFakeKeyEvent(connection_, code, True, CurrentTime);
    XTestFakeKeyEvent(connection_, code, False, CurrentTime);
    if (shifted) {
        XTestFakeKeyEvent(connection_, shift, False, CurrentTime);
    }
    XSync(connection_, False);
}

void Viewer::requestClose() {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window_;
    message.xclient.message_type = XInternAtom(connection_, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] =
        static_cast<long>(XInternAtom(connection_, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection_, window_, False, NoEventMask, &message);
    XSync(connection_, False);
}

image::RgbImage Viewer::grab() {
    XWindowAttributes attributes{};
    lastXError = 0;
    if (XGetWindowAttributes(connection_, window_, &attributes) == 0) {
        throw std::runtime_error("the viewer's window is gone");
    }
    XImage* shot =
        XGetImage(connection_, window_, 0, 0, static_cast<unsigned int>(attributes.width),
                  static_cast<unsigned int>(attributes.height), AllPlanes, ZPixmap);
    XSync(connection_, False);
    if (shot == nullptr || lastXError != 0) {
        if (shot != nullptr) {
            XDestroyImage(shot);
        }
        throw std::runtime_error("XGetImage failed with X error " + std::to_string(lastXError));
    }
    image::RgbImage image(attributes.width, attributes.height);
    const bool direct = shot->bits_per_pixel == 32 && shot->byte_order == LSBFirst &&
                        shot->red_mask == 0xff0000 && shot->green_mask == 0xff00 &&
                        shot->blue_mask == 0xff;
    for (int y = 0; y < attributes.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint8_t*>(shot->data) +
                          static_cast<std::ptrdiff_t>(y) * shot->bytes_per_line;
        for (int x = 0; x < attributes.width; ++x) {
            if (direct) {
                // Blue, green, red and one unused byte per pixel: the usual 24-bit TrueColor.
                const std::uint8_t* p = row + 4 * x;
                image.set(x, y, {p[2], p[1], p[0]});
            } else {
                const unsigned long pixel = XGetPixel(shot, x, y);
                image.set(x, y,
                          {channel(pixel, shot->red_mask), channel(pixel, shot->green_mask),
                           channel(pixel, shot->blue_mask)});
            }
        }
    }
    XDestroyImage(shot);
    return image;
}

}  // namespace e2e
