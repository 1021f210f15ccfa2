#include "app/model_catalogue.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "app/camera.h"
#include "app/memory_guard.h"
#include "app/model_document.h"
#include "app/model_edit.h"
#include "app/platform.h"
#include "scene/ball.h"
#include "scene/ball_tree.h"
#include "scene/ball_tree_builder.h"
#include "scene/limb.h"
#include "scene/swinging_limb.h"

// Defined in this order in one file, so the list exists, with its tear-down registered for
// process exit, before currentModel takes its end position.
ModelList modelList;
ModelList::iterator currentModel = modelList.end();

ModelSlot* chainSlot = nullptr;
ModelSlot* treeSlot = nullptr;
int recursionDepth = 1;

namespace {

std::uint64_t (*reserveAtDepth)(int depth) = nullptr;

void (*retireModel)(SceneNode* root) = nullptr;

void retire(SceneNode* root) {
    if (retireModel != nullptr) {
        retireModel(root);
    } else {
        delete root;
    }
}

// The tree being built ahead for a depth key, and its depth.
std::unique_ptr<BallTreeBuilder> prepared;
int preparedDepth = 0;

// The prepared tree of `depth`, placed as buildTreeModel places it, when it is whole; else null.
SceneNode* takePrepared(int depth) {
    if (prepared == nullptr || preparedDepth != depth || !prepared->whole()) {
        return nullptr;
    }
    SceneNode* root = prepared->release();
    prepared.reset();
    preparedDepth = 0;
    root->applyStep(treeRootStep());
    return root;
}

// What a change to `depth` must find room for: the guard's count and the program's reserve.
std::uint64_t needAtDepth(int depth) {
    const std::uint64_t models = memoryNeededAtDepth(depth);
    const std::uint64_t reserve = reserveAtDepth != nullptr ? reserveAtDepth(depth) : 0;
    return saturatingAdd(models, reserve);
}

// The stored values, not pi/2 (1.5707963267948966) and not pi/10 (0.3141592653589793).
constexpr double quarterTurn = 1.570796;
constexpr double spokeStep = 0.3141592;

constexpr Vec3 xAxis{1.0, 0.0, 0.0};
constexpr Vec3 yAxis{0.0, 1.0, 0.0};
constexpr Vec3 zAxis{0.0, 0.0, 1.0};

// Names `part` when names are asked for.
void name(PartNames* names, const SceneNode* part, NodeLabel label) {
    if (names != nullptr) {
        names->give(part, std::move(label));
    }
}

void name(PartNames* names, const SceneNode* part, std::string text) {
    name(names, part, NodeLabel{std::move(text), {}, 0, {}});
}

// Applies `steps` to `part`, in order, and keeps them when names are asked for.
void place(PartNames* names, SceneNode* part, TransformSteps steps) {
    for (const TransformStep& step : steps) {
        part->applyStep(step);
    }
    if (names != nullptr) {
        names->placed(part, std::move(steps));
    }
}

// Replaces the recursive models by ones of recursionDepth, deleting each old model before its
// new one is built: for models no larger than the old ones, which then always find room. Should
// even that run out of memory, the models fall back to depth 1 rather than leave a slot empty,
// and the line that says so is returned; nothing when the models were replaced.
std::optional<std::string> replaceRecursiveModelsInPlace() {
    dropPrepared();
    ++treeSlot->builds;
    ++chainSlot->builds;
    delete treeSlot->root;
    treeSlot->root = nullptr;
    try {
        treeSlot->root = buildTreeModel(recursionDepth);
        delete chainSlot->root;
        chainSlot->root = nullptr;
        chainSlot->root = buildChainModel(recursionDepth);
    } catch (const std::bad_alloc&) {
        for (ModelSlot* slot : {treeSlot, chainSlot}) {
            delete slot->root;
            slot->root = nullptr;
        }
        const std::string fallBack = "recursion depth " + std::to_string(recursionDepth) +
                                     " ran out of memory; back to depth 1";
        recursionDepth = 1;
        treeSlot->root = buildTreeModel(recursionDepth);
        chainSlot->root = buildChainModel(recursionDepth);
        return fallBack;
    }
    return std::nullopt;
}

// Moves to `depth` and rebuilds, unless the new models would not fit into memory or their
// allocation fails; then the depth and both models stay exactly as they were. A depth no
// deeper than the present one is always taken: when its models do not fit beside the present
// ones, the present ones, which are at least as large, go first. Returns the line that says
// why a depth was refused, or nothing when it was taken.
std::optional<std::string> changeRecursionDepth(int depth) {
    const int previous = recursionDepth;
    try {
        const std::uint64_t need = needAtDepth(depth);
        // A tree built ahead for this depth has already found its room: what is obtainable is
        // not asked again (in the page, asking walks the whole heap).
        const bool ready = prepared != nullptr && preparedDepth == depth && prepared->whole();
        const std::uint64_t obtainable = ready ? 0 : obtainableMemory();
        if (ready || fitsInMemory(need, obtainable)) {
            recursionDepth = depth;
            rebuildRecursiveModels();
        } else if (depth <= previous) {
            recursionDepth = depth;
            return replaceRecursiveModelsInPlace();
        } else {
            return "recursion depth " + std::to_string(depth) + " needs " + describeSize(need) +
                   " but " + describeSize(usableMemory(obtainable)) +
                   " is available; staying at depth " + std::to_string(previous);
        }
    } catch (const std::bad_alloc&) {
        recursionDepth = previous;
        return "recursion depth " + std::to_string(depth) +
               " ran out of memory; staying at depth " + std::to_string(previous);
    }
    return std::nullopt;
}

}  // namespace

ModelSlot* addModel(SceneNode* root, std::string name, PartNames parts, TransformSteps rootSteps) {
    ModelSlot* slot = new ModelSlot{root, std::move(name), std::move(parts), std::move(rootSteps)};
    modelList.push_back(slot);
    return slot;
}

void reserveBesideModels(std::uint64_t (*reserve)(int depth)) {
    reserveAtDepth = reserve;
}

TransformStep chainRootStep() {
    return TransformStep::translate({0.0, 0.0, -6.0});
}

TransformStep treeRootStep() {
    return TransformStep::translate({0.0, 4.0, 0.0});
}

TransformStep fanRootStep() {
    return TransformStep::translate({0.0, -2.0, 0.0});
}

SceneNode* buildChainModel(int depth) {
    // Held until the chain is in place, so that a failed allocation frees the holder too.
    auto root = std::make_unique<SceneNode>();
    root->applyStep(chainRootStep());
    root->addChild(new SwingingLimb(depth, true));
    return root.release();
}

SceneNode* buildTreeModel(int depth) {
    SceneNode* root = new BallTree(depth);
    root->applyStep(treeRootStep());
    return root;
}

// Rotations turn by minus their angle, so the two turns of a shoulder lay the arm that starts
// along +z out along -x or +x, and the legs' turn about x points them down.
SceneNode* buildFigureModel(PartNames* names) {
    SceneNode* figure = new SceneNode;

    SceneNode* head = figure->addChild(new Ball(1.5));
    place(names, head, {TransformStep::translate({0.0, 3.0, 0.0})});
    name(names, head, "head");

    SceneNode* body = figure->addChild(new Ball(2.0));
    place(names, body,
          {TransformStep::scale({1.0, 2.0, 1.0}), TransformStep::translate({0.0, -1.0, 0.0})});
    name(names, body, "body");

    SceneNode* leftShoulder = figure->addChild(new SceneNode);
    place(names, leftShoulder,
          {TransformStep::rotate(zAxis, quarterTurn), TransformStep::rotate(yAxis, quarterTurn),
           TransformStep::translate({-1.0, 1.5, 0.0})});
    name(names, leftShoulder, "shoulder at -x");
    name(names, leftShoulder->addChild(new SwingingLimb(3, true)),
         SwingingLimb::chainLabel("arm at -x"));

    SceneNode* rightShoulder = figure->addChild(new SceneNode);
    place(names, rightShoulder,
          {TransformStep::rotate(zAxis, quarterTurn), TransformStep::rotate(yAxis, -quarterTurn),
           TransformStep::translate({1.0, 1.5, 0.0})});
    name(names, rightShoulder, "shoulder at +x");
    name(names, rightShoulder->addChild(new SwingingLimb(3, true)),
         SwingingLimb::chainLabel("arm at +x"));

    SceneNode* rightLeg = figure->addChild(new Limb(0.5, 4.0));
    place(
        names, rightLeg,
        {TransformStep::rotate(xAxis, -quarterTurn), TransformStep::translate({0.75, -2.0, 0.0})});
    name(names, rightLeg, "leg at +x");

    SceneNode* leftLeg = figure->addChild(new Limb(0.5, 4.0));
    place(
        names, leftLeg,
        {TransformStep::rotate(xAxis, -quarterTurn), TransformStep::translate({-0.75, -2.0, 0.0})});
    name(names, leftLeg, "leg at -x");

    return figure;
}

SceneNode* buildFanModel(PartNames* names) {
    SceneNode* fan = new SceneNode;
    fan->applyStep(fanRootStep());
    for (int i = 0; i < 20; ++i) {
        SceneNode* spoke = fan->addChild(new SceneNode);
        place(names, spoke,
              {TransformStep::rotate(zAxis, quarterTurn),
               TransformStep::rotate(yAxis, static_cast<double>(i) * spokeStep)});
        name(names, spoke, "spoke " + std::to_string(i));
        name(names, spoke->addChild(new SwingingLimb(6, true)),
             SwingingLimb::chainLabel("chain " + std::to_string(i)));
    }
    return fan;
}

void buildScene() {
    chainSlot = addModel(buildChainModel(recursionDepth), modelNames[0], {}, {chainRootStep()});
    PartNames figureParts;
    SceneNode* figure = buildFigureModel(&figureParts);
    addModel(figure, modelNames[1], std::move(figureParts));
    PartNames fanParts;
    SceneNode* fan = buildFanModel(&fanParts);
    addModel(fan, modelNames[2], std::move(fanParts), {fanRootStep()});
    treeSlot = addModel(buildTreeModel(recursionDepth), modelNames[3], {}, {treeRootStep()});
    currentModel = modelList.begin();
    camera.applyStartView();
}

void retireModelsWith(void (*retire)(SceneNode* root)) {
    retireModel = retire;
}

void addYourModel() {
    addModel(new SceneNode, "your model");
}

std::optional<std::string> raiseRecursionDepth() {
    if (recursionDepth < std::numeric_limits<int>::max()) {
        return changeRecursionDepth(recursionDepth + 1);
    }
    return std::nullopt;
}

std::optional<std::string> lowerRecursionDepth() {
    return changeRecursionDepth(recursionDepth > 1 ? recursionDepth - 1 : 1);
}

void rebuildRecursiveModels() {
    // Both new models are built before either old one goes, so that running out of memory
    // part way leaves the old ones in place, untouched. Then, as ever, the tree model is
    // replaced first and the chain model second.
    SceneNode* tree = takePrepared(recursionDepth);
    dropPrepared();
    if (tree == nullptr) {
        tree = buildTreeModel(recursionDepth);
    }
    SceneNode* chain = nullptr;
    try {
        chain = buildChainModel(recursionDepth);
    } catch (...) {
        delete tree;
        throw;
    }
    retire(treeSlot->root);
    treeSlot->root = tree;
    ++treeSlot->builds;
    retire(chainSlot->root);
    chainSlot->root = chain;
    ++chainSlot->builds;
}

Preparation prepareDepth(int depth) {
    dropPrepared();
    if (treeSlot == nullptr || depth < 1) {
        return Preparation::notNeeded;
    }
    // As changeRecursionDepth decides: only a depth whose models fit beside the present ones is
    // built ahead; the others are refused, or built in place, by the key itself.
    try {
        if (!fitsInMemory(needAtDepth(depth), obtainableMemory())) {
            return Preparation::notNeeded;
        }
        prepared = std::make_unique<BallTreeBuilder>(depth);
    } catch (const std::bad_alloc&) {
        return Preparation::notNeeded;
    }
    preparedDepth = depth;
    return Preparation::started;
}

bool continuePreparing(std::uint64_t balls) {
    if (prepared == nullptr) {
        return true;
    }
    try {
        return prepared->advance(balls);
    } catch (const std::bad_alloc&) {
        // The key builds it anew, and says what running out of memory did.
        dropPrepared();
        return true;
    }
}

std::pair<std::uint64_t, std::uint64_t> preparingProgress() {
    if (prepared == nullptr) {
        return {0, 0};
    }
    return {prepared->built(), prepared->total()};
}

int preparingDepth() {
    return preparedDepth;
}

void dropPrepared() {
    prepared.reset();
    preparedDepth = 0;
}

void nextModel() {
    if (currentModel == modelList.end()) {
        currentModel = modelList.begin();
        return;
    }
    ++currentModel;
    if (currentModel == modelList.end()) {
        currentModel = modelList.begin();
    }
}

void resetCatalogue() {
    document.forget();
    for (ModelSlot* slot : modelList) {
        delete slot->root;
        delete slot;
    }
    modelList.clear();
    currentModel = modelList.end();
    chainSlot = nullptr;
    treeSlot = nullptr;
    recursionDepth = 1;
    reserveAtDepth = nullptr;
    retireModel = nullptr;
    dropPrepared();
}
