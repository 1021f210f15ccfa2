#pragma once

#include <cstdint>

#include "scene/scene_node.h"

// The walks over a tree of nodes, kept apart from the node classes: each node says only
// what it draws and how it steps, and these visit the whole tree.

// Draws the node and its subtree through OpenGL's modelview matrix stack, leaving the
// modelview matrix as it found it. Levels below those the stack can hold are drawn with
// matrices formed here and loaded, so a tree of any depth draws without overflowing it.
void renderTree(SceneNode* node);

// Steps the node and its subtree, each parent before its children.
void animateTree(SceneNode* node);

// How many nodes lie below the node: its children and their subtrees.
std::uint64_t countBelow(const SceneNode& node);
