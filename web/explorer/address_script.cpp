#include "address_script.h"

#include <cstdio>
#include <string>

#include "app/key_script.h"

namespace explorer {

std::optional<std::string> readAddressScript(
    const std::vector<std::pair<std::string, std::string>>& parameters,
    std::optional<AddressScript>& read) {
    read.reset();
    if (parameters.size() > maxAddressParameters) {
        return "the address has " + std::to_string(parameters.size()) +
               " parameters, more than the " + std::to_string(maxAddressParameters) +
               " a page plays; the viewer runs live";
    }
    const std::pair<std::string, std::string>* firstKeys = nullptr;
    const std::pair<std::string, std::string>* firstFrames = nullptr;
    bool anySteps = false;
    for (const auto& parameter : parameters) {
        if (parameter.first == "keys" && firstKeys == nullptr) {
            firstKeys = &parameter;
        } else if (parameter.first == "frames" && firstFrames == nullptr) {
            firstFrames = &parameter;
        } else if (parameter.first == "steps") {
            anySteps = true;
        }
    }
    if (!anySteps) {
        if (firstKeys == nullptr && firstFrames == nullptr) {
            return std::nullopt;
        }
        // As scene-capture reads --keys and --frames, with its default of one frame.
        AddressScript script;
        script.idleCalls = true;
        ScriptEntry entry;
        entry.keys = firstKeys != nullptr ? firstKeys->second : std::string();
        entry.steps = 1;
        if (firstFrames != nullptr) {
            if (auto problem = readCount("frames", firstFrames->second, entry.steps)) {
                return problem;
            }
        }
        script.entries.push_back(std::move(entry));
        read = std::move(script);
        return std::nullopt;
    }
    if (firstFrames != nullptr) {
        return "frames: not together with steps; write each run of steps as steps=N";
    }
    AddressScript script;
    for (const auto& [name, value] : parameters) {
        if (name == "keys") {
            // Each set of keys had a frame of its own.
            if (!value.empty()) {
                script.entries.push_back({value, 0});
            }
        } else if (name == "steps") {
            int steps = 0;
            if (auto problem = readCount("steps", value, steps)) {
                return problem;
            }
            if (script.entries.empty()) {
                script.entries.push_back({});
            }
            ScriptEntry& last = script.entries.back();
            if (last.steps > maxFrames - steps) {
                script.entries.push_back({{}, steps});
            } else {
                last.steps += steps;
            }
        }
    }
    read = std::move(script);
    return std::nullopt;
}

std::string encodeKeys(const std::string& keys) {
    std::string encoded;
    for (const char key : keys) {
        const auto c = static_cast<unsigned char>(key);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            encoded += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            encoded += escaped;
        }
    }
    return encoded;
}

void ScriptRecorder::addKey(unsigned char key) {
    if (entries_.empty() || entries_.back().steps > 0 || keysShown_) {
        entries_.push_back({});
        keysShown_ = false;
    }
    entries_.back().keys += static_cast<char>(key);
    changed_ = true;
}

void ScriptRecorder::addStep() {
    if (entries_.empty() || entries_.back().steps >= maxFrames) {
        entries_.push_back({});
    }
    ++entries_.back().steps;
    changed_ = true;
}

void ScriptRecorder::markShown() {
    keysShown_ = true;
    if (!changed_) {
        return;
    }
    changed_ = false;
    shownEntries_ = entries_.size();
    shownSteps_ = entries_.back().steps;
    ++shownVersion_;
}

std::string ScriptRecorder::shownQuery() const {
    std::string query;
    for (std::size_t i = 0; i < shownEntries_; ++i) {
        const ScriptEntry& entry = entries_[i];
        if (!entry.keys.empty()) {
            query += (query.empty() ? "?keys=" : "&keys=") + encodeKeys(entry.keys);
        }
        const int steps = i + 1 == shownEntries_ ? shownSteps_ : entry.steps;
        query += (query.empty() ? "?steps=" : "&steps=") + std::to_string(steps);
    }
    return query;
}

}  // namespace explorer
