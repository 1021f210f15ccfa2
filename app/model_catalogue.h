#pragma once

#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <utility>

#include "app/part_names.h"
#include "scene/scene_node.h"

// Holds the root of one model. Slots are never freed, so a slot pointer stays valid for the
// life of the process while the depth keys replace the root it holds.
struct ModelSlot {
    SceneNode* root;
    // The model's own name: "chain", "figure", "fan", "tree".
    std::string name;
    // The names of the model's parts that their classes do not name, and the steps the
    // catalogue placed them with.
    PartNames parts;
    // The steps the root is placed with, in every build of the model.
    TransformSteps rootSteps;
    // How many times the depth keys have built the model anew.
    std::uint64_t builds = 0;
};

// The models in the order the "next model" key steps through them: chain, figure, fan, tree.
// Positions stay valid while entries are appended. The list owns its entries only: at exit
// they are released, and the slots and the models in them are left alone.
using ModelList = std::list<ModelSlot*>;

// The catalogue's state. Read anywhere; changed only by the functions below.
extern ModelList modelList;
// The model on screen; end() only until buildScene has run.
extern ModelList::iterator currentModel;
extern ModelSlot* chainSlot;
extern ModelSlot* treeSlot;
// At least 1: the depth of the chain and tree models.
extern int recursionDepth;

// Appends a new slot holding root, named `name` with its parts named by `parts`, to modelList
// and returns the slot.
ModelSlot* addModel(SceneNode* root, std::string name = "model", PartNames parts = {},
                    TransformSteps rootSteps = {});

// The one step each model's root is placed with.
TransformStep chainRootStep();
TransformStep treeRootStep();
TransformStep fanRootStep();

// The recursive models; the caller owns the tree returned. Their classes name their nodes.
SceneNode* buildChainModel(int depth);
SceneNode* buildTreeModel(int depth);
// The fixed models, whose parts are named, and their steps kept, into `names` when it is given.
SceneNode* buildFigureModel(PartNames* names = nullptr);
SceneNode* buildFanModel(PartNames* names = nullptr);

// Builds the four models into modelList, makes the chain model current and sets the start view.
void buildScene();

// Appends the fifth model, "your model": an empty group node to build on. The page has it, and
// the programs when they play a page's state; the viewer's cycle of four does not.
void addYourModel();

// One level deeper ("+"), or one shallower but never below 1 ("-"; at depth 1 the models are
// still rebuilt, which restarts them from their initial pose). Nothing when the depth is taken.
// A depth whose models would not fit into memory, or whose building runs out of it, is refused,
// the depth and both models staying as they were, and the one line that says why is returned
// ("recursion depth 22 needs about 992 MiB but about 724 MiB is available; staying at depth
// 21"); so is the line of a shallower depth that ran out of memory even so and fell back to
// depth 1. The keyboard callback prints it on standard error.
std::optional<std::string> raiseRecursionDepth();
std::optional<std::string> lowerRecursionDepth();

// What a program needs at a depth beside the models and their drawing, which the depth keys then
// count into what a new depth must find room for: scene-export keeps room for exporting the tree
// model of that depth. Nothing unless set; resetCatalogue clears it.
void reserveBesideModels(std::uint64_t (*reserve)(int depth));

// A deep tree takes seconds to build. The page builds it ahead, a slice at a time, for the
// depth key that asks for it: prepareDepth begins the tree model of `depth`, continuePreparing
// builds some more of it, and the depth key that moves to `depth` then takes the tree whole
// rather than building it. Nothing on screen changes until then.
enum class Preparation {
    // Being built: continuePreparing goes on with it.
    started,
    // Nothing to build ahead: the depth is refused as it stands, or the key builds it in place.
    notNeeded,
};
Preparation prepareDepth(int depth);
// Builds up to `balls` more balls of the tree being prepared; true once it is whole (and when
// nothing is being prepared). Running out of memory drops it: the depth key then says so.
bool continuePreparing(std::uint64_t balls);
// The balls built so far of the tree being prepared, and its total; {0, 0} when none.
std::pair<std::uint64_t, std::uint64_t> preparingProgress();
// The depth being prepared, or 0.
int preparingDepth();
// Drops the tree being prepared.
void dropPrepared();

// Where the depth keys put the models they replace: deleted at once unless set (the page frees a
// deep tree a slice at a time). resetCatalogue clears it.
void retireModelsWith(void (*retire)(SceneNode* root));

// Replaces the tree model, then the chain model, by new ones of the current recursionDepth,
// in the same slots. Both are built before the old ones are deleted; if building throws,
// nothing has changed.
void rebuildRecursiveModels();

// Steps currentModel to the next entry of modelList, from the last back to the first.
void nextModel();

// Deletes every model and slot and returns the catalogue to its state before buildScene, with
// recursionDepth 1: for programs and tests that build the scene more than once.
void resetCatalogue();
