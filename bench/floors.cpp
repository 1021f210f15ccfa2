#include "floors.h"

#include <GL/gl.h>
#include <GL/glut.h>

#include <list>
#include <memory>
#include <new>
#include <stdexcept>

#include "scene/ball_tree.h"
#include "scene/limb.h"
#include "scene/scene_node.h"
#include "scene/swinging_limb.h"
#include "scene/tree_walks.h"

namespace bench {

// ---- Building

// The links a block keeps so that it can be freed in the model's order. Every node the models
// allocate is larger than this, so it fits into the node's own allocation.
struct Block {
    Block* child[2];
    void* entry[2];
    int childCount;
};

namespace {

static_assert(sizeof(Block) <= sizeof(SceneNode), "a block must fit into a node's allocation");

// Learns the size of a list entry from the list itself, as it asks its allocator for one.
std::size_t probedEntrySize = 0;

template <class T>
struct SizeProbe {
    using value_type = T;
    SizeProbe() = default;
    template <class U>
    explicit SizeProbe(const SizeProbe<U>&) {}
    T* allocate(std::size_t n) {
        probedEntrySize = n * sizeof(T);
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) { std::allocator<T>().deallocate(p, n); }
    template <class U>
    bool operator==(const SizeProbe<U>&) const {
        return true;
    }
};

std::size_t measureListEntrySize() {
    std::list<SceneNode*, SizeProbe<SceneNode*>> probe;
    probe.push_back(nullptr);
    return probedEntrySize;
}

const std::size_t entrySize = listEntrySize();

Block* newBlock(std::size_t size) {
    Block* b = static_cast<Block*>(::operator new(size));
    b->childCount = 0;
    return b;
}

// As addChild: the child exists, fully built, before its list entry is allocated.
void append(Block* parent, Block* child) {
    parent->entry[parent->childCount] = ::operator new(entrySize);
    parent->child[parent->childCount] = child;
    ++parent->childCount;
}

// As the node destructor: each child's subtree, first to last, then the list's entries, then
// the node itself (a sized delete with the size of its class).
void freeBlock(Block* b, std::size_t size, std::size_t childSize) {
    for (int i = 0; i < b->childCount; ++i) {
        freeBlock(b->child[i], childSize, childSize);
    }
    for (int i = 0; i < b->childCount; ++i) {
        ::operator delete(b->entry[i], entrySize);
    }
    ::operator delete(b, size);
}

Block* allocateBallTree(int depth) {
    Block* b = newBlock(sizeof(BallTree));
    if (depth > 1) {
        append(b, allocateBallTree(depth - 1));
        append(b, allocateBallTree(depth - 1));
    }
    return b;
}

Block* allocateLimbChain(int depth) {
    Block* b = newBlock(sizeof(SwingingLimb));
    if (depth > 1) {
        append(b, allocateLimbChain(depth - 1));
    }
    return b;
}

void collectTreeBalls(SceneNode* node, std::vector<TreeDrawing::Ball>& balls) {
    const BallTree* ball = dynamic_cast<const BallTree*>(node);
    if (ball == nullptr || node->children.size() > 2) {
        throw std::invalid_argument("not a tree of balls");
    }
    TreeDrawing::Ball b{node->transform, {}, 0, 0, ball->radius};
    for (const SceneNode* child : node->children) {
        b.childCentres[b.childCount++] = child->transform.transformPoint(Vec3());
    }
    balls.push_back(b);
    for (SceneNode* child : node->children) {
        collectTreeBalls(child, balls);
    }
    ++balls.back().pops;
}

void collectLimbModelNodes(SceneNode* node, LimbModelDrawing& d, const Limb*& firstLimb) {
    const Limb* limb = dynamic_cast<const Limb*>(node);
    if (limb != nullptr) {
        if (firstLimb == nullptr) {
            firstLimb = limb;
        } else if (limb->radius != firstLimb->radius || limb->limbLength != firstLimb->limbLength) {
            throw std::invalid_argument("limbs of more than one shape");
        }
    }
    d.nodes.push_back({node->transform, limb != nullptr, 0});
    for (SceneNode* child : node->children) {
        collectLimbModelNodes(child, d, firstLimb);
    }
    ++d.nodes.back().pops;
}

void collectSwingJoints(SceneNode* node, SwingAnimation& a, const SwingingLimb*& firstLimb) {
    if (const auto* limb = dynamic_cast<const SwingingLimb*>(node)) {
        if (firstLimb == nullptr) {
            firstLimb = limb;
        } else if (limb->frameCount != firstLimb->frameCount ||
                   limb->limbLength != firstLimb->limbLength) {
            throw std::invalid_argument("limbs out of step");
        }
        a.joints.push_back({node->transform, limb->isRoot});
    }
    for (SceneNode* child : node->children) {
        collectSwingJoints(child, a, firstLimb);
    }
}

}  // namespace

std::size_t listEntrySize() {
    static const std::size_t size = measureListEntrySize();
    return size;
}

Block* allocateTreeModel(int depth) {
    return allocateBallTree(depth);
}

void freeTreeModel(Block* root) {
    freeBlock(root, sizeof(BallTree), sizeof(BallTree));
}

Block* allocateChainModel(int depth) {
    Block* root = newBlock(sizeof(SceneNode));
    append(root, allocateLimbChain(depth));
    return root;
}

void freeChainModel(Block* root) {
    freeBlock(root, sizeof(SceneNode), sizeof(SwingingLimb));
}

RecursiveModels allocateRecursiveModels(int depth) {
    RecursiveModels m;
    m.tree = allocateTreeModel(depth);
    m.chain = allocateChainModel(depth);
    return m;
}

void rebuildRecursiveModels(RecursiveModels& models, int depth) {
    Block* tree = allocateTreeModel(depth);
    Block* chain = allocateChainModel(depth);
    freeTreeModel(models.tree);
    models.tree = tree;
    freeChainModel(models.chain);
    models.chain = chain;
}

void freeRecursiveModels(RecursiveModels& models) {
    freeTreeModel(models.tree);
    freeChainModel(models.chain);
    models = {};
}

// ---- Animating

TreeAnimation collectTreeAnimation(SceneNode* treeRoot) {
    TreeAnimation a;
    // A ball's step, taken from a ball: one step from the identity leaves the operator itself.
    BallTree probe(1);
    probe.animate();
    a.spin = probe.transform;
    // animateTree's order: each node, then its children's subtrees in turn.
    std::vector<SceneNode*> pending{treeRoot};
    while (!pending.empty()) {
        SceneNode* node = pending.back();
        pending.pop_back();
        if (dynamic_cast<BallTree*>(node) == nullptr) {
            throw std::invalid_argument("not a tree of balls");
        }
        a.transforms.push_back(node->transform);
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
            pending.push_back(*it);
        }
    }
    return a;
}

void animate(TreeAnimation& a) {
    const Mat4 spin = a.spin;  // a copy the stores below cannot touch
    for (Mat4& m : a.transforms) {
        m.premultiply(spin);
    }
}

SwingAnimation collectSwingAnimation(SceneNode* modelRoot) {
    SwingAnimation a;
    const SwingingLimb* first = nullptr;
    collectSwingJoints(modelRoot, a, first);
    if (first == nullptr) {
        throw std::invalid_argument("no swinging limbs");
    }
    a.toJoint.setTranslation({0.0, 0.0, -first->limbLength});
    a.fromJoint.setTranslation({0.0, 0.0, first->limbLength});
    a.steps = first->frameCount;
    return a;
}

void animate(SwingAnimation& a) {
    // The swing of this step, formed once for every limb: a first limb stepped from the
    // identity holds exactly the rotation every limb multiplies in.
    SwingingLimb probe(1, true);
    probe.frameCount = a.steps;
    probe.animate();
    a.steps = probe.frameCount;
    const Mat4 swing = probe.transform;
    const Mat4 toJoint = a.toJoint;
    const Mat4 fromJoint = a.fromJoint;
    for (SwingAnimation::Joint& j : a.joints) {
        if (j.isRoot) {
            j.transform.premultiply(swing);
        } else {
            j.transform.premultiply(toJoint);
            j.transform.premultiply(swing);
            j.transform.premultiply(fromJoint);
        }
    }
}

// ---- Drawing

LimbGeometry limbGeometry(double radius, double limbLength) {
    const Limb limb(radius, limbLength);
    LimbGeometry g;
    g.radius = radius;
    g.farEnd = static_cast<float>(limbLength);
    // The parameters step in single precision, as the limb's own loops do.
    const auto next = [](float p) { return static_cast<float>(p + 0.1); };
    for (float u = 0.0f; u <= 1.0f; u = next(u)) {
        for (float v = 0.0f; v <= 1.0f; v = next(v)) {
            g.normals.push_back(limb.surfacePoint(u, 0.0f));
            g.corners.push_back(limb.surfacePoint(u, v));
            g.corners.push_back(limb.surfacePoint(next(u), v));
            g.corners.push_back(limb.surfacePoint(next(u), next(v)));
            g.corners.push_back(limb.surfacePoint(u, next(v)));
        }
    }
    return g;
}

void drawLimb(const LimbGeometry& g) {
    const Vec3* corner = g.corners.data();
    glBegin(GL_QUADS);
    for (const Vec3& normal : g.normals) {
        glNormal3dv(normal.data());
        glVertex3dv(corner[0].data());
        glVertex3dv(corner[1].data());
        glVertex3dv(corner[2].data());
        glVertex3dv(corner[3].data());
        corner += 4;
    }
    glEnd();
    glutSolidSphere(g.radius, 10, 5);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, g.farEnd);
    glutSolidSphere(g.radius, 10, 5);
    glPopMatrix();
}

TreeDrawing collectTreeDrawing(SceneNode* treeRoot) {
    TreeDrawing d;
    collectTreeBalls(treeRoot, d.balls);
    return d;
}

void render(const TreeDrawing& d) {
    const Vec3 centre;
    for (const TreeDrawing::Ball& b : d.balls) {
        glPushMatrix();
        glMultMatrixd(b.transform.data());
        if (b.childCount > 0) {
            glColor3f(1.0f, 0.0f, 0.0f);
            glLineWidth(3.0f);
            glBegin(GL_LINES);
            for (int i = 0; i < b.childCount; ++i) {
                glVertex3dv(centre.data());
                glVertex3dv(b.childCentres[i].data());
            }
            glEnd();
            glLineWidth(1.0f);
            glColor3f(1.0f, 1.0f, 1.0f);
        }
        glutSolidSphere(b.radius, 10, 5);
        for (int i = 0; i < b.pops; ++i) {
            glPopMatrix();
        }
    }
}

LimbModelDrawing collectLimbModelDrawing(SceneNode* modelRoot) {
    LimbModelDrawing d;
    const Limb* first = nullptr;
    collectLimbModelNodes(modelRoot, d, first);
    if (first != nullptr) {
        d.limb = limbGeometry(first->radius, first->limbLength);
    }
    return d;
}

void render(const LimbModelDrawing& d) {
    for (const LimbModelDrawing::Node& n : d.nodes) {
        glPushMatrix();
        glMultMatrixd(n.transform.data());
        if (n.isLimb) {
            drawLimb(d.limb);
        }
        for (int i = 0; i < n.pops; ++i) {
            glPopMatrix();
        }
    }
}

std::size_t nodeCount(const SceneNode* root) {
    std::size_t count = 1;
    for (const SceneNode* child : root->children) {
        count += nodeCount(child);
    }
    return count;
}

}  // namespace bench
