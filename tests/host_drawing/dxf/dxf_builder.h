// Small DXF files written out for the tests: just the groups that matter.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/drawing/model/drawing.h"

namespace tvk::host::test {

using Groups = std::vector<std::pair<int, std::string>>;

// One entity (or table entry): "0\nTYPE\n" and its groups.
std::string entity(const std::string& type, const Groups& groups);

// A layer table entry; flags 1 freezes it, a negative colour turns it off.
std::string layer(const std::string& name, int color, const std::string& linetype = "CONTINUOUS",
                  int flags = 0);

// A block definition holding `entities`.
std::string block(const std::string& name, Vec2 base, const std::string& entities);

// A whole file from its layer table entries, blocks and entities (and header variables).
std::string dxf_file(const std::string& entities, const std::string& blocks = "",
                     const std::string& layers = "", const std::string& header = "");

// Writes `contents` to a fresh file in the test's temporary directory and returns its path.
std::string write_temp(const std::string& name, const std::string& contents);

// Loads a drawing from DXF text.
Drawing load(const std::string& contents);

// The points of all paths, flattened at `tolerance`.
FlatDrawing flat(const std::string& contents, double tolerance = 0.01);

// Largest distance from the points of `path` to the circle (c, r).
double max_radius_error(const std::vector<Vec2>& path, Vec2 c, double r);

}  // namespace tvk::host::test
