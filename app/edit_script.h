#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/model_edit.h"

// A state of the viewer told as a script: the history of a document (app/model_document.h),
// read from and written to an address's query. The page keeps its address as one; scene-capture
// and scene-export take one with --state. Two forms are read:
//
//   ?keys=%2B%2Bx&frames=10     as the programs' --keys and --frames: the keys after the first
//                               frame, then 10 idle calls (each a step while animating);
//   ?steps=120&keys=x&steps=0&edit=figure/3,1,angle,45&undo
//                               the history in order, as the live page met it: each `keys` is
//                               typed and its frame shown, each `steps` runs that many steps of
//                               the model on screen, paused or not, and the edits are applied.
//
// The edits of the second form:
//   edit=PATH,STEP,FIELD,VALUE  sets FIELD (x, y, z or angle, in degrees) of step STEP (from 1)
//                               of the node at PATH to VALUE;
//   reset=PATH                  puts the node at PATH back as it was built;
//   reset-model=MODEL           puts every node of the model back;
//   undo, redo                  take back the last edit, or do again the last taken back.
// A PATH is the model's name and the positions of the node's ancestors' children from the root,
// each from 1: "figure" is the figure's root, "figure/3/1" the first child of its third child.
//
// Keys are percent-encoded (a bare "+" in an address is a space, the pause key).
using QueryParameters = std::vector<std::pair<std::string, std::string>>;

// The most parameters a script may have: 10,000 pairs of keys and steps, which the page plays
// in a few minutes (about 70 entries a second when each shows its frame). Past it the script
// is refused as a whole, with one line, rather than played for an unbounded time.
inline constexpr std::size_t maxAddressParameters = 20000;

// The query's parameters in order, decoded as a browser's URLSearchParams decodes them: split
// at "&" and at the first "=", "+" as a space, "%XX" as its byte. A leading "?" is skipped.
QueryParameters parseQuery(std::string_view query);

// The query's parameters, decoded, read into `script`: nothing when they ask for no script (the
// viewer runs live). The line that says why the script cannot be run, or why a parameter of it
// was left out (the rest is read), or nothing.
std::optional<std::string> readScript(const QueryParameters& parameters,
                                      std::optional<std::vector<Edit>>& script);

// The script of a program's --state QUERY, read as the page reads its address. QUERY is the
// query, with or without its "?", or a whole address, whose query follows its first "?" (a "?"
// after an "=" or "&" is part of the query); a "#" and what follows it are dropped, as a
// browser drops them. A query that asks for no script is the start state as the page shows it
// first: an empty script, drawn once. The line as readScript gives it: with no script, why
// QUERY cannot be played; with one, what of it was left out.
std::optional<std::string> readStateQuery(std::string_view query,
                                          std::optional<std::vector<Edit>>& script);

// Why a program's --state QUERY cannot be played, a usage error ("--state: ..."), or nothing
// (nor when there is no QUERY). Keys holding Escape are refused as --keys are, naming `product`.
// The line of what the script leaves out, if any, goes to `notes`; the rest is played.
std::optional<std::string> checkState(const std::optional<std::string>& query,
                                      const std::string& product, std::vector<std::string>& notes);

// The help text's lines for --state.
std::string stateHelp();

// The first `entries` of `history` as a query, the last of them a run of `lastCount` steps when
// it is a run of steps: what readScript reads back to the same state. "" for no entries.
std::string queryOf(const std::vector<Edit>& history, std::size_t entries, int lastCount);

// `keys` percent-encoded for an address: letters, digits and "-._~" as they are.
std::string encodeKeys(const std::string& keys);

// The model's path as a query writes it ("figure/3/1").
std::string pathInQuery(const NodePath& path);
