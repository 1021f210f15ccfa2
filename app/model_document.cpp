#include "app/model_document.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <new>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/frame_loop.h"
#include "app/key_script.h"
#include "app/keyboard.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "app/model_outline.h"
#include "app/platform.h"
#include "scene/ball.h"
#include "scene/ball_tree.h"
#include "scene/limb.h"
#include "scene/swinging_limb.h"
#include "scene/tree_walks.h"

ModelDocument document;

namespace {

constexpr double radiansPerDegree = 3.14159265358979323846 / 180.0;

constexpr Vec3 xAxis{1.0, 0.0, 0.0};
constexpr Vec3 yAxis{0.0, 1.0, 0.0};
constexpr Vec3 zAxis{0.0, 0.0, 1.0};

// The largest offset, factor and angle an edit may set, and the smallest factor: far past
// anything the models need, near enough that a node stays in sight and its matrices invertible.
constexpr double largestOffset = 1000.0;
constexpr double largestFactor = 1000.0;
constexpr double smallestFactor = 0.001;
constexpr double largestAngle = 3600.0;

ModelSlot* slotAt(std::size_t model) {
    if (model >= modelList.size()) {
        return nullptr;
    }
    return *std::next(modelList.begin(), static_cast<std::ptrdiff_t>(model));
}

SceneNode* childAt(const SceneNode& parent, std::uint32_t position) {
    if (position >= parent.children.size()) {
        return nullptr;
    }
    return *std::next(parent.children.begin(), static_cast<std::ptrdiff_t>(position));
}

// What a value edit does, in a word: "move", "scale", "rotate".
const char* verbOf(TransformStep::Kind kind) {
    switch (kind) {
        case TransformStep::Kind::translate:
            return "move";
        case TransformStep::Kind::scale:
            return "scale";
        case TransformStep::Kind::rotate:
            return "rotate";
        case TransformStep::Kind::matrix:
            return "place";
    }
    return "";
}

// Why `value` cannot be field `field` of `step`, or nothing.
std::optional<std::string> checkValue(const TransformStep& step, StepField field, double value) {
    if (step.kind == TransformStep::Kind::matrix) {
        return std::string(
            "the matrix step a move gave it has no values to set; undo the move, "
            "or reset the node");
    }
    const bool isAngle = field == StepField::angle;
    if (isAngle != (step.kind == TransformStep::Kind::rotate)) {
        return std::string("a ") + verbOf(step.kind) + " step has no " + fieldName(field);
    }
    const std::string what =
        step.kind == TransformStep::Kind::rotate
            ? "rotate " + axisName(step.value) + ", degrees"
            : std::string(step.kind == TransformStep::Kind::scale ? "scale " : "translate ") +
                  fieldName(field);
    if (!std::isfinite(value)) {
        return what + ": not a finite number";
    }
    const double magnitude = std::fabs(value);
    switch (step.kind) {
        case TransformStep::Kind::translate:
            if (magnitude > largestOffset) {
                return what + ": " + std::to_string(value) + " is past the range -1000 to 1000";
            }
            break;
        case TransformStep::Kind::scale:
            if (magnitude < smallestFactor) {
                return what +
                       ": a scale of zero (or nearly) flattens the node and its subtree to "
                       "nothing; use 0.001 to 1000, or -0.001 to -1000";
            }
            if (magnitude > largestFactor) {
                return what + ": " + std::to_string(value) + " is past the range -1000 to 1000";
            }
            break;
        case TransformStep::Kind::rotate:
            if (magnitude > largestAngle) {
                return what + ": " + std::to_string(value) + " is past the range -3600 to 3600";
            }
            break;
        case TransformStep::Kind::matrix:
            break;
    }
    return std::nullopt;
}

void setField(TransformStep& step, StepField field, double value) {
    switch (field) {
        case StepField::x:
            step.value.x = value;
            break;
        case StepField::y:
            step.value.y = value;
            break;
        case StepField::z:
            step.value.z = value;
            break;
        case StepField::angle:
            step.angle = value * radiansPerDegree;
            break;
    }
}

NodePath parentOf(const NodePath& path) {
    return {path.model, {path.positions.begin(), path.positions.end() - 1}};
}

NodePath childOf(NodePath path, std::uint32_t position) {
    path.positions.push_back(position);
    return path;
}

// Whether `inner` is `outer` or lies below it.
bool within(const NodePath& inner, const NodePath& outer) {
    return inner.model == outer.model && inner.positions.size() >= outer.positions.size() &&
           std::equal(outer.positions.begin(), outer.positions.end(), inner.positions.begin());
}

// `path` as it reads once the child at `position` of `parent` is taken out (`by` -1) or a
// child is put in there (`by` +1): a later sibling's subtree shifts by one.
NodePath shifted(NodePath path, const NodePath& parent, std::uint32_t position, int by) {
    const std::size_t level = parent.positions.size();
    if (within(path, parent) && path.positions.size() > level &&
        path.positions[level] >= position + (by < 0 ? 1u : 0u)) {
        path.positions[level] =
            static_cast<std::uint32_t>(static_cast<std::int64_t>(path.positions[level]) + by);
    }
    return path;
}

// The node `below` the top of a subtree, or nullptr.
SceneNode* under(SceneNode* top, const std::vector<std::uint32_t>& below) {
    for (const std::uint32_t position : below) {
        top = top != nullptr ? childAt(*top, position) : nullptr;
    }
    return top;
}

// Every node of the subtree, parents first, without recursion.
template <class Visit>
void visitSubtree(SceneNode* top, Visit visit) {
    std::vector<SceneNode*> pending{top};
    while (!pending.empty()) {
        SceneNode* node = pending.back();
        pending.pop_back();
        visit(node);
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
            pending.push_back(*child);
        }
    }
}

// Where a new node sits in its parent: two units along the parent's x axis, so that it shows
// beside the parent's own shape rather than inside it, by the steps every placed node has.
TransformSteps newNodeSteps() {
    return {TransformStep::scale({1.0, 1.0, 1.0}), TransformStep::rotate({1.0, 0.0, 0.0}, 0.0),
            TransformStep::rotate({0.0, 1.0, 0.0}, 0.0),
            TransformStep::rotate({0.0, 0.0, 1.0}, 0.0), TransformStep::translate({2.0, 0.0, 0.0})};
}

// The most limbs a chain, and levels a ball tree, may have: a chain is built by recursion, and
// a tree past this depth has more balls than can be counted.
constexpr int largestChain = 1000;
constexpr int largestTree = 60;

// "the figure", "your model": a model as a line names it.
std::string theModel(const ModelSlot& slot) {
    return slot.name == "your model" ? slot.name : "the " + slot.name;
}

std::string pathText(const NodePath& path) {
    const ModelSlot* slot = slotAt(path.model);
    std::string text = slot != nullptr ? slot->name : "model " + std::to_string(path.model + 1);
    for (const std::uint32_t position : path.positions) {
        text += "/" + std::to_string(std::uint64_t{position} + 1);
    }
    return text;
}

}  // namespace

SceneNode* ModelDocument::find(const NodePath& path) const {
    const ModelSlot* slot = slotAt(path.model);
    if (slot == nullptr) {
        return nullptr;
    }
    SceneNode* node = slot->root;
    for (const std::uint32_t position : path.positions) {
        node = childAt(*node, position);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

NodeLabel ModelDocument::labelOf(const NodePath& path) const {
    const ModelSlot* slot = slotAt(path.model);
    if (slot == nullptr || find(path) == nullptr) {
        return {pathText(path), {}, 0, {}};
    }
    const SceneNode* node = slot->root;
    NodeLabel label = rootLabel(*slot);
    for (const std::uint32_t position : path.positions) {
        label = std::move(childLabels(*slot, *node, label)[position]);
        node = childAt(*node, position);
    }
    return label;
}

std::string ModelDocument::nameOf(const NodePath& path) const {
    return labelOf(path).name;
}

std::size_t ModelDocument::shownModel() const {
    return static_cast<std::size_t>(std::distance(modelList.begin(), currentModel));
}

std::optional<TransformSteps> ModelDocument::builtSteps(const NodePath& path) const {
    const ModelSlot* slot = slotAt(path.model);
    const SceneNode* node = find(path);
    if (slot == nullptr || node == nullptr) {
        return std::nullopt;
    }
    if (path.positions.empty()) {
        if (!slot->rootSteps.empty()) {
            return slot->rootSteps;
        }
    } else {
        // Kept steps first: a node moved, added or shifted is no longer where its parent's
        // class would place a child at its position.
        if (const TransformSteps* placed = slot->parts.stepsOf(node)) {
            return *placed;
        }
        NodePath parentPath{path.model, {path.positions.begin(), path.positions.end() - 1}};
        const SceneNode* parent = find(parentPath);
        if (std::optional<TransformSteps> placed = parent->childSteps(path.positions.back())) {
            return placed;
        }
    }
    // Placed by nothing: steps that leave it where it is.
    return TransformSteps{TransformStep::scale({1.0, 1.0, 1.0}), TransformStep::rotate(xAxis, 0.0),
                          TransformStep::rotate(yAxis, 0.0), TransformStep::rotate(zAxis, 0.0),
                          TransformStep::translate({0.0, 0.0, 0.0})};
}

void ModelDocument::compose(NodeEdit& edit) const {
    const Mat4 rest = restMatrix(edit.steps);
    if (edit.ownFrame) {
        edit.node->transform = rest.multiply(edit.builtInverse.multiply(edit.unedited));
    } else {
        edit.node->transform = edit.unedited.multiply(edit.builtInverse).multiply(rest);
    }
}

void ModelDocument::resolve(const NodePath& path, NodeEdit& edit) {
    edit.node = find(path);
    if (edit.node == nullptr) {
        return;
    }
    edit.unedited = edit.node->transform;
    edit.builtInverse = restMatrix(*builtSteps(path)).inverse().value_or(Mat4());
    edit.ownFrame = edit.node->movesInOwnFrame();
    compose(edit);
}

std::optional<std::string> ModelDocument::followRebuild() {
    std::size_t lost = 0;
    std::size_t undone = 0;
    std::string example;
    std::size_t model = 0;
    for (ModelSlot* slot : modelList) {
        if ((slot == chainSlot || slot == treeSlot) && model < builds_.size() &&
            slot->builds != builds_[model]) {
            builds_[model] = slot->builds;
            // The model is a new build: its structural changes are done again first, with the
            // edits set aside, since those are kept by the paths they lead to afterwards.
            auto first = edits_.lower_bound(NodePath{model, {}});
            auto last = first;
            while (last != edits_.end() && last->first.model == model) {
                ++last;
            }
            std::map<NodePath, NodeEdit> aside;
            aside.insert(std::make_move_iterator(first), std::make_move_iterator(last));
            edits_.erase(first, last);
            slot->parts.clear();
            undone += replayStructure(model);
            for (auto& [path, nodeEdit] : aside) {
                // Whether it had its node in the old build (the pointer is only compared).
                const bool had = nodeEdit.node != nullptr;
                auto placed = edits_.emplace(path, std::move(nodeEdit)).first;
                resolve(placed->first, placed->second);
                if (had && placed->second.node == nullptr) {
                    ++lost;
                    example = pathText(placed->first);
                }
            }
        }
        ++model;
    }
    if (undone > 0) {
        return "depth " + std::to_string(recursionDepth) + " lacks nodes that " +
               std::to_string(undone) +
               (undone == 1 ? " change to the structure is" : " changes to the structure are") +
               " about; kept for a depth that has them";
    }
    if (lost == 0) {
        return std::nullopt;
    }
    if (lost == 1) {
        return "depth " + std::to_string(recursionDepth) + " has no node " + example +
               "; its edit is kept for a depth that has it";
    }
    return "depth " + std::to_string(recursionDepth) + " lacks " + std::to_string(lost) +
           " edited nodes (" + example +
           " among them); their edits are kept for a depth that "
           "has them";
}

void ModelDocument::animateShown() {
    const std::size_t shown = shownModel();
    if (held_ > 0) {
        animateHeld(shown);
    }
    for (auto& [path, edit] : edits_) {
        if (path.model == shown && edit.node != nullptr) {
            edit.node->transform = edit.unedited;
        }
    }
    animateTree((*currentModel)->root);
    for (auto& [path, edit] : edits_) {
        if (path.model == shown && edit.node != nullptr) {
            edit.unedited = edit.node->transform;
            compose(edit);
        }
    }
}

std::optional<std::string> ModelDocument::setRest(const NodePath& path,
                                                  const std::optional<TransformSteps>& steps) {
    auto found = edits_.find(path);
    if (!steps || (builtSteps(path) && *steps == *builtSteps(path))) {
        if (found != edits_.end()) {
            if (found->second.node != nullptr) {
                found->second.node->transform = found->second.unedited;
            }
            edits_.erase(found);
        }
        return std::nullopt;
    }
    if (found == edits_.end()) {
        NodeEdit edit;
        edit.steps = *steps;
        resolve(path, edits_.emplace(path, std::move(edit)).first->second);
        return std::nullopt;
    }
    found->second.steps = *steps;
    if (found->second.node != nullptr) {
        compose(found->second);
    }
    return std::nullopt;
}

void ModelDocument::restore(const Rests& rests) {
    for (const auto& [path, steps] : rests) {
        setRest(path, steps);
    }
}

Applied ModelDocument::change(const Edit& edit) {
    Applied applied;
    const ModelSlot* slot = slotAt(edit.node.model);
    if (slot == nullptr) {
        applied.line = "there is no model " + std::to_string(edit.node.model + 1) +
                       (modelList.size() > 4 ? "; the models are chain, figure, fan, tree and yours"
                                             : "; the models are chain, figure, fan and tree");
        return applied;
    }
    Change made;
    if (edit.kind == Edit::Kind::resetModel) {
        for (const auto& [path, nodeEdit] : edits_) {
            if (path.model == edit.node.model) {
                made.before.emplace_back(path, nodeEdit.steps);
                made.after.emplace_back(path, std::nullopt);
            }
        }
        if (made.before.empty()) {
            return applied;  // nothing of it is edited
        }
        made.name = "reset " + slot->name;
    } else {
        if (find(edit.node) == nullptr) {
            applied.line = theModel(*slot) + " has no node " + pathText(edit.node) +
                           " (now); the edit is left out";
            return applied;
        }
        const auto found = edits_.find(edit.node);
        std::optional<TransformSteps> before;
        if (found != edits_.end()) {
            before = found->second.steps;
        }
        if (edit.kind == Edit::Kind::resetNode) {
            if (!before) {
                return applied;  // already as built
            }
            made.name = "reset " + nameOf(edit.node);
            made.after.emplace_back(edit.node, std::nullopt);
        } else {
            TransformSteps steps = before ? *before : *builtSteps(edit.node);
            if (edit.step >= steps.size()) {
                applied.line = nameOf(edit.node) + " has " + std::to_string(steps.size()) +
                               " steps, not " + std::to_string(std::uint64_t{edit.step} + 1);
                return applied;
            }
            if (std::optional<std::string> problem =
                    checkValue(steps[edit.step], edit.field, edit.value)) {
                applied.line = nameOf(edit.node) + ", " + *problem;
                return applied;
            }
            setField(steps[edit.step], edit.field, edit.value);
            made.name = std::string(verbOf(steps[edit.step].kind)) + " " + nameOf(edit.node);
            made.after.emplace_back(edit.node, steps);
            made.setting = edit;
        }
        made.before.emplace_back(edit.node, before);
    }
    applied.restChanged = true;
    restore(made.after);

    // A value that goes on from the one before it on the same field is the same step of the
    // history; only animation steps may have come between them.
    if (edit.continues && settingOpen_ && !undo_.empty() && undo_.back().setting) {
        Change& last = undo_.back();
        const Edit& previous = *last.setting;
        if (previous.node == edit.node && previous.step == edit.step &&
            previous.field == edit.field) {
            last.after = std::move(made.after);
            last.setting->value = edit.value;
            if (last.historyIndex) {
                history_[*last.historyIndex].value = edit.value;
                ++revision_;
            }
            return applied;
        }
    }
    record(edit);
    if (keepHistory_ && !history_.empty()) {
        made.historyIndex = history_.size() - 1;
    }
    undo_.push_back(std::move(made));
    discardAll(redo_);
    settingOpen_ = edit.kind == Edit::Kind::setValue;
    return applied;
}

void ModelDocument::record(const Edit& edit) {
    if (edit.kind != Edit::Kind::steps && edit.kind != Edit::Kind::idle) {
        settingOpen_ = false;
    }
    if (!keepHistory_) {
        return;
    }
    ++revision_;
    try {
        append(edit);
    } catch (const std::bad_alloc&) {
        // The history stops where memory did; the model itself has taken the edit.
        keepHistory_ = false;
        historyCut_ = true;
    }
}

void ModelDocument::append(const Edit& edit) {
    switch (edit.kind) {
        case Edit::Kind::keys:
            if (keysOpen_ && !history_.empty() && history_.back().kind == Edit::Kind::keys) {
                history_.back().keys += edit.keys;
            } else {
                history_.push_back(edit);
                keysOpen_ = true;
            }
            return;
        case Edit::Kind::steps:
        case Edit::Kind::idle:
            if (edit.count <= 0) {
                return;
            }
            if (!history_.empty() && history_.back().kind == Edit::Kind::steps &&
                history_.back().count <= maxFrames - edit.count) {
                history_.back().count += edit.count;
            } else {
                history_.push_back(Edit::stepped(edit.count));
            }
            return;
        default:
            history_.push_back(edit);
            history_.back().continues = false;
            keysOpen_ = false;
            return;
    }
}

Applied ModelDocument::typeKeys(const std::string& keys) {
    Applied applied;
    for (const char key : keys) {
        const auto shownBefore = currentModel;
        const int depthBefore = recursionDepth;
        if (std::optional<std::string> line = pressKey(static_cast<unsigned char>(key))) {
            applied.line = std::move(line);
        }
        // A depth key builds the recursive models anew even at the same depth ("-" at 1), and
        // a new root may take the old one's address: their edits are found again every time.
        const bool depthKey = key == '+' || key == '=' || key == '-';
        if (depthKey) {
            if (std::optional<std::string> line = followRebuild()) {
                applied.line = std::move(line);
            }
        }
        const bool recursiveShown = *currentModel == chainSlot || *currentModel == treeSlot;
        if (currentModel != shownBefore ||
            (depthKey && recursiveShown && (recursionDepth != depthBefore || key == '-'))) {
            applied.modelReplaced = true;
        }
    }
    return applied;
}

Applied ModelDocument::apply(const Edit& edit) {
    Applied applied;
    switch (edit.kind) {
        case Edit::Kind::keys:
            applied = typeKeys(edit.keys);
            record(edit);
            return applied;
        case Edit::Kind::steps:
            for (int i = 0; i < edit.count; ++i) {
                animateShown();
            }
            record(edit);
            return applied;
        case Edit::Kind::idle:
            if (animating) {
                for (int i = 0; i < edit.count; ++i) {
                    animateShown();
                }
                record(edit);
            }
            return applied;
        case Edit::Kind::setValue:
        case Edit::Kind::resetNode:
        case Edit::Kind::resetModel:
            return change(edit);
        case Edit::Kind::move:
        case Edit::Kind::add:
        case Edit::Kind::copy:
        case Edit::Kind::remove:
        case Edit::Kind::depth:
            return restructure(edit);
        case Edit::Kind::undo:
        case Edit::Kind::redo: {
            std::vector<Change>& from = edit.kind == Edit::Kind::undo ? undo_ : redo_;
            std::vector<Change>& to = edit.kind == Edit::Kind::undo ? redo_ : undo_;
            if (from.empty()) {
                applied.line =
                    edit.kind == Edit::Kind::undo ? "nothing to undo" : "nothing to redo";
                return applied;
            }
            Change taken = std::move(from.back());
            from.pop_back();
            const std::size_t model = taken.structural ? taken.structural->node.model : 0;
            if (edit.kind == Edit::Kind::undo) {
                restore(taken.before);
                if (taken.done) {
                    taken.done = doSplices(model, taken.splices, false);
                }
                applied.at = taken.atUndone;
            } else {
                if (taken.done) {
                    taken.done = doSplices(model, taken.splices, true);
                }
                restore(taken.after);
                applied.at = taken.atDone;
            }
            applied.structureChanged = !taken.splices.empty() && model == shownModel();
            record(edit);
            // Undone or redone, it is no longer the edit a continuing value goes on from.
            taken.setting.reset();
            to.push_back(std::move(taken));
            countHeld();
            applied.restChanged = true;
            return applied;
        }
    }
    return applied;
}

std::optional<std::string> ModelDocument::undoName() const {
    if (undo_.empty()) {
        return std::nullopt;
    }
    return undo_.back().name;
}

std::optional<std::string> ModelDocument::redoName() const {
    if (redo_.empty()) {
        return std::nullopt;
    }
    return redo_.back().name;
}

std::optional<ModelDocument::NodeRest> ModelDocument::restOf(const NodePath& path) const {
    SceneNode* node = find(path);
    if (node == nullptr) {
        return std::nullopt;
    }
    NodeRest rest;
    rest.built = *builtSteps(path);
    rest.ownFrame = node->movesInOwnFrame();
    const auto found = edits_.find(path);
    rest.now = found != edits_.end() ? found->second.steps : rest.built;
    const Mat4 unedited = found != edits_.end() ? found->second.unedited : node->transform;
    const Mat4 builtInverse = restMatrix(rest.built).inverse().value_or(Mat4());
    rest.motion = rest.ownFrame ? builtInverse.multiply(unedited) : unedited.multiply(builtInverse);
    return rest;
}

void ModelDocument::keepHistory(bool keep) {
    keepHistory_ = keep;
}

void ModelDocument::forget() {
    discardAll(undo_);
    discardAll(redo_);
    builds_.fill(0);
    keepHistory_ = false;
    settingOpen_ = false;
    historyCut_ = false;
    edits_.clear();
    history_.clear();
    undo_.clear();
    redo_.clear();
    keysOpen_ = false;
}

// Structural edits: subtrees moved, added, copied, taken out and built anew.

std::optional<int> ModelDocument::levelsOf(const NodePath& path) const {
    const SceneNode* node = find(path);
    if (dynamic_cast<const SwingingLimb*>(node) == nullptr &&
        dynamic_cast<const BallTree*>(node) == nullptr) {
        return std::nullopt;
    }
    const bool chain = dynamic_cast<const SwingingLimb*>(node) != nullptr;
    int levels = 1;
    while (true) {
        const SceneNode* next = nullptr;
        for (const SceneNode* child : node->children) {
            const auto* limb = dynamic_cast<const SwingingLimb*>(child);
            if (chain ? limb != nullptr && !limb->isRoot
                      : dynamic_cast<const BallTree*>(child) != nullptr) {
                next = child;
                break;
            }
        }
        if (next == nullptr) {
            return levels;
        }
        node = next;
        ++levels;
    }
}

std::optional<Mat4> ModelDocument::worldOf(const NodePath& path) const {
    const ModelSlot* slot = slotAt(path.model);
    if (slot == nullptr || find(path) == nullptr) {
        return std::nullopt;
    }
    const SceneNode* node = slot->root;
    Mat4 world = node->transform;
    for (const std::uint32_t position : path.positions) {
        node = childAt(*node, position);
        world = world.multiply(node->transform);
    }
    return world;
}

void ModelDocument::freezeChildren(const NodePath& parentPath, std::uint32_t position) {
    ModelSlot* slot = slotAt(parentPath.model);
    const SceneNode* parent = find(parentPath);
    if (slot == nullptr || parent == nullptr || position >= parent->children.size()) {
        return;
    }
    const NodeLabel parentLabel = labelOf(parentPath);
    auto child = std::next(parent->children.begin(), static_cast<std::ptrdiff_t>(position));
    for (std::uint32_t at = position; child != parent->children.end(); ++child, ++at) {
        if (slot->parts.find(*child) == nullptr) {
            if (std::optional<NodeLabel> label = parent->childLabel(parentLabel, at)) {
                slot->parts.give(*child, std::move(*label));
            }
        }
        if (slot->parts.stepsOf(*child) == nullptr) {
            if (std::optional<TransformSteps> steps = parent->childSteps(at)) {
                slot->parts.placed(*child, std::move(*steps));
            }
        }
    }
}

SceneNode* ModelDocument::takeOut(std::size_t model, const Place& place, Splice& splice) {
    ModelSlot* slot = slotAt(model);
    SceneNode* node = nullptr;
    NodePath top{model, {}};
    if (place.position == rootPosition) {
        node = slot->root;
        slot->root = nullptr;
    } else {
        SceneNode* parent = find(place.parent);
        if (parent == nullptr || place.position >= parent->children.size()) {
            return nullptr;
        }
        freezeChildren(place.parent, place.position);
        auto at = std::next(parent->children.begin(), static_cast<std::ptrdiff_t>(place.position));
        node = *at;
        top = childOf(place.parent, place.position);
        // The node keeps its name and the steps it was built with wherever it goes next.
        if (slot->parts.find(node) == nullptr) {
            slot->parts.give(node, labelOf(top));
        }
        if (slot->parts.stepsOf(node) == nullptr) {
            slot->parts.placed(node, *builtSteps(top));
        }
        parent->children.erase(at);
        if (const NodeLabel* label = slot->parts.find(node)) {
            splice.label = *label;
        }
        if (const TransformSteps* steps = slot->parts.stepsOf(node)) {
            splice.placed = *steps;
        }
    }
    // The subtree's edits go with it; those of later siblings shift down by one.
    for (auto entry = edits_.lower_bound(NodePath{model, {}});
         entry != edits_.end() && entry->first.model == model;) {
        if (within(entry->first, top)) {
            splice.heldEdits.push_back({{entry->first.positions.begin() +
                                             static_cast<std::ptrdiff_t>(top.positions.size()),
                                         entry->first.positions.end()},
                                        std::move(entry->second)});
            entry = edits_.erase(entry);
        } else {
            ++entry;
        }
    }
    if (place.position != rootPosition) {
        shiftEdits(model, place, -1);
    }
    return node;
}

void ModelDocument::shiftEdits(std::size_t model, const Place& place, int by) {
    std::vector<std::pair<NodePath, NodeEdit>> shift;
    for (auto entry = edits_.lower_bound(NodePath{model, {}});
         entry != edits_.end() && entry->first.model == model;) {
        NodePath moved = shifted(entry->first, place.parent, place.position, by);
        if (moved != entry->first) {
            shift.emplace_back(std::move(moved), std::move(entry->second));
            entry = edits_.erase(entry);
        } else {
            ++entry;
        }
    }
    for (auto& [path, nodeEdit] : shift) {
        edits_.emplace(std::move(path), std::move(nodeEdit));
    }
}

void ModelDocument::putIn(std::size_t model, const Place& place, SceneNode* node, Splice& splice) {
    ModelSlot* slot = slotAt(model);
    NodePath top{model, {}};
    if (place.position == rootPosition) {
        slot->root = node;
    } else {
        SceneNode* parent = find(place.parent);
        freezeChildren(place.parent, place.position);
        parent->children.insert(
            std::next(parent->children.begin(), static_cast<std::ptrdiff_t>(place.position)), node);
        top = childOf(place.parent, place.position);
        if (splice.label || splice.placed) {
            slot->parts.forget(node);
        }
        if (splice.label) {
            slot->parts.give(node, *splice.label);
        }
        if (splice.placed) {
            slot->parts.placed(node, *splice.placed);
        }
        shiftEdits(model, place, 1);
    }
    for (HeldEdit& held : splice.heldEdits) {
        NodePath path = top;
        path.positions.insert(path.positions.end(), held.below.begin(), held.below.end());
        edits_.insert_or_assign(std::move(path), std::move(held.edit));
    }
    splice.heldEdits.clear();
}

bool ModelDocument::doSplices(std::size_t model, std::vector<Splice>& splices, bool forward) {
    const auto count = static_cast<std::ptrdiff_t>(splices.size());
    const auto at = [&](std::ptrdiff_t i) -> Splice& {
        return splices[static_cast<std::size_t>(forward ? i : count - 1 - i)];
    };
    // A place not where it was: what was done so far is taken back, and nothing changes.
    const auto takeBack = [&](std::ptrdiff_t done) {
        for (std::ptrdiff_t j = done - 1; j >= 0; --j) {
            std::vector<Splice> one;
            one.push_back(std::move(at(j)));
            doSplices(model, one, !forward);
            at(j) = std::move(one.front());
        }
        return false;
    };
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        Splice& splice = at(i);
        const std::optional<Place>& from = forward ? splice.out : splice.in;
        const std::optional<Place>& to = forward ? splice.in : splice.out;
        SceneNode* node = splice.held;
        if (from) {
            node = takeOut(model, *from, splice);
            if (node == nullptr) {
                return takeBack(i);
            }
        }
        if (to) {
            const SceneNode* parent = to->position == rootPosition ? nullptr : find(to->parent);
            if (to->position != rootPosition &&
                (parent == nullptr || to->position > parent->children.size())) {
                if (from) {
                    putIn(model, *from, node, splice);
                }
                return takeBack(i);
            }
            putIn(model, *to, node, splice);
            splice.held = nullptr;
        } else {
            splice.held = node;
        }
    }
    countHeld();
    return true;
}

void ModelDocument::countHeld() {
    held_ = 0;
    for (const std::vector<Change>* changes : {&undo_, &redo_}) {
        for (const Change& change : *changes) {
            for (const Splice& splice : change.splices) {
                held_ += splice.held != nullptr ? 1 : 0;
            }
        }
    }
}

void ModelDocument::discard(Change& change) {
    ModelSlot* slot = change.structural ? slotAt(change.structural->node.model) : nullptr;
    for (Splice& splice : change.splices) {
        if (splice.held == nullptr) {
            continue;
        }
        if (slot != nullptr && !slot->parts.empty()) {
            visitSubtree(splice.held, [slot](SceneNode* node) { slot->parts.forget(node); });
        }
        delete splice.held;
        splice.held = nullptr;
        splice.heldEdits.clear();
    }
}

void ModelDocument::discardAll(std::vector<Change>& changes) {
    for (Change& change : changes) {
        discard(change);
    }
    changes.clear();
    countHeld();
}

void ModelDocument::animateHeld(std::size_t model) {
    for (std::vector<Change>* changes : {&undo_, &redo_}) {
        for (Change& change : *changes) {
            if (!change.structural || change.structural->node.model != model) {
                continue;
            }
            for (Splice& splice : change.splices) {
                if (splice.held == nullptr) {
                    continue;
                }
                for (HeldEdit& held : splice.heldEdits) {
                    if (held.edit.node != nullptr) {
                        held.edit.node->transform = held.edit.unedited;
                    }
                }
                animateTree(splice.held);
                for (HeldEdit& held : splice.heldEdits) {
                    if (held.edit.node != nullptr) {
                        held.edit.unedited = held.edit.node->transform;
                        compose(held.edit);
                    }
                }
            }
        }
    }
}

std::optional<std::string> ModelDocument::checkRoom(std::uint64_t nodes, std::uint64_t balls,
                                                    const std::string& what,
                                                    const std::string& otherwise) const {
    const std::uint64_t need = memoryNeededForNodes(nodes, balls);
    const std::uint64_t obtainable = obtainableMemory();
    if (fitsInMemory(need, obtainable)) {
        return std::nullopt;
    }
    return what + " needs " + describeSize(need) + " but " +
           describeSize(usableMemory(obtainable)) + " is available; " + otherwise;
}

std::optional<std::string> ModelDocument::plan(const Edit& edit, Change& made, bool replaying) {
    const ModelSlot* slot = slotAt(edit.node.model);
    SceneNode* node = find(edit.node);
    if (node == nullptr) {
        return theModel(*slot) + " has no node " + pathText(edit.node) +
               " (now); the edit is left out";
    }
    switch (edit.kind) {
        case Edit::Kind::move:
            return planMove(edit, made, replaying);
        case Edit::Kind::add:
            return planAdd(edit, made);
        case Edit::Kind::copy:
            return planCopy(edit, made, replaying);
        case Edit::Kind::depth:
            return planDepth(edit, made, replaying);
        default:
            break;
    }
    // Taking a node out.
    if (edit.node.positions.empty()) {
        return "the root of " + theModel(*slot) + " cannot be deleted; delete a node under it";
    }
    made.name = "delete " + nameOf(edit.node);
    Splice splice;
    splice.out = Place{parentOf(edit.node), edit.node.positions.back()};
    made.splices.push_back(std::move(splice));
    made.atDone = parentOf(edit.node);
    made.atUndone = edit.node;
    return std::nullopt;
}

std::optional<std::string> ModelDocument::planMove(const Edit& edit, Change& made, bool replaying) {
    const std::string name = nameOf(edit.node);
    if (edit.node.positions.empty()) {
        return "the root of " + theModel(*slotAt(edit.node.model)) + " cannot be moved";
    }
    if (edit.target.model != edit.node.model) {
        return name + " can move only within its own model";
    }
    const SceneNode* target = find(edit.target);
    if (target == nullptr) {
        return theModel(*slotAt(edit.node.model)) + " has no node " + pathText(edit.target) +
               " (now) to move " + name + " under";
    }
    if (edit.target == edit.node) {
        return name + " cannot move under itself";
    }
    if (within(edit.target, edit.node)) {
        return name + " cannot move under " + nameOf(edit.target) + ", which lies below it";
    }
    const NodePath parent = parentOf(edit.node);
    if (edit.target == parent) {
        return name + " is under " + nameOf(parent) + " already";
    }
    const std::uint32_t position = edit.node.positions.back();
    const NodePath newParent = shifted(edit.target, parent, position, -1);
    const auto newPosition = static_cast<std::uint32_t>(target->children.size());
    const NodePath moved = childOf(newParent, newPosition);
    if (edit.keepWorld && !replaying) {
        // The rest gains the step that takes the new parent's frame to the old one's, so that
        // the node's local transform becomes the new parent's world inverse times its world.
        const std::optional<Mat4> targetInverse = worldOf(edit.target)->inverse();
        if (!targetInverse) {
            return "Keep its place in the world: the world matrix of " + nameOf(edit.target) +
                   " cannot be inverted (a scale of zero); keep its local transform instead";
        }
        const Mat4 change = targetInverse->multiply(*worldOf(parent));
        const NodeRest rest = *restOf(edit.node);
        Mat4 step = change;
        if (!rest.ownFrame) {
            // The motion acts before the rest, in the parent's frame: the step goes inside it.
            if (const std::optional<Mat4> undoMotion = rest.motion.inverse()) {
                step = undoMotion->multiply(change).multiply(rest.motion);
            }
        }
        if (!(step == Mat4())) {
            const auto found = edits_.find(edit.node);
            TransformSteps steps = rest.now;
            steps.push_back(TransformStep::matrixOf(step));
            made.before.emplace_back(moved, found != edits_.end()
                                                ? std::optional<TransformSteps>(rest.now)
                                                : std::nullopt);
            made.after.emplace_back(moved, std::move(steps));
        }
    }
    made.name = "move " + name + " under " + nameOf(edit.target);
    Splice splice;
    splice.out = Place{parent, position};
    splice.in = Place{newParent, newPosition};
    made.splices.push_back(std::move(splice));
    made.atDone = moved;
    made.atUndone = edit.node;
    return std::nullopt;
}

std::optional<std::string> ModelDocument::planAdd(const Edit& edit, Change& made) {
    SceneNode* parent = find(edit.node);
    std::uint64_t nodes = 1;
    std::uint64_t balls = 0;
    std::string what = newNodeName(edit.made);
    if (edit.made == NewNode::chain) {
        if (edit.count < 1 || edit.count > largestChain) {
            return "a chain has 1 to " + std::to_string(largestChain) + " limbs, not " +
                   std::to_string(edit.count);
        }
        nodes = static_cast<std::uint64_t>(edit.count);
        what = "a chain of " + std::to_string(edit.count) + " limbs";
    } else if (edit.made == NewNode::tree) {
        if (edit.count < 1 || edit.count > largestTree) {
            return "a ball tree has a depth of 1 to " + std::to_string(largestTree) + ", not " +
                   std::to_string(edit.count);
        }
        nodes = balls = treeBalls(edit.count);
        what = "a ball tree of depth " + std::to_string(edit.count);
    } else if (edit.made == NewNode::ball) {
        balls = 1;
    }
    if (std::optional<std::string> refused = checkRoom(nodes, balls, what, "nothing added")) {
        return refused;
    }
    // Numbered among the parent's children of the same class: "ball 2 under head".
    const char* className = nullptr;
    SceneNode* node = nullptr;
    try {
        switch (edit.made) {
            case NewNode::group:
                node = new SceneNode;
                break;
            case NewNode::ball:
                node = new Ball(1.0);
                break;
            case NewNode::limb:
                node = new Limb(0.5, 3.0);
                break;
            case NewNode::chain:
                node = new SwingingLimb(edit.count, true);
                break;
            case NewNode::tree:
                node = new BallTree(edit.count);
                break;
        }
    } catch (const std::bad_alloc&) {
        return what + " ran out of memory; nothing added";
    }
    className = node->className();
    std::size_t number = 1;
    for (const SceneNode* child : parent->children) {
        number += std::string_view(child->className()) == className ? 1 : 0;
    }
    const std::string word = edit.made == NewNode::tree ? "ball tree" : newNodeName(edit.made);
    const std::string label = word + " " + std::to_string(number) + " under " + nameOf(edit.node);
    Splice splice;
    splice.placed = newNodeSteps();
    for (const TransformStep& step : *splice.placed) {
        node->applyStep(step);
    }
    splice.label = edit.made == NewNode::chain  ? SwingingLimb::chainLabel(label)
                   : edit.made == NewNode::tree ? NodeLabel{label, {}, 1, {}}
                                                : NodeLabel{label, {}, 0, {}};
    const auto position = static_cast<std::uint32_t>(parent->children.size());
    splice.in = Place{edit.node, position};
    splice.held = node;
    made.name = "add " + label;
    made.splices.push_back(std::move(splice));
    made.atDone = childOf(edit.node, position);
    made.atUndone = edit.node;
    return std::nullopt;
}

std::optional<std::string> ModelDocument::planCopy(const Edit& edit, Change& made, bool replaying) {
    ModelSlot* slot = slotAt(edit.node.model);
    SceneNode* source = find(edit.node);
    const std::string name = nameOf(edit.node);
    if (edit.node.positions.empty()) {
        return "the root of " + theModel(*slot) + " cannot be copied; copy a node under it";
    }
    const std::uint64_t nodes = 1 + countBelow(*source);
    if (std::optional<std::string> refused =
            checkRoom(nodes, nodes, "a copy of " + name + " (" + std::to_string(nodes) + " nodes)",
                      "nothing copied")) {
        return refused;
    }
    // The copy starts from each node's unedited transform; the edits are copied as edits.
    std::unordered_map<const SceneNode*, const NodeEdit*> edited;
    for (auto entry = edits_.lower_bound(edit.node);
         entry != edits_.end() && within(entry->first, edit.node); ++entry) {
        if (entry->second.node != nullptr) {
            edited.emplace(entry->second.node, &entry->second);
        }
    }
    SceneNode* copy = nullptr;
    try {
        std::vector<std::pair<const SceneNode*, SceneNode*>> pending;
        copy = source->copyAlone();
        pending.emplace_back(source, copy);
        while (!pending.empty()) {
            const auto [from, to] = pending.back();
            pending.pop_back();
            if (const auto found = edited.find(from); found != edited.end()) {
                to->transform = found->second->unedited;
            }
            if (from != source) {
                if (const NodeLabel* label = slot->parts.find(from)) {
                    NodeLabel renamed = *label;
                    renamed.name += " (copy)";
                    if (!renamed.chain.empty()) {
                        renamed.chain += " (copy)";
                    }
                    slot->parts.give(to, std::move(renamed));
                }
                if (const TransformSteps* steps = slot->parts.stepsOf(from)) {
                    slot->parts.placed(to, *steps);
                }
            }
            for (const SceneNode* child : from->children) {
                pending.emplace_back(child, to->addChild(child->copyAlone()));
            }
        }
    } catch (const std::bad_alloc&) {
        if (copy != nullptr) {
            visitSubtree(copy, [slot](SceneNode* node) { slot->parts.forget(node); });
        }
        delete copy;
        return "a copy of " + name + " ran out of memory; nothing copied";
    }
    Splice splice;
    NodeLabel label = labelOf(edit.node);
    label.name += " (copy)";
    if (!label.chain.empty()) {
        label.chain += " (copy)";
    }
    splice.label = std::move(label);
    splice.placed = builtSteps(edit.node);
    const std::uint32_t position = edit.node.positions.back() + 1;
    const NodePath copyPath = childOf(parentOf(edit.node), position);
    splice.in = Place{parentOf(edit.node), position};
    splice.held = copy;
    if (!replaying) {
        for (auto entry = edits_.lower_bound(edit.node);
             entry != edits_.end() && within(entry->first, edit.node); ++entry) {
            NodePath path = copyPath;
            path.positions.insert(path.positions.end(),
                                  entry->first.positions.begin() +
                                      static_cast<std::ptrdiff_t>(edit.node.positions.size()),
                                  entry->first.positions.end());
            made.before.emplace_back(path, std::nullopt);
            made.after.emplace_back(std::move(path), entry->second.steps);
        }
    }
    made.name = "copy " + name;
    made.splices.push_back(std::move(splice));
    made.atDone = copyPath;
    made.atUndone = edit.node;
    return std::nullopt;
}

std::optional<std::string> ModelDocument::planDepth(const Edit& edit, Change& made,
                                                    bool replaying) {
    SceneNode* old = find(edit.node);
    const std::string name = nameOf(edit.node);
    const std::optional<int> levels = levelsOf(edit.node);
    if (!levels) {
        return name + " is neither a chain nor a ball tree; only those have a depth of their own";
    }
    auto* oldLimb = dynamic_cast<SwingingLimb*>(old);
    const int largest = oldLimb != nullptr ? largestChain : largestTree;
    if (edit.count < 1 || edit.count > largest) {
        return name + ": a depth of 1 to " + std::to_string(largest) + ", not " +
               std::to_string(edit.count);
    }
    if (edit.count == *levels && !replaying) {
        return name + " has depth " + std::to_string(*levels) + " already";
    }
    const std::uint64_t nodes =
        oldLimb != nullptr ? static_cast<std::uint64_t>(edit.count) : treeBalls(edit.count);
    if (std::optional<std::string> refused =
            checkRoom(nodes, oldLimb != nullptr ? 0 : nodes,
                      "depth " + std::to_string(edit.count) + " for " + name,
                      "staying at depth " + std::to_string(*levels))) {
        return refused;
    }
    const auto found = edits_.find(edit.node);
    SceneNode* fresh = nullptr;
    try {
        if (oldLimb != nullptr) {
            auto* limb = new SwingingLimb(edit.count, oldLimb->isRoot);
            limb->frameCount = oldLimb->frameCount;
            fresh = limb;
        } else {
            fresh = new BallTree(edit.count);
        }
    } catch (const std::bad_alloc&) {
        return "depth " + std::to_string(edit.count) + " for " + name +
               " ran out of memory; staying at depth " + std::to_string(*levels);
    }
    fresh->transform = found != edits_.end() && found->second.node != nullptr
                           ? found->second.unedited
                           : old->transform;
    const bool root = edit.node.positions.empty();
    const Place place = root ? Place{NodePath{edit.node.model, {}}, rootPosition}
                             : Place{parentOf(edit.node), edit.node.positions.back()};
    Splice out;
    out.out = place;
    Splice in;
    in.in = place;
    in.held = fresh;
    if (!root) {
        in.label = labelOf(edit.node);
        in.placed = builtSteps(edit.node);
    }
    if (!replaying) {
        // The edits of the old nodes carry over to the new ones the new depth has.
        for (auto entry = edits_.lower_bound(edit.node);
             entry != edits_.end() && within(entry->first, edit.node); ++entry) {
            const std::vector<std::uint32_t> below(
                entry->first.positions.begin() +
                    static_cast<std::ptrdiff_t>(edit.node.positions.size()),
                entry->first.positions.end());
            if (under(fresh, below) != nullptr) {
                made.before.emplace_back(entry->first, std::nullopt);
                made.after.emplace_back(entry->first, entry->second.steps);
            }
        }
    }
    made.name = (edit.count > *levels ? "deepen " : "make shallower ") + name;
    made.splices.push_back(std::move(out));
    made.splices.push_back(std::move(in));
    made.atDone = edit.node;
    made.atUndone = edit.node;
    return std::nullopt;
}

Applied ModelDocument::restructure(const Edit& edit) {
    Applied applied;
    if (slotAt(edit.node.model) == nullptr) {
        applied.line = "there is no model " + std::to_string(edit.node.model + 1);
        return applied;
    }
    Change made;
    made.structural = edit;
    if (std::optional<std::string> refused = plan(edit, made, false)) {
        discard(made);
        applied.line = std::move(refused);
        return applied;
    }
    if (!doSplices(edit.node.model, made.splices, true)) {
        discard(made);
        applied.line =
            theModel(*slotAt(edit.node.model)) + " changed under the edit; it is left out";
        return applied;
    }
    restore(made.after);
    record(edit);
    if (keepHistory_ && !history_.empty()) {
        made.historyIndex = history_.size() - 1;
    }
    applied.structureChanged = edit.node.model == shownModel();
    applied.restChanged = !made.after.empty();
    applied.at = made.atDone;
    undo_.push_back(std::move(made));
    discardAll(redo_);  // counts the subtrees held, the new change's among them
    settingOpen_ = false;
    return applied;
}

std::size_t ModelDocument::replayStructure(std::size_t model) {
    std::size_t notDone = 0;
    for (Change& change : undo_) {
        if (!change.structural || change.structural->node.model != model) {
            continue;
        }
        // What the old build's subtrees held is let go; their edits are found again in the
        // subtrees the new build gives.
        std::vector<std::vector<HeldEdit>> heldEdits;
        for (Splice& splice : change.splices) {
            heldEdits.push_back(std::move(splice.heldEdits));
        }
        discard(change);
        change.splices.clear();
        Change fresh;
        change.done =
            !plan(*change.structural, fresh, true) && doSplices(model, fresh.splices, true);
        if (!change.done) {
            discard(fresh);
            ++notDone;
            continue;
        }
        for (std::size_t i = 0; i < fresh.splices.size() && i < heldEdits.size(); ++i) {
            Splice& splice = fresh.splices[i];
            if (splice.held == nullptr) {
                continue;
            }
            for (HeldEdit& held : heldEdits[i]) {
                held.edit.node = under(splice.held, held.below);
                if (held.edit.node != nullptr) {
                    held.edit.unedited = held.edit.node->transform;
                    compose(held.edit);
                }
                splice.heldEdits.push_back(std::move(held));
            }
        }
        change.splices = std::move(fresh.splices);
    }
    countHeld();
    return notDone;
}
