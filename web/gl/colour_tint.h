#pragma once

#include <array>

// A tint over the colours that the browser draws, for the page's highlight of the selected
// node's subtree (web/explorer/node_selection). While it is set, every colour that reaches the
// WebGL sink (a vertex's, a sphere's, the one that colour material takes up when it is
// enabled) is drawn with its red, green and blue multiplied by the tint's, its alpha as given:
// a multiplier, so the lighting still shows. Without it the colours are drawn as given, to the
// bit. What the GL calls hold (glColor's current colour) is never changed.
namespace web_gl {

void setColourTint(const std::array<float, 3>& tint);
void clearColourTint();

// `colour` (RGBA) as it is drawn now.
std::array<float, 4> tinted(const float* colour);

}  // namespace web_gl
