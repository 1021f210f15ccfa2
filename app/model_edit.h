#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// The catalogue's models, in order: the model positions of NodePath, the names paths use. The
// fifth, "your model", an empty group to build on, is there only where a program adds it (the
// page, and the programs' --state).
inline constexpr const char* modelNames[] = {"chain", "figure", "fan", "tree", "yours"};

// What an edit can add under a node, from the models' own classes.
enum class NewNode : std::uint8_t { group, ball, limb, chain, tree };

// As the address and the outline name it: "group", "ball", "limb", "chain", "tree".
inline const char* newNodeName(NewNode kind) {
    switch (kind) {
        case NewNode::group:
            return "group";
        case NewNode::ball:
            return "ball";
        case NewNode::limb:
            return "limb";
        case NewNode::chain:
            return "chain";
        case NewNode::tree:
            return "tree";
    }
    return "";
}

// A node of one of the document's models: the model's place in the catalogue (0 chain, 1 figure,
// 2 fan, 3 tree) and the positions of the node's ancestors' children from the root down, each
// from 0. The root of a model has no positions. A path names the same node after a depth change
// as long as the new tree has it; no pointer is kept.
struct NodePath {
    std::size_t model = 0;
    std::vector<std::uint32_t> positions;

    bool operator==(const NodePath& other) const {
        return model == other.model && positions == other.positions;
    }
    bool operator<(const NodePath& other) const {
        return std::tie(model, positions) < std::tie(other.model, other.positions);
    }
};

// The value of a transform step that an edit sets: a component of a translate's offset or a
// scale's factors, or a rotate's angle.
enum class StepField : std::uint8_t { x, y, z, angle };

// The field as the address and the learner's lines name it: "x", "y", "z", "angle".
inline const char* fieldName(StepField field) {
    switch (field) {
        case StepField::x:
            return "x";
        case StepField::y:
            return "y";
        case StepField::z:
            return "z";
        case StepField::angle:
            return "angle";
    }
    return "";
}

// Whether an add of `kind` takes a count: the limbs of a chain, the depth of a tree.
inline bool takesCount(NewNode kind) {
    return kind == NewNode::chain || kind == NewNode::tree;
}

// One change to the document, and the only kind there is: the viewer's keys and animation steps
// as well as a learner's edits of a node. The document's history is the list of them.
struct Edit {
    enum class Kind : std::uint8_t {
        // Keys typed, in order, as onto the viewer's keyboard (`keys`); typed before one frame.
        keys,
        // `count` animation steps of the model on screen, paused or not (the page's Step).
        steps,
        // `count` idle calls: each a step while animating, nothing while paused.
        idle,
        // Sets field `field` of step `step` of node `node`'s rest to `value` (degrees for an
        // angle).
        setValue,
        // Puts node `node` back as it was built, or (with no positions) every node of its model.
        resetNode,
        resetModel,
        // Takes back the last edit not yet taken back, or takes back the last undo.
        undo,
        redo,
        // Moves node `node` and its subtree to the end of the children of `target`, keeping
        // its place in the world (`keepWorld`: its rest gains the step that makes up for the
        // new parent) or its local transform.
        move,
        // Adds a new `made` as the last child of `node`: a chain of `count` limbs, a ball tree
        // of depth `count`; `count` is unused for the others.
        add,
        // Puts a copy of node `node` and its subtree, edits included, right after it.
        copy,
        // Takes node `node` and its subtree out of its model.
        remove,
        // Builds the chain or ball tree at `node` anew with `count` levels.
        depth,
    };

    Kind kind = Kind::steps;
    std::string keys;
    int count = 0;
    NodePath node;
    std::uint32_t step = 0;
    StepField field = StepField::x;
    double value = 0.0;
    // A setValue that goes on from the setValue before it on the same value (a drag, a slider
    // moved): the two are one step of the history.
    bool continues = false;
    // A move's new parent and how it moves.
    NodePath target;
    bool keepWorld = true;
    // What an add adds.
    NewNode made = NewNode::group;

    static Edit typed(std::string keys) {
        Edit edit = of(Kind::keys);
        edit.keys = std::move(keys);
        return edit;
    }
    static Edit stepped(int count) {
        Edit edit = of(Kind::steps);
        edit.count = count;
        return edit;
    }
    static Edit idled(int count) {
        Edit edit = of(Kind::idle);
        edit.count = count;
        return edit;
    }
    static Edit set(NodePath node, std::uint32_t step, StepField field, double value,
                    bool continues = false) {
        Edit edit = of(Kind::setValue);
        edit.node = std::move(node);
        edit.step = step;
        edit.field = field;
        edit.value = value;
        edit.continues = continues;
        return edit;
    }
    static Edit resetOf(NodePath node) {
        Edit edit = of(Kind::resetNode);
        edit.node = std::move(node);
        return edit;
    }
    static Edit resetOfModel(std::size_t model) {
        Edit edit = of(Kind::resetModel);
        edit.node.model = model;
        return edit;
    }
    static Edit moved(NodePath node, NodePath target, bool keepWorld) {
        Edit edit = of(Kind::move);
        edit.node = std::move(node);
        edit.target = std::move(target);
        edit.keepWorld = keepWorld;
        return edit;
    }
    static Edit added(NodePath parent, NewNode made, int count = 0) {
        Edit edit = of(Kind::add);
        edit.node = std::move(parent);
        edit.made = made;
        edit.count = count;
        return edit;
    }
    static Edit copied(NodePath node) {
        Edit edit = of(Kind::copy);
        edit.node = std::move(node);
        return edit;
    }
    static Edit removed(NodePath node) {
        Edit edit = of(Kind::remove);
        edit.node = std::move(node);
        return edit;
    }
    static Edit deepened(NodePath node, int levels) {
        Edit edit = of(Kind::depth);
        edit.node = std::move(node);
        edit.count = levels;
        return edit;
    }
    bool structural() const {
        return kind == Kind::move || kind == Kind::add || kind == Kind::copy ||
               kind == Kind::remove || kind == Kind::depth;
    }
    static Edit undone() { return of(Kind::undo); }
    static Edit redone() { return of(Kind::redo); }

  private:
    static Edit of(Kind kind) {
        Edit edit;
        edit.kind = kind;
        return edit;
    }
};

// What apply did.
struct Applied {
    // Nothing when the edit was taken as asked; otherwise the one line that says why it was
    // refused, or what became of it (a depth that fell back, edits kept for nodes a shallower
    // tree does not have).
    std::optional<std::string> line;
    // The model on screen is another one, or was built anew: nodes known by position are gone.
    bool modelReplaced = false;
    // Some node's rest transform changed (an edit, a reset, an undo).
    bool restChanged = false;
    // Nodes of the model on screen were moved, added or taken out: its outline is another.
    bool structureChanged = false;
    // Where the node a structural edit was about now is: the moved node, the new node or copy,
    // the parent of a node taken out, the chain or tree built anew.
    std::optional<NodePath> at;
};
