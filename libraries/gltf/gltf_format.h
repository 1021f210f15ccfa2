#pragma once

namespace gltf {

// The two glTF 2.0 files: binary (.glb), or JSON with its buffer embedded (.gltf).
enum class GltfFormat { binary, json };

}  // namespace gltf
