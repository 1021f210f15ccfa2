#include "tools/export/export_driver.h"

#include <GL/gl.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "app/camera.h"
#include "app/frame_loop.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "app/platform.h"
#include "gl_subset/immediate_mode.h"
#include "tools/capture/capture_driver.h"
#include "tools/export/gltf_document.h"
#include "tools/export/model_nodes.h"
#include "tools/export/pose_tracks.h"
#include "tools/export/shape_recorder.h"
#include "tools/export/weight_tracks.h"

namespace scene_export {

namespace {

// The whole process's peak per node of a tree at depth 16, less the model's own share, with a
// margin: about 2 KiB for a glTF node with its name and children, its JSON, and its bytes in
// the file; about 7 KiB more for an animated node's channels and samplers, and theirs.
constexpr std::uint64_t bytesPerNode = 3 * 1024;
constexpr std::uint64_t bytesPerAnimatedNode = 8 * 1024;

void startFromScratch() {
    resetCatalogue();
    camera.restoreDefaults();
    if (!animating) {
        toggleAnimation();
    }
}

// The models are deleted once the export is done with them, whichever way it ends, rather
// than left to the end of the process as the viewer leaves them.
struct ModelsReleased {
    ModelsReleased() = default;
    ModelsReleased(const ModelsReleased&) = delete;
    ModelsReleased& operator=(const ModelsReleased&) = delete;
    ~ModelsReleased() { resetCatalogue(); }
};

// What the node's own draw emits, in its own frame. Every draw starts as the viewer's do:
// white, lines 1 wide.
RecordedShape recordDraw(const SceneNode* node, ShapeRecorder&& recorder = ShapeRecorder()) {
    gl_subset::setSink(&recorder);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
    glLineWidth(1.0f);
    // draw() changes nothing of the node; it is not const only because it is virtual.
    const_cast<SceneNode*>(node)->draw();
    gl_subset::setSink(nullptr);
    return recorder.take();
}

// Each node's mesh in the document, -1 for nodes that draw nothing; and each mesh's shape.
std::vector<int> recordMeshes(const ModelNodes& model, GltfDocument& document,
                              std::vector<RecordedShape>& shapes) {
    std::vector<int> meshes;
    meshes.reserve(model.nodes.size());
    for (const SceneNode* node : model.nodes) {
        RecordedShape shape = recordDraw(node);
        const int mesh = document.meshFor(shape);
        if (mesh == static_cast<int>(shapes.size())) {
            shapes.push_back(std::move(shape));
        }
        meshes.push_back(mesh);
    }
    return meshes;
}

// Geometry that the animation moves. A node draws in its own frame, but what it draws may
// follow other nodes: a ball's connectors run to its children's centres, which circle it. The
// first step shows which primitives of which meshes move (geometry that the first step leaves
// as it was is taken to stay so); from then on every node drawing such a mesh is recorded
// again at each step, and its moving vertices' displacements from the first keyframe become
// the weights of morph targets.
class MovingGeometry {
  public:
    MovingGeometry(const ModelNodes& model, const std::vector<int>& meshes,
                   const std::vector<RecordedShape>& shapes)
        : model_(model), meshes_(meshes), shapes_(shapes), weights_(model.nodes.size()) {}

    // After each step; `step` counts from 1.
    void sample(int step, std::vector<std::string>& notes) {
        if (step == 1) {
            findMoving();
            weights_.beginKeyframe();
            for (const std::size_t node : nodes_) {
                weights_.add(node, std::vector<float>(targetCount(node), 0.0f));
            }
        }
        weights_.beginKeyframe();
        for (const std::size_t node : nodes_) {
            weights_.add(node, displacements(node, notes));
        }
    }

    bool any() const { return !nodes_.empty(); }

    void write(GltfDocument& document, int keyframes) const {
        for (const auto& [mesh, primitives] : moving_) {
            document.addMorphTargets(mesh, primitives);
        }
        for (const std::size_t node : nodes_) {
            document.animateWeights(static_cast<int>(node), weights_.weights(node), keyframes,
                                    weights_.track(node), stepsPerSecond);
        }
    }

  private:
    void findMoving() {
        for (std::size_t i = 0; i < model_.nodes.size(); ++i) {
            const int mesh = meshes_[i];
            if (mesh < 0) {
                continue;
            }
            const RecordedShape now = recordDraw(model_.nodes[i], ShapeRecorder(true));
            const RecordedShape& before = shapes_[static_cast<std::size_t>(mesh)];
            for (std::size_t p = 0; p < before.size() && p < now.size(); ++p) {
                if (now[p].positions != before[p].positions) {
                    std::vector<std::size_t>& moving = moving_[mesh];
                    if (std::find(moving.begin(), moving.end(), p) == moving.end()) {
                        moving.push_back(p);
                        std::sort(moving.begin(), moving.end());
                    }
                }
            }
        }
        for (std::size_t i = 0; i < model_.nodes.size(); ++i) {
            if (moving_.contains(meshes_[i])) {
                nodes_.push_back(i);
            }
        }
    }

    std::size_t targetCount(std::size_t node) const {
        const RecordedShape& shape = shapes_[static_cast<std::size_t>(meshes_[node])];
        std::size_t count = 0;
        for (const std::size_t p : moving_.at(meshes_[node])) {
            count += shape[p].positions.size();
        }
        return count;
    }

    std::vector<float> displacements(std::size_t node, std::vector<std::string>& notes) {
        const RecordedShape& before = shapes_[static_cast<std::size_t>(meshes_[node])];
        const RecordedShape now = recordDraw(model_.nodes[node], ShapeRecorder(true));
        std::vector<float> result;
        for (const std::size_t p : moving_.at(meshes_[node])) {
            const std::vector<float>& from = before[p].positions;
            if (p >= now.size() || now[p].positions.size() != from.size()) {
                if (!stuck_.contains(node)) {
                    stuck_.insert(node);
                    notes.push_back(model_.names[node] +
                                    ": what it draws changes its number of vertices; its mesh is "
                                    "kept as at the first keyframe");
                }
                result.insert(result.end(), from.size(), 0.0f);
                continue;
            }
            for (std::size_t k = 0; k < from.size(); ++k) {
                result.push_back(now[p].positions[k] - from[k]);
            }
        }
        return result;
    }

    const ModelNodes& model_;
    const std::vector<int>& meshes_;
    const std::vector<RecordedShape>& shapes_;
    std::map<int, std::vector<std::size_t>> moving_;
    std::vector<std::size_t> nodes_;
    std::set<std::size_t> stuck_;
    WeightTracks weights_;
};

}  // namespace

std::uint64_t exportFootprint(std::size_t nodes, bool animated) {
    const std::uint64_t perNode = bytesPerNode + (animated ? bytesPerAnimatedNode : 0);
    const auto count = static_cast<std::uint64_t>(nodes);
    return count > ~std::uint64_t{0} / perNode ? ~std::uint64_t{0} : count * perNode;
}

std::optional<std::string> exportScene(const ExportOptions& options,
                                       std::vector<std::string>& notes, std::string& error) {
    startFromScratch();
    const ModelsReleased released;
    buildScene();
    capture::playKeys(options.keys);
    for (int i = 0; i < options.frames; ++i) {
        onIdle();
    }

    const int place = static_cast<int>(std::distance(modelList.begin(), currentModel));
    const ModelNodes model = listModel((*currentModel)->root, place);
    const std::uint64_t need = exportFootprint(model.nodes.size(), options.animate > 0);
    const std::uint64_t obtainable = obtainableMemory();
    if (!fitsInMemory(need, obtainable)) {
        error = "exporting the " + std::string(modelNames[place]) + " model's " +
                std::to_string(model.nodes.size()) + " nodes needs " + describeSize(need) +
                " but " + describeSize(usableMemory(obtainable)) + " is available";
        return std::nullopt;
    }

    GltfDocument document;
    std::vector<RecordedShape> shapes;
    const std::vector<int> meshes = recordMeshes(model, document, shapes);
    PoseTracks tracks(model.nodes);
    MovingGeometry geometry(model, meshes, shapes);
    for (int step = 1; step <= options.animate; ++step) {
        onIdle();
        tracks.sample();
        geometry.sample(step, notes);
    }

    bool anyMoves = geometry.any();
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        const int node = document.addNode(model.names[i], model.parents[i], meshes[i]);
        anyMoves = anyMoves || tracks.moves(i);
        if (!tracks.moves(i)) {
            document.setMatrix(node, tracks.startMatrix(i));
            continue;
        }
        if (const int step = tracks.firstUndecomposable(i); step >= 0) {
            notes.push_back(model.names[i] + ": at step " + std::to_string(step) +
                            " its transform is no rotation and uniform scale followed by a "
                            "translation; exported as a fixed matrix, not animated");
            document.setMatrix(node, tracks.startMatrix(i));
            continue;
        }
        const std::vector<Pose> poses = tracks.poses(i);
        document.setPose(node, poses.front());
        document.animate(node, poses, tracks.track(i), stepsPerSecond);
    }
    geometry.write(document, tracks.keyframeCount());
    if (options.animate > 0 && !anyMoves) {
        notes.push_back("nothing moves in the " + std::to_string(options.animate) +
                        " steps (the keys paused the animation): no animation is written");
    }
    return document.serialise(options.format, error);
}

}  // namespace scene_export
