#include "capture_runner.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace scene_capture {

namespace {

std::pair<std::string, std::string> extended(const char* name, const std::string& extra) {
    const char* current = std::getenv(name);
    const std::string base = current != nullptr ? current : "";
    return {name, base.empty() ? extra : base + ":" + extra};
}

}  // namespace

std::string CaptureRun::describe() const {
    const std::string how = status ? status->describe() : "still running after the time limit";
    return "scene-capture " + how + (log.empty() ? "" : ", saying: " + log);
}

CaptureRun runCapture(const std::vector<std::string>& args, const std::string& display,
                      const std::string& logPath, std::chrono::milliseconds timeout,
                      std::optional<std::uint64_t> addressSpaceLimit) {
    e2e::LaunchOptions options;
    options.path = SCENE_CAPTURE_EXECUTABLE;
    options.args = args;
    options.environment = {{"DISPLAY", display},
                           extended("ASAN_OPTIONS", "exitcode=66"),
                           extended("UBSAN_OPTIONS", "exitcode=66")};
    options.logPath = logPath;
    options.addressSpaceLimit = addressSpaceLimit;

    CaptureRun run;
    {
        e2e::ChildProcess process(options);
        run.status = process.waitForExit(timeout);
        if (!run.status) {
            process.terminate();
        }
    }
    std::ifstream in(logPath);
    std::stringstream text;
    text << in.rdbuf();
    run.log = text.str();
    return run;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace scene_capture
