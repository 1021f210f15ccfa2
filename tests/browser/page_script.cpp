#include "page_script.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "harness/child_process.h"

namespace browser {

PageScript& PageScript::step(const std::string& word, const std::string& argument) {
    steps_.push_back(argument.empty() ? word : word + " " + argument);
    return *this;
}

PageScript& PageScript::mount(const std::string& prefix, const std::string& folder) {
    return step("mount", prefix + " " + folder);
}

PageScript& PageScript::holdAnimationFrames() {
    return step("manual-frames", {});
}

PageScript& PageScript::capHeap(int mebibytes) {
    return step("heap-cap", std::to_string(mebibytes));
}

PageScript& PageScript::open(const std::string& query) {
    return step("open", query.empty() ? "-" : query);
}

PageScript& PageScript::waitUntil(const std::string& expression) {
    return step("wait", expression);
}

PageScript& PageScript::press(const std::string& key) {
    return step("press", key);
}

PageScript& PageScript::chord(const std::string& keys) {
    return step("chord", keys);
}

PageScript& PageScript::fill(const std::string& selector, const std::string& text) {
    return step("fill", selector + " " + text);
}

PageScript& PageScript::dragOnto(const std::string& selector, const std::string& target) {
    return step("drop", selector + " => " + target);
}

PageScript& PageScript::touchOnto(const std::string& selector, const std::string& target,
                                  int holdMilliseconds) {
    return step("touch-drop", selector + " => " + target + " " + std::to_string(holdMilliseconds));
}

PageScript& PageScript::choose(const std::string& selector, const std::string& value) {
    return step("choose", selector + " " + value);
}

PageScript& PageScript::drag(const std::string& selector, int dx) {
    return step("drag", selector + " " + std::to_string(dx));
}

PageScript& PageScript::click(const std::string& selector) {
    return step("click", selector);
}

PageScript& PageScript::tap(const std::string& selector) {
    return step("tap", selector);
}

PageScript& PageScript::viewport(int width, int height) {
    return step("viewport", std::to_string(width) + " " + std::to_string(height));
}

PageScript& PageScript::downloadInto(const std::string& folder) {
    return step("downloads", folder);
}

PageScript& PageScript::waitForFile(const std::string& path) {
    return step("wait-file", path);
}

PageScript& PageScript::runFramesUntil(const std::string& expression) {
    return step("frames-until", expression);
}

PageScript& PageScript::runFrames(int count) {
    return step("frames", std::to_string(count));
}

PageScript& PageScript::screenshot(const std::string& path) {
    return step("shot", path);
}

PageScript& PageScript::pageScreenshot(const std::string& path) {
    return step("page-shot", path);
}

PageScript& PageScript::read(const std::string& expression) {
    return step("print", expression);
}

PageScript& PageScript::timeUntil(const std::string& expression) {
    return step("time", expression);
}

PageScript::PageRun PageScript::run(const std::string& folder) const {
    PageRun result;
    const std::string scriptPath = folder + "/page-script.txt";
    const std::string logPath = folder + "/page-driver.log";
    {
        std::ofstream script(scriptPath);
        for (const std::string& line : steps_) {
            script << line << '\n';
        }
    }
    const std::string node = e2e::findExecutable("node");
    if (node.empty()) {
        result.failure = "node is not on PATH";
        return result;
    }
    e2e::LaunchOptions options;
    options.path = node;
    options.args = {PAGE_DRIVER_SCRIPT, site_, scriptPath};
    options.logPath = logPath;
    e2e::ChildProcess driver(options);
    const auto status = driver.waitForExit(std::chrono::minutes(5));

    std::ifstream log(logPath);
    std::ostringstream whole;
    for (std::string line; std::getline(log, line);) {
        whole << line << '\n';
        if (line.rfind("= ", 0) == 0) {
            result.values.push_back(line.substr(2));
        } else if (line.rfind("! ", 0) == 0) {
            result.failure = line.substr(2);
        }
    }
    result.log = whole.str();
    if (!status) {
        result.failure = "the page driver did not end within 5 minutes";
    } else if (!status->exited || status->code != 0) {
        if (result.failure.empty()) {
            result.failure = "the page driver " + status->describe();
        }
    } else {
        result.succeeded = true;
    }
    return result;
}

std::string addressOf(const std::string& keys, int frames) {
    std::string query = "?keys=";
    for (const unsigned char c : keys) {
        char encoded[4];
        std::snprintf(encoded, sizeof encoded, "%%%02X", c);
        query += encoded;
    }
    return query + "&frames=" + std::to_string(frames);
}

std::string webSiteFolder() {
    return WEB_SITE_FOLDER;
}

std::string webSiteProblem() {
    for (const char* file : {"index.html", "scene-viewer.js", "scene-viewer.wasm"}) {
        if (!std::filesystem::exists(webSiteFolder() + "/" + file)) {
            return "the web build has no " + std::string(file) + " in " + webSiteFolder() +
                   ": build it first (cmake --preset web && cmake --build --preset web, as "
                   "tools/run-tests does)";
        }
    }
    return {};
}

}  // namespace browser
