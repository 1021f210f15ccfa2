#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/model_edit.h"

namespace explorer {

// How much of the document's history the last frame drawn shows: the address says that much,
// and no more (a step run after the last frame is not on screen yet).
class ShownHistory {
  public:
    // A frame was drawn showing the history as it is now, `revision` being the document's.
    void markShown(const std::vector<Edit>& history, std::uint64_t revision);
    // The query of what the last frame shows: "?steps=N" when nothing but steps happened, ""
    // before anything happened.
    std::string query(const std::vector<Edit>& history) const;
    // Goes up with every markShown that follows a change.
    std::uint64_t version() const { return version_; }

  private:
    std::uint64_t revision_ = 0;
    std::size_t entries_ = 0;
    int lastCount_ = 0;
    std::uint64_t version_ = 0;
};

}  // namespace explorer
