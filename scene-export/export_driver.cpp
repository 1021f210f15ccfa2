#include "scene-export/export_driver.h"

#include <algorithm>
#include <cstdint>

#include "app/camera.h"
#include "app/frame_loop.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "app/model_outline.h"
#include "app/platform.h"
#include "app/script_player.h"
#include "libraries/gltf/gltf_document.h"
#include "libraries/gltf/moving_geometry.h"
#include "libraries/gltf/pose_tracks.h"
#include "libraries/gltf/shape_recorder.h"

namespace scene_export {

namespace {

// The whole process's peak per node of a tree at depth 16, less the model's own share, with a
// margin: about 2 KiB for a glTF node with its name and children, its JSON, and its bytes in
// the file; about 7 KiB more for an animated node's channels and samplers, and theirs.
constexpr std::uint64_t bytesPerNode = 3 * 1024;
constexpr std::uint64_t bytesPerAnimatedNode = 8 * 1024;

// Every different track's keyframe of a step is stored once while the steps run, and again in
// the document with its JSON and its bytes in the file; with room for lists that grow by
// doubling, three times what the step took while it ran.
constexpr std::uint64_t keyframeCopies = 3;

// What exporting the tree model of `depth`, its 2^depth - 1 balls, takes: kept free while the
// keys run, so that the depth keys build no model that the export could not write, whichever
// model ends on screen.
std::uint64_t treeExportAtDepth(int depth, bool animated) {
    return exportFootprint(
        static_cast<std::size_t>(std::min<std::uint64_t>(treeBalls(depth), SIZE_MAX)), animated);
}

std::uint64_t stillTreeExport(int depth) {
    return treeExportAtDepth(depth, false);
}

std::uint64_t animatedTreeExport(int depth) {
    return treeExportAtDepth(depth, true);
}

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

// Each node's mesh in the document, -1 for nodes that draw nothing; and each mesh's shape.
std::vector<int> recordMeshes(const ModelOutline& model, gltf::GltfDocument& document,
                              std::vector<gltf::RecordedShape>& shapes) {
    std::vector<int> meshes;
    meshes.reserve(model.nodes.size());
    for (const SceneNode* node : model.nodes) {
        gltf::RecordedShape shape = gltf::recordDraw(node, false);
        const int mesh = document.meshFor(shape);
        if (mesh == static_cast<int>(shapes.size())) {
            shapes.push_back(std::move(shape));
        }
        meshes.push_back(mesh);
    }
    return meshes;
}

}  // namespace

std::uint64_t exportFootprint(std::size_t nodes, bool animated) {
    const std::uint64_t perNode = bytesPerNode + (animated ? bytesPerAnimatedNode : 0);
    return saturatingMultiply(static_cast<std::uint64_t>(nodes), perNode);
}

std::optional<std::string> exportScene(const ExportOptions& options, std::string& file,
                                       std::vector<std::string>& notes) {
    return exportScene(
        options, [&options] { playScript(keysThenFrames(options.keys, options.frames), {}); }, file,
        notes);
}

std::optional<std::string> exportScene(const ExportOptions& options,
                                       const std::function<void()>& reachState, std::string& file,
                                       std::vector<std::string>& notes,
                                       const std::function<void()>& animated) {
    startFromScratch();
    const ModelsReleased released;
    buildScene();
    if (options.yourModel || options.state) {
        addYourModel();
    }
    reserveBesideModels(options.animate > 0 ? animatedTreeExport : stillTreeExport);
    reachState();

    const ModelSlot& onScreen = **currentModel;
    const ModelOutline model = outlineOf(onScreen);
    const std::uint64_t need = exportFootprint(model.nodes.size(), options.animate > 0);
    const std::uint64_t obtainable = obtainableMemory();
    if (!fitsInMemory(need, obtainable)) {
        return "exporting the " + onScreen.name + " model's " + std::to_string(model.nodes.size()) +
               " nodes needs " + describeSize(need) + " but " +
               describeSize(usableMemory(obtainable)) + " is available";
    }

    gltf::GltfDocument document;
    std::vector<gltf::RecordedShape> shapes;
    const std::vector<int> meshes = recordMeshes(model, document, shapes);
    gltf::PoseTracks tracks(model.nodes);
    gltf::MovingGeometry geometry(model.nodes, model.names, meshes, shapes);
    const std::uint64_t stored = tracks.storedBytes() + geometry.storedBytes();
    for (int step = 1; step <= options.animate; ++step) {
        onIdle();
        tracks.sample();
        geometry.sample(step, notes);
        if (animated) {
            animated();
        }
        if (step == 1 && options.animate > 1) {
            // The first step shows what each further one keeps; the rest must fit before they run.
            const std::uint64_t perStep = tracks.storedBytes() + geometry.storedBytes() - stored;
            const std::uint64_t stepsNeed = saturatingAdd(
                need, saturatingMultiply(keyframeCopies * perStep,
                                         static_cast<std::uint64_t>(options.animate - 1)));
            const std::uint64_t left = obtainableMemory();
            if (!fitsInMemory(stepsNeed, left)) {
                return "animating the " + onScreen.name + " model's " +
                       std::to_string(model.nodes.size()) + " nodes for " +
                       std::to_string(options.animate) + " steps needs " + describeSize(stepsNeed) +
                       " but " + describeSize(usableMemory(left)) + " is available";
            }
        }
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
        const std::vector<gltf::Pose> poses = tracks.poses(i);
        document.setPose(node, poses.front());
        document.animate(node, poses, tracks.track(i), stepsPerSecond);
    }
    geometry.write(document, tracks.keyframeCount(), stepsPerSecond);
    if (options.animate > 0 && !anyMoves) {
        notes.push_back("nothing moves in the " + std::to_string(options.animate) +
                        " steps (the keys paused the animation): no animation is written");
    }
    return document.serialise(options.format, file);
}

}  // namespace scene_export
