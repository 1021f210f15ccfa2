#include "tools/export/model_nodes.h"

#include <cstdint>
#include <functional>

namespace scene_export {

namespace {

// What the children of a node are called, given the child's position among them (from 0).
using ChildNamer =
    std::function<std::string(const std::string& parent, int position, const SceneNode* child)>;

class Lister {
  public:
    explicit Lister(ModelNodes& out) : out_(out) {}

    void add(const SceneNode* node, int parent, std::string name, const ChildNamer& children) {
        const int index = static_cast<int>(out_.nodes.size());
        out_.nodes.push_back(node);
        out_.parents.push_back(parent);
        out_.names.push_back(name);
        int position = 0;
        for (const SceneNode* child : node->children) {
            add(child, index, children(name, position, child), children);
            ++position;
        }
    }

  private:
    ModelNodes& out_;
};

std::string byPath(const std::string& parent, int position) {
    const std::string path = parent.starts_with("node ") ? parent.substr(5) + "." : "";
    return "node " + path + std::to_string(position + 1);
}

// A limb's name in a chain named `chain`: the chain's own name for its first limb,
// "<chain>, limb k" for the k-th.
std::string limbOf(const std::string& chain, int k) {
    return k == 1 ? chain : chain + ", limb " + std::to_string(k);
}

// The limb number in a name made by limbOf.
int limbNumber(const std::string& name) {
    const auto at = name.rfind(", limb ");
    return at == std::string::npos ? 1 : std::stoi(name.substr(at + 7));
}

std::string chainName(const std::string& name) {
    const auto at = name.rfind(", limb ");
    return at == std::string::npos ? name : name.substr(0, at);
}

}  // namespace

ModelNodes listModel(const SceneNode* root, int place) {
    ModelNodes out;
    Lister lister(out);
    const std::string model = place >= 0 && place < 4 ? modelNames[place] : "model";

    // The next limb of a chain, named from the one before.
    const auto inChain = [](const std::string& parent) {
        return limbOf(chainName(parent), limbNumber(parent) + 1);
    };

    switch (place) {
        case 0:
            // The holder, then "limb 1", "limb 2", ... down the chain.
            lister.add(root, -1, model,
                       [&model](const std::string& parent, int position, const SceneNode*) {
                           if (position != 0) {
                               return byPath(parent, position);
                           }
                           return parent == model
                                      ? std::string("limb 1")
                                      : "limb " + std::to_string(std::stoi(parent.substr(5)) + 1);
                       });
            break;
        case 1: {
            static const char* const parts[] = {"head",           "body",      "shoulder at -x",
                                                "shoulder at +x", "leg at +x", "leg at -x"};
            lister.add(
                root, -1, model,
                [&](const std::string& parent, int position, const SceneNode*) -> std::string {
                    if (parent == model) {
                        return position < 6 ? parts[position] : byPath(parent, position);
                    }
                    if (position != 0) {
                        return byPath(parent, position);
                    }
                    if (parent.starts_with("shoulder at ")) {
                        return "arm at " + parent.substr(12);
                    }
                    if (parent.starts_with("arm at ")) {
                        return inChain(parent);
                    }
                    return byPath(parent, position);
                });
            break;
        }
        case 2:
            lister.add(
                root, -1, model,
                [&](const std::string& parent, int position, const SceneNode*) -> std::string {
                    if (parent == model) {
                        return "spoke " + std::to_string(position);
                    }
                    if (position != 0) {
                        return byPath(parent, position);
                    }
                    if (parent.starts_with("spoke ")) {
                        return "chain " + parent.substr(6);
                    }
                    if (parent.starts_with("chain ")) {
                        return inChain(parent);
                    }
                    return byPath(parent, position);
                });
            break;
        case 3:
            lister.add(
                root, -1, "ball 1",
                [](const std::string& parent, int position, const SceneNode*) -> std::string {
                    if (position > 1 || !parent.starts_with("ball ")) {
                        return byPath(parent, position);
                    }
                    const std::uint64_t number = std::stoull(parent.substr(5));
                    return "ball " +
                           std::to_string(2 * number + static_cast<std::uint64_t>(position));
                });
            break;
        default:
            lister.add(root, -1, model,
                       [](const std::string& parent, int position, const SceneNode*) {
                           return byPath(parent, position);
                       });
            break;
    }
    return out;
}

}  // namespace scene_export
