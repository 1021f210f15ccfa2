#pragma once

// The floors the benchmarks hold our code against: for each piece of work, the least that
// produces the same effect the work cannot do without. Building a model cannot do with fewer
// allocations than it has nodes and list entries; animating cannot do with fewer matrix
// products than it multiplies in; drawing cannot do with fewer GL calls than it makes. Each
// floor does exactly that much, with none of the rest: no constructors, no virtual calls, no
// pointer chasing through lists (its data lies in one contiguous array), nothing computed that
// could have been computed before. bench_floor_check proves that every floor makes the same
// allocations, the same products and the same calls as the code it stands for.

#include <cstddef>
#include <vector>

#include "math/mat4.h"
#include "math/vec3.h"

class SceneNode;

namespace bench {

// ---- Building: the same allocations, of the same sizes, in the same order, and the frees in
// the order deleting the model makes them. Each block keeps only the links needed to free it.

struct Block;

// The size of one entry of a node's children list, as the list allocates it.
std::size_t listEntrySize();

// As buildTreeModel(depth) allocates, and deleting its result frees.
Block* allocateTreeModel(int depth);
void freeTreeModel(Block* root);

// As buildChainModel(depth) allocates, and deleting its result frees.
Block* allocateChainModel(int depth);
void freeChainModel(Block* root);

// The two recursive models, as the depth keys replace them.
struct RecursiveModels {
    Block* tree = nullptr;
    Block* chain = nullptr;
};
RecursiveModels allocateRecursiveModels(int depth);
// What rebuildRecursiveModels does to the heap: the new tree and chain are allocated, then the
// old tree and the old chain freed.
void rebuildRecursiveModels(RecursiveModels& models, int depth);
void freeRecursiveModels(RecursiveModels& models);

// ---- Animating: the same 4x4 premultiplies, by the same operators, over a contiguous array.

// The tree model's transforms in the order animateTree visits them; each step premultiplies
// every one by the spin of a ball.
struct TreeAnimation {
    std::vector<Mat4> transforms;
    Mat4 spin;
};
TreeAnimation collectTreeAnimation(SceneNode* treeRoot);
void animate(TreeAnimation& a);

// The swinging limbs of a model (the fan's, say), in the order animateTree visits them. Every
// limb of the model has made the same number of steps, so each step forms its swing once and
// premultiplies it into every limb, between the moves to and from the joint below the first.
struct SwingAnimation {
    struct Joint {
        Mat4 transform;
        bool isRoot;
    };
    std::vector<Joint> joints;
    Mat4 toJoint;    // translation by -limbLength along z
    Mat4 fromJoint;  // translation by +limbLength along z
    int steps;       // steps made so far
};
SwingAnimation collectSwingAnimation(SceneNode* modelRoot);
void animate(SwingAnimation& a);

// ---- Drawing: the same GL calls, with the same arguments, read from a contiguous array.

// The quads of a limb: 100 normals and 400 corners, in the order Limb::draw sends them.
struct LimbGeometry {
    std::vector<Vec3> normals;
    std::vector<Vec3> corners;
    double radius = 0.0;
    float farEnd = 0.0f;
};
LimbGeometry limbGeometry(double radius, double limbLength);
void drawLimb(const LimbGeometry& g);

// The tree model in the order renderTree draws it, each ball with its transform, the centres
// of its children and the number of matrices to pop after it.
struct TreeDrawing {
    struct Ball {
        Mat4 transform;
        Vec3 childCentres[2];
        int childCount;
        int pops;
        double radius;
    };
    std::vector<Ball> balls;
};
TreeDrawing collectTreeDrawing(SceneNode* treeRoot);
void render(const TreeDrawing& d);

// A model of plain nodes and limbs (the fan, say) in the order renderTree draws it. Its limbs
// must all have the same radius and length, so one geometry serves them all.
struct LimbModelDrawing {
    struct Node {
        Mat4 transform;
        bool isLimb;
        int pops;
    };
    std::vector<Node> nodes;
    LimbGeometry limb;
};
LimbModelDrawing collectLimbModelDrawing(SceneNode* modelRoot);
void render(const LimbModelDrawing& d);

// ---- Not a floor: what explains the distance to them.

// Visits every node of the model through the children lists and does nothing else: the cost
// of the walk itself. Returns the number of nodes, for the per-node figures.
std::size_t nodeCount(const SceneNode* root);

}  // namespace bench
