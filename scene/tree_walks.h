#pragma once

#include <cstdint>

#include "scene/scene_node.h"

// The walks over a tree of nodes, kept apart from the node classes: each node says only
// what it draws and how it steps, and these visit the whole tree.

// Draws the node and its subtree through OpenGL's modelview matrix stack, leaving the
// modelview matrix as it found it. Levels below those the stack can hold are drawn with
// matrices formed here and loaded, so a tree of any depth draws without overflowing it.
void renderTree(SceneNode* node);

// Told by renderTree of every node it draws, at every level, those below the matrix stack
// included. The walk makes the same GL calls with a hook as without one, and a hook makes none
// of its own. (The web page's highlight of the selected node is one.)
class RenderHook {
  public:
    virtual ~RenderHook() = default;
    // The walk enters the node's subtree: the modelview matrix holds the node's frame (the
    // matrix its own draw() draws under), and nothing of the node is drawn yet.
    virtual void entering(const SceneNode& node) = 0;
    // The node and its whole subtree are drawn; the modelview matrix may be a descendant's.
    virtual void leaving(const SceneNode& node) = 0;
};

// The hook that walks begun from now on tell, or null (as at the start) for none. Not owned.
void setRenderHook(RenderHook* hook);

// Steps the node and its subtree, each parent before its children.
void animateTree(SceneNode* node);

// How many nodes lie below the node: its children and their subtrees.
std::uint64_t countBelow(const SceneNode& node);
