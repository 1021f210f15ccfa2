#pragma once

#include <list>

#include "scene/scene_node.h"

// Holds the root of one model. Slots are never freed, so a slot pointer stays valid for the
// life of the process while the depth keys replace the root it holds.
struct ModelSlot {
    SceneNode* root;
};

// The models in the order the "next model" key steps through them: chain, figure, fan, tree.
// Positions stay valid while entries are appended. The list owns its entries only: at exit
// they are released, and the slots and the models in them are left alone.
using ModelList = std::list<ModelSlot*>;

extern ModelList modelList;
// The model on screen; end() only until buildScene has run.
extern ModelList::iterator currentModel;
extern ModelSlot* chainSlot;
extern ModelSlot* treeSlot;
// At least 1. Read by the model builders; changed only by the depth keys (app/keyboard.h).
extern int recursionDepth;

// Appends a new slot holding root to modelList and returns the slot.
ModelSlot* addModel(SceneNode* root);

// The recursive models; the caller owns the tree returned.
SceneNode* buildChainModel(int depth);
SceneNode* buildTreeModel(int depth);
// The fixed models.
SceneNode* buildFigureModel();
SceneNode* buildFanModel();

// Builds the four models into modelList, makes the chain model current and sets the start view.
void buildScene();
