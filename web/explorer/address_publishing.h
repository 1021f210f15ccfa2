#pragma once

#include <cstdint>

#include <vector>

#include "app/model_edit.h"
#include "shown_history.h"

namespace explorer {

// Keeps the page's address saying what the picture shows (history.replaceState): after a key
// at once, and while the model animates a few times a second, not every frame.
class AddressPublisher {
  public:
    // A key was typed or a step asked for: the next publish writes the address at once.
    void changedByUser() { changedByUser_ = true; }

    // Writes the query of what the last frame shows into the address, if it says something new
    // and it is time.
    void publish(const ShownHistory& shown, const std::vector<Edit>& history);

    // The address already says what the last frame shows (it was opened so).
    void alreadyShown(const ShownHistory& shown);

  private:
    double lastPublished_ = 0.0;
    std::uint64_t publishedVersion_ = 0;
    bool changedByUser_ = false;
};

}  // namespace explorer
