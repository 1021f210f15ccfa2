#include "app/model_document.h"

#include <cmath>
#include <iterator>
#include <new>
#include <utility>

#include "app/frame_loop.h"
#include "app/key_script.h"
#include "app/keyboard.h"
#include "app/model_catalogue.h"
#include "app/model_outline.h"
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
    }
    return "";
}

// Why `value` cannot be field `field` of `step`, or nothing.
std::optional<std::string> checkValue(const TransformStep& step, StepField field, double value) {
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

std::string ModelDocument::nameOf(const NodePath& path) const {
    const ModelSlot* slot = slotAt(path.model);
    if (slot == nullptr || find(path) == nullptr) {
        return pathText(path);
    }
    const SceneNode* node = slot->root;
    NodeLabel label = rootLabel(*slot);
    for (const std::uint32_t position : path.positions) {
        label = std::move(childLabels(*slot, *node, label)[position]);
        node = childAt(*node, position);
    }
    return label.name;
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
        NodePath parentPath{path.model, {path.positions.begin(), path.positions.end() - 1}};
        const SceneNode* parent = find(parentPath);
        if (std::optional<TransformSteps> placed = parent->childSteps(path.positions.back())) {
            return placed;
        }
        if (const TransformSteps* placed = slot->parts.stepsOf(node)) {
            return *placed;
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
    std::string example;
    std::size_t model = 0;
    for (const ModelSlot* slot : modelList) {
        if (slot == chainSlot || slot == treeSlot) {
            for (auto edit = edits_.lower_bound(NodePath{model, {}});
                 edit != edits_.end() && edit->first.model == model; ++edit) {
                const bool had = edit->second.node != nullptr;
                resolve(edit->first, edit->second);
                if (had && edit->second.node == nullptr) {
                    ++lost;
                    example = pathText(edit->first);
                }
            }
        }
        ++model;
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

void ModelDocument::restore(
    const std::vector<std::pair<NodePath, std::optional<TransformSteps>>>& rests) {
    for (const auto& [path, steps] : rests) {
        setRest(path, steps);
    }
}

Applied ModelDocument::change(const Edit& edit) {
    Applied applied;
    const ModelSlot* slot = slotAt(edit.node.model);
    if (slot == nullptr) {
        applied.line = "there is no model " + std::to_string(edit.node.model + 1) +
                       "; the models are chain, figure, fan and tree";
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
            applied.line = "the " + slot->name + " has no node " + pathText(edit.node) +
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
    redo_.clear();
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
            restore(edit.kind == Edit::Kind::undo ? taken.before : taken.after);
            record(edit);
            // Undone or redone, it is no longer the edit a continuing value goes on from.
            taken.setting.reset();
            to.push_back(std::move(taken));
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
    keepHistory_ = false;
    settingOpen_ = false;
    historyCut_ = false;
    edits_.clear();
    history_.clear();
    undo_.clear();
    redo_.clear();
    keysOpen_ = false;
}
