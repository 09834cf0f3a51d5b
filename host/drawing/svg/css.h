// SVG drawings: what the SVG reader does before it walks the document, on
// libxml2's tree (this folder may use host/drawing/ and libxml2).
//
// The CSS cascade: style sheets (<style>), style attributes and
// presentation attributes resolved as browsers resolve them, with the
// selectors illustration programs write (type, universal, class, id,
// attribute selectors, :first-child and friends, descendant, child and
// sibling combinators), specificity, source order and !important.
#pragma once

#include <libxml/tree.h>

#include <string>

namespace tvk::host {

// Leaves each element's winning declarations as its attributes and drops its
// style attribute, so that the reader sees one value a property (throws
// std::runtime_error for style sheets that would take too long to match): the
// `transform` property in CSS syntax (units, rotate(45deg)) becomes the
// transform attribute, with `transform-origin` folded into it; geometry
// properties (x, y, width, height, r, rx, ry, cx, cy, d) become the attributes
// they name; font-size becomes user units (percentages, em, ex, keywords
// resolved against the parent's size) and is put first, so that em and ex in
// the element's other lengths are known when they are read.
void cascade_styles(xmlNode* root);

// A CSS transform list in SVG's transform syntax: units dropped (px) or
// converted (rad, grad, turn to degrees), translateX and friends spelt out.
std::string svg_transform_of_css(const std::string& css);

// A font size in user units from its CSS text and the parent's size; the
// parent's when the text is not a size.
double font_size_of(const std::string& css, double parent);

}  // namespace tvk::host
