#include "shown_history.h"

#include "app/edit_script.h"

namespace explorer {

void ShownHistory::markShown(const std::vector<Edit>& history, std::uint64_t revision) {
    if (revision == revision_) {
        return;
    }
    revision_ = revision;
    entries_ = history.size();
    lastCount_ = history.empty() ? 0 : history.back().count;
    ++version_;
}

std::string ShownHistory::query(const std::vector<Edit>& history) const {
    return queryOf(history, entries_, lastCount_);
}

}  // namespace explorer
