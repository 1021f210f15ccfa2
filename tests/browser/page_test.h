#pragma once

#include <gtest/gtest.h>

#include <string>

#include "page_script.h"
#include "scratch_folder.h"

namespace browser {

// A test of the web build: fails at once without it, runs page scripts in a scratch folder of
// its own, and shows the driver's output when a step fails.
class PageTest : public ::testing::Test {
  protected:
    explicit PageTest(const std::string& scratchPrefix) : scratch(scratchPrefix) {}

    void SetUp() override {
        const std::string problem = webSiteProblem();
        if (!problem.empty()) {
            FAIL() << problem;
        }
    }

    PageScript::PageRun run(const PageScript& script) {
        PageScript::PageRun result = script.run(scratch.path().string());
        EXPECT_TRUE(result.succeeded) << result.failure << "\n" << result.log;
        return result;
    }

    std::string file(const std::string& name) const { return scratch.file(name); }

    ScratchFolder scratch;
};

// The page holds the address's last picture, after `frames` steps.
inline std::string heldAt(int frames) {
    return "document.body.dataset.held === '" + std::to_string(frames) + "'";
}

// The outline's row of the node named `name`.
inline std::string row(const std::string& name) {
    return "[role=\"treeitem\"][data-name=\"" + name + "\"] > .row";
}

// Controls by their role and accessible name, as assistive technology finds them.
inline std::string named(const std::string& role, const std::string& name) {
    return "::-p-aria([name=\"" + name + "\"][role=\"" + role + "\"])";
}

}  // namespace browser
