#define TINYGLTF_IMPLEMENTATION
#include "libraries/gltf/gltf_document.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <sstream>

namespace gltf {

namespace {

// The bytes of a value or an array, to compare and hash things by what they hold.
template <class T>
void appendBytes(std::string& key, const T* values, std::size_t count) {
    key.append(reinterpret_cast<const char*>(values), count * sizeof(T));
}

std::string keyOf(const RecordedPrimitive& p) {
    std::string key;
    const int kind = p.kind == gl_subset::Primitive::lines ? 1 : 4;
    const std::size_t sizes[3] = {p.positions.size(), p.normals.size(), p.indices.size()};
    appendBytes(key, &kind, 1);
    appendBytes(key, p.colour.data(), p.colour.size());
    appendBytes(key, sizes, 3);
    appendBytes(key, p.positions.data(), p.positions.size());
    appendBytes(key, p.normals.data(), p.normals.size());
    appendBytes(key, p.indices.data(), p.indices.size());
    return key;
}

bool isIdentity(const Mat4& m) {
    const Mat4 identity;
    return std::memcmp(m.m, identity.m, sizeof m.m) == 0;
}

}  // namespace

GltfDocument::GltfDocument() {
    model_.asset.version = "2.0";
    model_.asset.generator = "scene-export";
    model_.buffers.emplace_back();
    model_.scenes.emplace_back();
    model_.defaultScene = 0;
}

int GltfDocument::addAccessor(const void* values, std::size_t bytes, int componentType, int type,
                              std::size_t count, int target) {
    std::vector<unsigned char>& buffer = data();
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.size();
    view.byteLength = bytes;
    view.target = target;
    const auto* begin = static_cast<const unsigned char*>(values);
    buffer.insert(buffer.end(), begin, begin + bytes);
    // Every view starts on a multiple of 4 bytes, as floats must.
    buffer.resize((buffer.size() + 3) / 4 * 4, 0);
    model_.bufferViews.push_back(view);

    tinygltf::Accessor accessor;
    accessor.bufferView = static_cast<int>(model_.bufferViews.size() - 1);
    accessor.byteOffset = 0;
    accessor.normalized = false;
    accessor.componentType = componentType;
    accessor.count = count;
    accessor.type = type;
    model_.accessors.push_back(accessor);
    return static_cast<int>(model_.accessors.size() - 1);
}

int GltfDocument::addFloats(const std::vector<float>& values, int type, bool withBounds,
                            int target) {
    const int components = tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(type));
    const std::size_t count = values.size() / static_cast<std::size_t>(components);
    const int index = addAccessor(values.data(), values.size() * sizeof(float),
                                  TINYGLTF_COMPONENT_TYPE_FLOAT, type, count, target);
    if (withBounds) {
        tinygltf::Accessor& accessor = model_.accessors[static_cast<std::size_t>(index)];
        accessor.minValues.assign(static_cast<std::size_t>(components),
                                  std::numeric_limits<double>::infinity());
        accessor.maxValues.assign(static_cast<std::size_t>(components),
                                  -std::numeric_limits<double>::infinity());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::size_t c = i % static_cast<std::size_t>(components);
            accessor.minValues[c] = std::min<double>(accessor.minValues[c], values[i]);
            accessor.maxValues[c] = std::max<double>(accessor.maxValues[c], values[i]);
        }
    }
    return index;
}

// Lit, not unlit (KHR_materials_unlit): the viewer lights its shapes with one diffuse light,
// and a flat, unlit white would show a learner only outlines. The standard metallic-roughness
// material with metallic 0 and roughness 1 is a plain diffuse surface in every glTF viewer,
// shaded by that viewer's own lights as the viewer's shapes are by its light.
int GltfDocument::materialFor(const std::array<float, 4>& colour) {
    if (const auto found = materials_.find(colour); found != materials_.end()) {
        return found->second;
    }
    tinygltf::Material material;
    if (colour == std::array<float, 4>{1, 1, 1, 1}) {
        material.name = "white";
    } else if (colour == std::array<float, 4>{1, 0, 0, 1}) {
        material.name = "red";
    } else {
        material.name = "colour " + std::to_string(colour[0]) + " " + std::to_string(colour[1]) +
                        " " + std::to_string(colour[2]);
    }
    material.pbrMetallicRoughness.baseColorFactor = {colour[0], colour[1], colour[2], colour[3]};
    material.pbrMetallicRoughness.metallicFactor = 0.0;
    material.pbrMetallicRoughness.roughnessFactor = 1.0;
    model_.materials.push_back(material);
    const int index = static_cast<int>(model_.materials.size() - 1);
    materials_.emplace(colour, index);
    return index;
}

int GltfDocument::primitiveFor(const RecordedPrimitive& p) {
    const auto [found, added] =
        primitives_.try_emplace(keyOf(p), static_cast<int>(primitiveList_.size()));
    if (!added) {
        return found->second;
    }
    tinygltf::Primitive primitive;
    primitive.mode =
        p.kind == gl_subset::Primitive::lines ? TINYGLTF_MODE_LINE : TINYGLTF_MODE_TRIANGLES;
    primitive.material = materialFor(p.colour);
    primitive.attributes["POSITION"] =
        addFloats(p.positions, TINYGLTF_TYPE_VEC3, true, TINYGLTF_TARGET_ARRAY_BUFFER);
    if (!p.normals.empty()) {
        primitive.attributes["NORMAL"] =
            addFloats(p.normals, TINYGLTF_TYPE_VEC3, false, TINYGLTF_TARGET_ARRAY_BUFFER);
    }
    const std::uint32_t largest =
        p.indices.empty() ? 0 : *std::max_element(p.indices.begin(), p.indices.end());
    if (largest < 65535) {
        const std::vector<std::uint16_t> narrow(p.indices.begin(), p.indices.end());
        primitive.indices =
            addAccessor(narrow.data(), narrow.size() * 2, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                        TINYGLTF_TYPE_SCALAR, narrow.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    } else {
        primitive.indices = addAccessor(p.indices.data(), p.indices.size() * 4,
                                        TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                                        p.indices.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    }
    primitiveList_.push_back(primitive);
    return found->second;
}

int GltfDocument::meshFor(const RecordedShape& shape) {
    if (shape.empty()) {
        return -1;
    }
    std::vector<int> parts;
    for (const RecordedPrimitive& p : shape) {
        parts.push_back(primitiveFor(p));
    }
    std::string key;
    appendBytes(key, parts.data(), parts.size());
    const auto [found, added] = meshes_.try_emplace(key, static_cast<int>(model_.meshes.size()));
    if (added) {
        tinygltf::Mesh mesh;
        for (const int part : parts) {
            mesh.primitives.push_back(primitiveList_[static_cast<std::size_t>(part)]);
        }
        model_.meshes.push_back(mesh);
    }
    return found->second;
}

int GltfDocument::addNode(const std::string& name, int parent, int mesh) {
    tinygltf::Node node;
    node.name = name;
    node.mesh = mesh;
    model_.nodes.push_back(node);
    const int index = static_cast<int>(model_.nodes.size() - 1);
    if (parent < 0) {
        model_.scenes[0].nodes.push_back(index);
    } else {
        model_.nodes[static_cast<std::size_t>(parent)].children.push_back(index);
    }
    return index;
}

void GltfDocument::setMatrix(int node, const Mat4& matrix) {
    tinygltf::Node& n = model_.nodes[static_cast<std::size_t>(node)];
    if (isIdentity(matrix)) {
        n.matrix.clear();
    } else {
        n.matrix.assign(matrix.m, matrix.m + 16);
    }
}

// The floats are written as doubles that hold them exactly, so a reader gets them back.
void GltfDocument::setPose(int node, const Pose& pose) {
    tinygltf::Node& n = model_.nodes[static_cast<std::size_t>(node)];
    n.matrix.clear();
    n.translation.assign(pose.translation.begin(), pose.translation.end());
    n.rotation.assign(pose.rotation.begin(), pose.rotation.end());
    n.scale.assign(3, pose.scale);
}

int GltfDocument::keyframeTimes(int count, int rate) {
    if (times_ < 0) {
        std::vector<float> times;
        for (int k = 0; k < count; ++k) {
            times.push_back(static_cast<float>(static_cast<double>(k) / rate));
        }
        times_ = addFloats(times, TINYGLTF_TYPE_SCALAR, true, 0);
        model_.animations.emplace_back();
        model_.animations[0].name =
            std::to_string(count - 1) + " steps at " + std::to_string(rate) + " steps a second";
    }
    return times_;
}

void GltfDocument::animate(int node, const std::vector<Pose>& poses, std::uint32_t track,
                           int rate) {
    const int input = keyframeTimes(static_cast<int>(poses.size()), rate);
    auto found = outputs_.find(track);
    if (found == outputs_.end()) {
        std::vector<float> translations, rotations, scales;
        for (const Pose& pose : poses) {
            translations.insert(translations.end(), pose.translation.begin(),
                                pose.translation.end());
            rotations.insert(rotations.end(), pose.rotation.begin(), pose.rotation.end());
            scales.insert(scales.end(), 3, pose.scale);
        }
        const Outputs outputs{addFloats(translations, TINYGLTF_TYPE_VEC3, false, 0),
                              addFloats(rotations, TINYGLTF_TYPE_VEC4, false, 0),
                              addFloats(scales, TINYGLTF_TYPE_VEC3, false, 0)};
        found = outputs_.emplace(track, outputs).first;
    }
    addChannel(node, "translation", input, found->second.translation);
    addChannel(node, "rotation", input, found->second.rotation);
    addChannel(node, "scale", input, found->second.scale);
}

void GltfDocument::addChannel(int node, const char* path, int input, int output) {
    tinygltf::Animation& animation = model_.animations[0];
    auto [found, added] = samplers_.emplace(std::make_pair(input, output),
                                            static_cast<int>(animation.samplers.size()));
    if (added) {
        tinygltf::AnimationSampler sampler;
        sampler.input = input;
        sampler.output = output;
        sampler.interpolation = "LINEAR";
        animation.samplers.push_back(sampler);
    }
    tinygltf::AnimationChannel channel;
    channel.sampler = found->second;
    channel.target_node = node;
    channel.target_path = path;
    animation.channels.push_back(channel);
}

int GltfDocument::stillTarget(std::size_t vertices) {
    if (const auto found = stillTargets_.find(vertices); found != stillTargets_.end()) {
        return found->second;
    }
    const int index = addFloats(std::vector<float>(3 * vertices, 0.0f), TINYGLTF_TYPE_VEC3, true,
                                TINYGLTF_TARGET_ARRAY_BUFFER);
    stillTargets_.emplace(vertices, index);
    return index;
}

int GltfDocument::unitTarget(std::size_t vertices, std::size_t vertex, int axis) {
    const std::array<std::size_t, 3> key{vertices, vertex, static_cast<std::size_t>(axis)};
    if (const auto found = unitTargets_.find(key); found != unitTargets_.end()) {
        return found->second;
    }
    std::vector<float> moved(3 * vertices, 0.0f);
    moved[3 * vertex + static_cast<std::size_t>(axis)] = 1.0f;
    const int index = addFloats(moved, TINYGLTF_TYPE_VEC3, true, TINYGLTF_TARGET_ARRAY_BUFFER);
    unitTargets_.emplace(key, index);
    return index;
}

void GltfDocument::addMorphTargets(int meshIndex, const std::vector<std::size_t>& moving) {
    tinygltf::Mesh& mesh = model_.meshes[static_cast<std::size_t>(meshIndex)];
    std::vector<std::size_t> vertices;
    for (const tinygltf::Primitive& primitive : mesh.primitives) {
        const int positions = primitive.attributes.at("POSITION");
        vertices.push_back(model_.accessors[static_cast<std::size_t>(positions)].count);
    }
    for (std::size_t i = 0; i < mesh.primitives.size(); ++i) {
        std::vector<std::map<std::string, int>>& targets = mesh.primitives[i].targets;
        targets.clear();
        for (const std::size_t p : moving) {
            for (std::size_t v = 0; v < vertices[p]; ++v) {
                for (int axis = 0; axis < 3; ++axis) {
                    targets.push_back({{"POSITION", i == p ? unitTarget(vertices[p], v, axis)
                                                           : stillTarget(vertices[i])}});
                }
            }
        }
    }
}

void GltfDocument::animateWeights(int node, const std::vector<float>& weights, int keyframes,
                                  std::uint32_t track, int rate) {
    const int input = keyframeTimes(keyframes, rate);
    auto found = weightOutputs_.find(track);
    if (found == weightOutputs_.end()) {
        found =
            weightOutputs_.emplace(track, addFloats(weights, TINYGLTF_TYPE_SCALAR, false, 0)).first;
    }
    addChannel(node, "weights", input, found->second);
}

std::optional<std::string> GltfDocument::serialise(GltfFormat format, std::string& bytes) {
    if (data().empty()) {
        model_.buffers.clear();
    }
    // A .glb keeps its chunks' lengths in 32 bits.
    constexpr std::size_t glbLimit = std::numeric_limits<std::uint32_t>::max() - 1024;
    if (format == GltfFormat::binary && !model_.buffers.empty() && data().size() > glbLimit) {
        return "its data takes more than the 4 GiB that a .glb can hold";
    }
    std::ostringstream out;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&model_, out, format == GltfFormat::json,
                                       format == GltfFormat::binary)) {
        return "the glTF writer failed";
    }
    bytes = std::move(out).str();
    if (format == GltfFormat::binary && bytes.size() > glbLimit) {
        bytes.clear();
        return "it takes more than the 4 GiB that a .glb can hold";
    }
    return std::nullopt;
}

}  // namespace gltf
