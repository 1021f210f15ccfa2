#pragma once

#include <memory>
#include <string>

#include "harness/child_process.h"

namespace e2e {

// The X server the viewer runs on: the display named by SCENE_VIEWER_E2E_DISPLAY when that
// is set, otherwise an Xvfb of our own on a free display, started by tools/with-xvfb and
// ended with this object.
class XServer {
  public:
    static constexpr const char* displayVariable = "SCENE_VIEWER_E2E_DISPLAY";

    // Throws std::runtime_error when no server can be reached or started. `logPath` receives
    // the output of a server we start and of the script that starts it.
    static std::unique_ptr<XServer> startOrAttach(const std::string& logPath);

    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Such as ":3".
    const std::string& display() const { return display_; }
    bool ownsServer() const { return server_ != nullptr; }

  private:
    XServer(std::string display, std::unique_ptr<ChildProcess> server);

    std::string display_;
    std::unique_ptr<ChildProcess> server_;
};

}  // namespace e2e
