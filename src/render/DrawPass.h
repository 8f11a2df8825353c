#pragma once
// Draws sorted renderables from their draw records with OpenGL client arrays.
// The pass tracks what it has set, so consecutive records with the same
// texture bind it once and opaque white records set no colour.

#include <vector>

namespace Tarnu
{

class Renderable;

/// Each renderable's entry holds the record of this pass. Raises
/// "No video manager to render on." before drawing when there is no window.
void drawRenderables(const std::vector<Renderable*>& renderables);

}
