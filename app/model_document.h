#pragma once

#include <array>
#include <cstddef>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/model_edit.h"
#include "math/mat4.h"
#include "scene/scene_node.h"
#include "scene/transform_step.h"

// The one owner of the viewer's models and of what has happened to them. The catalogue's models,
// the model on screen, the depth and the pause are changed only through apply, which takes keys,
// animation steps and a learner's edits alike, and writes each into the history. The history is
// the script that reproduces the state: the page's address, the downloads and the programs'
// --state replay it through apply.
//
// A node's rest (where it sits in its parent, the steps its builder applied) is kept apart from
// its motion (what its animation has added since): an edited node's transform is its motion
// composed with its new rest, each step anew, in the frame its class moves in (a ball circles its
// parent's axis; a limb swings about its own joint). Nodes not edited keep the transform the
// animation accumulates, so an unedited document draws, to the bit, what the viewer always drew;
// and an edit taken back, by undo or reset, gives that transform back exactly.
//
// Edits are kept by node path. A depth change keeps them for the nodes the new models still
// have; those the new models lack are kept aside and come back with a depth that has the node.
class ModelDocument {
  public:
    // The one door: takes the edit, or refuses it with one line and changes nothing.
    Applied apply(const Edit& edit);

    // Whether apply writes each edit into the history (off at first). The page keeps one for its
    // address; the viewer, which reads none back, keeps none, so that it runs for days in the
    // memory it started with. Undo and redo work either way.
    void keepHistory(bool keep);
    // Everything applied since the history was kept, in order; steps and keys in runs, undo and
    // redo as themselves.
    const std::vector<Edit>& history() const { return history_; }
    // Whether memory ran out for the history: it stopped there, and no longer tells the state.
    bool historyCut() const { return historyCut_; }
    // Goes up with every change to the history.
    std::uint64_t revision() const { return revision_; }
    // Keys typed from now on start a new entry of the history: the keys before were shown.
    void keysShown() { keysOpen_ = false; }

    // What undo and redo would take back or do again ("rotate shoulder at -x"), or nothing.
    std::optional<std::string> undoName() const;
    std::optional<std::string> redoName() const;

    // A node's rest as the steps it is made of.
    struct NodeRest {
        // As the builder placed it; for a node placed by no steps, steps that leave it where
        // it is (scale 1, rotate about x, y and z by 0, translate 0) for the learner to edit.
        TransformSteps built;
        // As they are now.
        TransformSteps now;
        // Whether the class's motion acts in the node's own frame (see SceneNode).
        bool ownFrame = false;
        // What the animation has added to the rest so far, in that frame.
        Mat4 motion;
    };
    // The rest of the node at `path`; nothing when the model has no such node.
    std::optional<NodeRest> restOf(const NodePath& path) const;

    // The node at `path`, or nullptr.
    SceneNode* find(const NodePath& path) const;
    // The name the outline gives it ("shoulder at -x", "ball 5").
    std::string nameOf(const NodePath& path) const;
    // The catalogue's position of the model on screen.
    std::size_t shownModel() const;

    // How many nodes have an edited rest, in every model.
    std::size_t editedNodes() const { return edits_.size(); }

    // The levels of the chain or ball tree at `path` (the limbs from it to the chain's end, the
    // levels of balls from it down); nothing when the node is neither.
    std::optional<int> levelsOf(const NodePath& path) const;

    // The world matrix of the node at `path`: its model's root's transform times each
    // transform down to it; nothing when the model has no such node.
    std::optional<Mat4> worldOf(const NodePath& path) const;

    // Forgets the history and every edit; resetCatalogue calls it as it deletes the models.
    void forget();

  private:
    struct NodeEdit {
        TransformSteps steps;
        // Resolved against `root` of the model; null while the model has no node at the path.
        SceneNode* node = nullptr;
        // The transform the node would have unedited, stepped as the animation steps it.
        Mat4 unedited;
        // The inverse of the rest the node was built with.
        Mat4 builtInverse;
        bool ownFrame = false;
    };
    using Rests = std::vector<std::pair<NodePath, std::optional<TransformSteps>>>;
    // An edit of a node that is out of its model, by the positions from the subtree's top.
    struct HeldEdit {
        std::vector<std::uint32_t> below;
        NodeEdit edit;
    };
    // A place in a model's tree: the child at `position` of the node at `parent`, or, with
    // position `rootPosition`, the model's root.
    struct Place {
        NodePath parent;
        std::uint32_t position = 0;
    };
    static constexpr std::uint32_t rootPosition = 0xffffffffu;
    // One subtree taken out of a model at `out`, put in at `in`, or both (a move). Done, then
    // undone in reverse; while the subtree is out of the model it is held here, owned, with the
    // edits of its nodes, and goes on animating with its model.
    struct Splice {
        std::optional<Place> out, in;
        SceneNode* held = nullptr;
        std::vector<HeldEdit> heldEdits;
        // What the subtree's top is called and the steps it rests by, given again each time it
        // is put in: its parent's class may place and name children by position.
        std::optional<NodeLabel> label;
        std::optional<TransformSteps> placed;
    };
    // One undoable change: the rests of some nodes before and after; nothing is as built. A
    // structural change also moves subtrees: its splices are done before the rests are set,
    // and undone after they are put back.
    struct Change {
        std::string name;
        Rests before, after;
        // The setValue it came from, for a continuing edit to go on from.
        std::optional<Edit> setting;
        // Where it is in the history, when one is kept.
        std::optional<std::size_t> historyIndex;
        // The structural edit it came from, and its model's subtrees moved.
        std::optional<Edit> structural;
        std::vector<Splice> splices;
        // False while a rebuild of its model at another depth could not do it again.
        bool done = true;
        // Where the edit's node is after it is done and after it is undone.
        std::optional<NodePath> atDone, atUndone;
    };

    Applied typeKeys(const std::string& keys);
    // Structural edits (model_structure.cpp).
    Applied restructure(const Edit& edit);
    std::optional<std::string> plan(const Edit& edit, Change& made, bool replaying);
    std::optional<std::string> planMove(const Edit& edit, Change& made, bool replaying);
    std::optional<std::string> planAdd(const Edit& edit, Change& made);
    std::optional<std::string> planCopy(const Edit& edit, Change& made, bool replaying);
    std::optional<std::string> planDepth(const Edit& edit, Change& made, bool replaying);
    // Does the splices in order (`forward`) or undoes them in reverse; when a place is not
    // there, takes back what it did and returns false.
    bool doSplices(std::size_t model, std::vector<Splice>& splices, bool forward);
    void countHeld();
    SceneNode* takeOut(std::size_t model, const Place& place, Splice& splice);
    void putIn(std::size_t model, const Place& place, SceneNode* node, Splice& splice);
    // Moves the edits of the later siblings of `place` (and their subtrees) by `by` positions,
    // as a subtree is taken out there (-1) or put in (+1).
    void shiftEdits(std::size_t model, const Place& place, int by);
    // Gives the children of `parent` from `position` on their names and steps, where the
    // parent's class gives them by position, before their positions change.
    void freezeChildren(const NodePath& parent, std::uint32_t position);
    NodeLabel labelOf(const NodePath& path) const;
    void discard(Change& change);
    void discardAll(std::vector<Change>& changes);
    void animateHeld(std::size_t model);
    // Does the model's structural changes again on its new build; how many could not be.
    std::size_t replayStructure(std::size_t model);
    std::optional<std::string> checkRoom(std::uint64_t nodes, std::uint64_t balls,
                                         const std::string& what,
                                         const std::string& otherwise) const;
    void animateShown();
    std::optional<std::string> setRest(const NodePath& path,
                                       const std::optional<TransformSteps>& steps);
    void restore(const Rests& rests);
    Applied change(const Edit& edit);
    void record(const Edit& edit);
    void append(const Edit& edit);
    // Finds the edited nodes of the recursive models again after a depth key built them anew;
    // the line for edits left without their node.
    std::optional<std::string> followRebuild();
    void resolve(const NodePath& path, NodeEdit& edit);
    std::optional<TransformSteps> builtSteps(const NodePath& path) const;
    void compose(NodeEdit& edit) const;

    std::map<NodePath, NodeEdit> edits_;
    std::vector<Edit> history_;
    bool keysOpen_ = false;
    bool keepHistory_ = false;
    bool historyCut_ = false;
    // The last change was a setValue, with nothing but steps since: a continuing one joins it.
    bool settingOpen_ = false;
    std::uint64_t revision_ = 0;
    std::vector<Change> undo_, redo_;
    // How many subtrees the changes hold out of their models.
    std::size_t held_ = 0;
    // The build of each model the edits were resolved against (ModelSlot::builds).
    std::array<std::uint64_t, std::size(modelNames)> builds_{};
};

// The viewer's document.
extern ModelDocument document;
