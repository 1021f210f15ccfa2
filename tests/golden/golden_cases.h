#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "libraries/image/rgb_image.h"

namespace golden {

// One reference picture: a model at a depth from a viewpoint, after a fixed number of frames.
struct GoldenCase {
    std::string model;   // "chain", "figure", "fan" or "tree"
    int modelIndex = 0;  // its place in the catalogue: how many "next model" keys reach it
    int depth = 1;
    int viewpoint = 1;

    // Such as "tree-d4-v2": the file name of the reference, without ".png".
    std::string name() const;
    // The keys that reach this state from the start: the depth first, then the model, then
    // the viewpoint, such as "+++xxx2".
    std::string keys() const;
};

// Lets GoogleTest name a case by its name rather than by its bytes.
void PrintTo(const GoldenCase& c, std::ostream* out);

inline constexpr int goldenFrames = 10;

// Every model at depths 1 and 4 from each viewpoint: 24 cases.
std::vector<GoldenCase> goldenCases();

// Folders given by the build: where the references are kept and where tests write.
std::string referenceFolder();
std::string outputFolder();

// `path` read as a picture, or a failure naming the problem and a picture without pixels.
image::RgbImage readPicture(const std::string& path);

}  // namespace golden
