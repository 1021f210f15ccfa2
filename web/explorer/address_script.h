#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace explorer {

// The page's address as a script of the viewer's state: the keys typed and the animation
// steps run, in the order they came. Two forms are read:
//
//   ?keys=%2B%2Bx&frames=10     as scene-capture's --keys and --frames: the keys after the first
//                               frame, then 10 idle calls (each a step while animating);
//   ?steps=120&keys=x&steps=0&keys=%20&steps=5
//                               keys and steps interleaved, in order, as the live page met them:
//                               each `keys` is typed and its frame shown, then the `steps` after
//                               it run that many animation steps of the model on screen, each
//                               shown, paused or not (as the page's Step button does while
//                               paused). Steps before any keys follow the first frame.
//
// Keys are percent-encoded (a bare "+" in an address is a space, the pause key).
struct ScriptEntry {
    // Keys to type; empty for the steps before any keys.
    std::string keys;
    // Steps to run after the keys, or idle calls for the first form.
    int steps = 0;
};

struct AddressScript {
    std::vector<ScriptEntry> entries;
    // True for the first form: `steps` counts idle calls, which do nothing while paused, and 0
    // still shows one frame after the keys.
    bool idleCalls = false;
};

// The most parameters an address may have: 10,000 pairs of keys and steps, which the page plays
// in a few minutes (about 70 entries a second when each shows its frame). Past it the address
// is refused as a whole, with one line, rather than played for an unbounded time.
inline constexpr std::size_t maxAddressParameters = 20000;

// The address's parameters, in order, already percent-decoded, read into `script`: nothing when
// they ask for no script (the page runs live). The reason the script cannot be run, or nothing.
std::optional<std::string> readAddressScript(
    const std::vector<std::pair<std::string, std::string>>& parameters,
    std::optional<AddressScript>& script);

// The live page's history as an address's query, shortest form first: what has happened since
// the first frame, read back by readAddressScript to the same state.
class ScriptRecorder {
  public:
    // A key typed: keys typed before the same frame go together.
    void addKey(unsigned char key);
    // One animation step of the model on screen.
    void addStep();
    // A frame was drawn, showing everything recorded so far: the address says that much.
    void markShown();
    // The query of what the last frame shows: "?steps=N" when no key was typed, "" before
    // anything happened.
    std::string shownQuery() const;
    // Goes up with every markShown that follows a change.
    std::uint64_t shownVersion() const { return shownVersion_; }

  private:
    std::vector<ScriptEntry> entries_;
    // Whether the last entry's keys have had their frame.
    bool keysShown_ = false;
    bool changed_ = false;
    std::size_t shownEntries_ = 0;
    int shownSteps_ = 0;
    std::uint64_t shownVersion_ = 0;
};

// `keys` percent-encoded for an address: letters, digits and "-._~" as they are.
std::string encodeKeys(const std::string& keys);

}  // namespace explorer
