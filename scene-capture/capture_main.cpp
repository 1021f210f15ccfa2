// scene-capture: draws the viewer's scene in the viewer's window, after a script of key presses
// and a number of animation steps, and writes the last frame to a PNG file.

#include <GL/gl.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/model_catalogue.h"
#include "app/platform.h"
#include "app/script_player.h"
#include "app/startup.h"
#include "libraries/command_line/program_main.h"
#include "libraries/image/png_file.h"
#include "scene-capture/capture_driver.h"
#include "scene-capture/capture_options.h"

namespace {

// A connection to `display`, or null. A server that has just lost its last client is busy
// resetting for a moment, so a refusal is tried again a few times before it counts.
Display* openDisplay(const char* display) {
    for (int attempt = 0;; ++attempt) {
        if (Display* connection = XOpenDisplay(display)) {
            return connection;
        }
        if (attempt == 4) {
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

// The frame just drawn, from the back buffer, before any swap, into `image`; the problem, or
// nothing.
std::optional<std::string> readFrame(image::RgbImage& image) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2];
    const int height = viewport[3];
    if (width <= 0 || height <= 0) {
        return "the window has no pixels to read";
    }
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(height) * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    if (const GLenum problem = glGetError(); problem != GL_NO_ERROR) {
        return "reading the frame failed with OpenGL error " + std::to_string(problem);
    }
    image = image::fromBottomUpRows(width, height, rows);
    return std::nullopt;
}

// Opens the viewer's window, runs the script and writes the last frame to `output`.
std::optional<std::string> captureFrame(char* programPath,
                                        const scene_capture::CaptureOptions& options,
                                        files::PendingFile& output) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        return "no display: DISPLAY is not set; run it in a virtual one with "
               "xvfb-run -a scene-capture ...";
    }
    // Asked here, since freeglut would end the process with a message of its own. The
    // connection stays open until freeglut has its own: an X server that loses its last
    // client resets, and refuses connections for a moment while it does.
    Display* probe = openDisplay(display);
    if (probe == nullptr) {
        return std::string("cannot open display ") + display;
    }

    // Too little room under the address-space limit would crash the GL driver in the window's
    // opening or its first frame.
    if (std::optional<std::string> problem = windowRoomProblem()) {
        XCloseDisplay(probe);
        return problem;
    }

    // GLUT gets no options of ours: only the program name.
    int glutArgc = 1;
    char* glutArgv[] = {programPath, nullptr};
    openWindow(&glutArgc, glutArgv,
               "scene-capture: the window could not be opened (the GL driver or the display did "
               "not start)");
    XCloseDisplay(probe);
    buildScene();
    if (options.state) {
        addYourModel();  // a page's address may show it
    }
    scene_capture::runScript(programScript(options.state, options.keys, options.frames));

    image::RgbImage frame;
    std::optional<std::string> problem = readFrame(frame);
    return problem ? problem : image::commitPng(output, frame);
}

}  // namespace

int main(int argc, char** argv) {
    return command_line::runProgram(
        "scene-capture", scene_capture::helpText(),
        scene_capture::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc)),
        [argv](const scene_capture::CaptureOptions& options, files::PendingFile& output) {
            return captureFrame(argv[0], options, output);
        });
}
